// The textured room around the model and its five texture files.
#pragma once

#include <string>

// The room's textures in one GL context; 0 before they are loaded.
struct RoomTextures {
  unsigned names[5] = {0, 0, 0, 0, 0};
};

// Loads the five texture files of the data folder (ending in "/") into the
// current context; false (after the readers' messages) when any failed, and
// then no texture is created.
bool loadRoomTextures(RoomTextures& textures, const std::string& dataFolder);
// Gives the textures back to the current context, which must be theirs.
void deleteRoomTextures(RoomTextures& textures);
void drawRoom(const RoomTextures& textures);

struct Image;
// Gives the texture name the image's pixels (rows packed, as the reader
// gives them) with linear filtering; the current GL context must exist.
void uploadTexture(unsigned texture, const Image& image);
