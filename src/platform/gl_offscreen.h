// Offscreen OpenGL without any display: an EGL context on Mesa's surfaceless
// platform with a framebuffer (colour and depth) of a given size. Used by
// --render and by the tests.
#pragma once

#include <string>
#include <vector>

// Makes a compatibility-profile context current with a width x height
// framebuffer bound. False (with a reason in error) when none can be made.
bool createOffscreenContext(int width, int height, std::string* error = nullptr);
// Releases the context and its framebuffer; the EGL display stays open for
// the next context of the process.
void destroyOffscreenContext();
bool offscreenContextCurrent();
// Lends the thread to another context (a window's, drawn while an export
// runs) and takes it back, the context's framebuffer and state as they were.
void suspendOffscreenContext();
bool resumeOffscreenContext();

// The framebuffer's pixels as RGB rows, top row first.
std::vector<unsigned char> readOffscreenPixels(int width, int height);

// RGB rows (top row first) as the bytes of an 8-bit PNG file; empty when
// they cannot be encoded. The caller writes the file, so that a failed write
// never costs the user a file (libpng's own writer deletes the path it was
// given when writing fails, even a device). FAST compresses less, in a
// third of the time, for the many pictures of a booklet; DEFAULT makes the
// same bytes for the same pixels with every libpng and zlib we meet, which
// the expected images of the tests rely on.
enum class PngCompression { DEFAULT, FAST };
std::string encodePng(int width, int height, const std::vector<unsigned char>& rgb,
                      PngCompression compression = PngCompression::DEFAULT);
