// The fixed GL state of the 3-D view and its projection.
#pragma once

// Loads the room textures, sets shading, depth, light, material, culling and
// blending, builds the piece library and resets the view. False when the
// textures could not be loaded.
bool initGl();
// The camera's viewport becomes width x height pixels; viewport and
// projection are loaded from it.
void resizeGlView(int width, int height);
