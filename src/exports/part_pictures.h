// Small pictures of the piece kinds for parts lists: one piece alone, in a
// given colour, seen three-quarters and fitted to the picture.
#pragma once

#include <string>

#include "view/renderer.h"

// Needs an offscreen context current, renderer's, and a framebuffer of at
// least size x size pixels. Draws in the framebuffer's lower-left size x
// size corner with a view state of its own and leaves the viewport,
// projection and clear colour as they were. The PNG file's bytes, or ""
// when there is no context or the picture cannot be encoded.
std::string kindPicturePng(const Renderer& renderer, int kind, const float colour[4], int size);
// PNG bytes as a data: URI for an <img> src.
std::string pngDataUri(const std::string& png);
