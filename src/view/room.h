// The textured room around the model and its five texture files.
#pragma once

extern unsigned roomTextures[5];

// Loads the five texture files; false (after the readers' messages) when any
// failed, and then no texture is created.
bool loadRoomTextures();
// Gives the textures back to the current context, which must be theirs.
void deleteRoomTextures();
void drawRoom();

struct Image;
// Gives the texture name the image's pixels (rows packed, as the reader
// gives them) with linear filtering; the current GL context must exist.
void uploadTexture(unsigned texture, const Image& image);
