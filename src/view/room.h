// The textured room around the model and its five texture files.
#pragma once

extern unsigned roomTextures[5];

// Loads the five texture files; false (after the readers' messages) when any
// failed, and then no texture is created.
bool loadRoomTextures();
void drawRoom();
