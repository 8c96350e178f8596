// Windows BMP (device-independent bitmap) reader for the room textures.
#pragma once

#include <cstdint>

// width x height pixels, 3 bytes each (red, green, blue), bottom row first,
// no padding between rows.
struct Image {
  int32_t width;
  int32_t height;
  unsigned char* pixels;
};

// Reads a BMP file ("BM" files and bare bitmaps). On failure shows a message
// captioned "Error" and returns nullptr. The caller frees with freeImage.
Image* loadDIBImage(const char* path);
void freeImage(Image* image);
