// The room the model can stand in: a tiled floor and four tiled walls, each
// 9 x 9 tiles of 500 units carrying one whole texture, seen from inside
// (the quads run clockwise from inside, and the context culls front faces).
#include "view/room.h"

#include <GL/gl.h>

#include <string>

#include "view/bmp_reader.h"

namespace {

constexpr int TEXTURE_COUNT = 5;
const char* const textureFiles[TEXTURE_COUNT] = {"data/Wood.bmp", "data/Boden.bmp", "data/Wand.bmp",
                                                 "data/Marble.bmp", "data/Crate.bmp"};
constexpr int WALL_TEXTURE = 1;
constexpr int FLOOR_TEXTURE = 3;

constexpr float FLOOR_Y = -12.5f;
constexpr float ROOM_HALF = 2250.0f;
constexpr float TILE_HALF = 250.0f;

void freeImages(Image* images[TEXTURE_COUNT]) {
  for (int k = 0; k < TEXTURE_COUNT; ++k)
    if (images[k]) freeImage(images[k]);
}

void corner(float s, float t, float x, float y, float z) {
  glTexCoord2f(s, t);
  glVertex3f(x, y, z);
}

void floorTile(const RoomTextures& textures, float X, float Z) {
  glBindTexture(GL_TEXTURE_2D, textures.names[FLOOR_TEXTURE]);
  glBegin(GL_QUADS);
  glNormal3f(0.0f, 1.0f, 0.0f);
  corner(0, 1, X - TILE_HALF, FLOOR_Y, Z + TILE_HALF);
  corner(0, 0, X - TILE_HALF, FLOOR_Y, Z - TILE_HALF);
  corner(1, 0, X + TILE_HALF, FLOOR_Y, Z - TILE_HALF);
  corner(1, 1, X + TILE_HALF, FLOOR_Y, Z + TILE_HALF);
  glEnd();
}

// One tile of each wall: Z is the horizontal place on the wall, y0..y1 the
// row of tiles.
void wallTiles(const RoomTextures& textures, float Z, float y0, float y1) {
  glBindTexture(GL_TEXTURE_2D, textures.names[WALL_TEXTURE]);
  glBegin(GL_QUADS);
  glNormal3f(1.0f, 0.0f, 0.0f);
  corner(0, 1, -ROOM_HALF, y0, Z + TILE_HALF);
  corner(0, 0, -ROOM_HALF, y1, Z + TILE_HALF);
  corner(1, 0, -ROOM_HALF, y1, Z - TILE_HALF);
  corner(1, 1, -ROOM_HALF, y0, Z - TILE_HALF);
  glEnd();
  glBegin(GL_QUADS);
  glNormal3f(-1.0f, 0.0f, 0.0f);
  corner(0, 1, ROOM_HALF, y0, Z + TILE_HALF);
  corner(0, 0, ROOM_HALF, y0, Z - TILE_HALF);
  corner(1, 0, ROOM_HALF, y1, Z - TILE_HALF);
  corner(1, 1, ROOM_HALF, y1, Z + TILE_HALF);
  glEnd();
  glBegin(GL_QUADS);
  glNormal3f(0.0f, 0.0f, 1.0f);
  corner(0, 1, Z + TILE_HALF, y0, -ROOM_HALF);
  corner(0, 0, Z - TILE_HALF, y0, -ROOM_HALF);
  corner(1, 0, Z - TILE_HALF, y1, -ROOM_HALF);
  corner(1, 1, Z + TILE_HALF, y1, -ROOM_HALF);
  glEnd();
  glBegin(GL_QUADS);
  glNormal3f(0.0f, 0.0f, -1.0f);
  corner(0, 1, Z + TILE_HALF, y0, ROOM_HALF);
  corner(0, 0, Z + TILE_HALF, y1, ROOM_HALF);
  corner(1, 0, Z - TILE_HALF, y1, ROOM_HALF);
  corner(1, 1, Z - TILE_HALF, y0, ROOM_HALF);
  glEnd();
}

}  // namespace

void uploadTexture(unsigned texture, const Image& image) {
  glBindTexture(GL_TEXTURE_2D, texture);
  // The reader gives rows without padding; GL would read each row as if it
  // were padded to 4 bytes, past the end of any width whose row is not.
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels);
  glPopClientAttrib();
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void deleteRoomTextures(RoomTextures& textures) {
  glDeleteTextures(TEXTURE_COUNT, textures.names);
  textures = RoomTextures{};
}

bool loadRoomTextures(RoomTextures& textures, const std::string& dataFolder) {
  Image* images[TEXTURE_COUNT];
  bool allLoaded = true;
  // Every file is tried, so each unreadable one gets its own message.
  for (int k = 0; k < TEXTURE_COUNT; ++k) {
    images[k] = loadDIBImage((dataFolder + textureFiles[k]).c_str());
    if (!images[k]) allLoaded = false;
  }
  if (!allLoaded) {
    freeImages(images);
    return false;
  }
  glGenTextures(TEXTURE_COUNT, textures.names);
  for (int k = 0; k < TEXTURE_COUNT; ++k) uploadTexture(textures.names[k], *images[k]);
  freeImages(images);
  return true;
}

void drawRoom(const RoomTextures& textures) {
  glEnable(GL_TEXTURE_2D);
  glColor3f(1.0f, 1.0f, 1.0f);
  for (float X = -2000.0f; X <= 2000.0f; X += 500.0f) {
    // The wall row that belongs to this floor column.
    const float y0 = X + FLOOR_Y + ROOM_HALF - TILE_HALF;
    const float y1 = X + FLOOR_Y + ROOM_HALF + TILE_HALF;
    for (float Z = -2000.0f; Z <= 2000.0f; Z += 500.0f) {
      floorTile(textures, X, Z);
      wallTiles(textures, Z, y0, y1);
    }
  }
  glDisable(GL_TEXTURE_2D);
}
