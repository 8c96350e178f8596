#include "exports/part_pictures.h"

#include <GL/gl.h>

#include <algorithm>
#include <vector>

#include "pieces/kind_mesh.h"
#include "platform/gl_offscreen.h"
#include "view/camera_gl.h"
#include "view/scene.h"

namespace {
// A mid-light grey: white and yellow pieces stand out from it as well as
// dark ones.
constexpr float BACKGROUND = 0.8f;

void drawKindAlone(const Renderer& renderer, int kind, const float colour[4], int size) {
  PieceRecord piece{};
  piece.kind = int16_t(kind);
  std::copy(colour, colour + 4, piece.colour);
  setIdentity(piece.matrix);
  std::vector<Point3> corners;
  addPlacedCorners(corners, kindBounds(kind), piece.matrix);
  ViewState view;
  // Solids only: at this size the edge lines of a connector would cover it.
  view.displayMode = DISPLAY_SOLIDS;
  setViewport(view.camera, size, size);
  fitView(view.camera, corners, THREE_QUARTER_VIEW);
  loadCameraProjection(view.camera);
  loadCameraModelview(view.camera);
  glScissor(0, 0, size, size);
  glEnable(GL_SCISSOR_TEST);
  glClearColor(BACKGROUND, BACKGROUND, BACKGROUND, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // Lit whatever the view's switches say: the same picture every time.
  glEnable(GL_LIGHTING);
  drawPiece(renderer, piece, view);
}
}  // namespace

std::string kindPicturePng(const Renderer& renderer, int kind, const float colour[4], int size) {
  if (!offscreenContextCurrent() || size <= 0) return "";
  // Not the current colour: Mesa restores it without the material that
  // follows it, and then takes the next piece's equal colour for no change,
  // leaving that piece in the colour drawn before it.
  glPushAttrib(GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_SCISSOR_BIT);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  drawKindAlone(renderer, kind, colour, size);
  const std::vector<unsigned char> pixels = readOffscreenPixels(size, size);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  return encodePng(size, size, pixels);
}

std::string pngDataUri(const std::string& png) {
  static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out = "data:image/png;base64,";
  for (size_t i = 0; i < png.size(); i += 3) {
    const size_t left = png.size() - i;
    unsigned bits = unsigned(static_cast<unsigned char>(png[i])) << 16;
    if (left > 1) bits |= unsigned(static_cast<unsigned char>(png[i + 1])) << 8;
    if (left > 2) bits |= unsigned(static_cast<unsigned char>(png[i + 2]));
    out += digits[(bits >> 18) & 63];
    out += digits[(bits >> 12) & 63];
    out += left > 1 ? digits[(bits >> 6) & 63] : '=';
    out += left > 2 ? digits[bits & 63] : '=';
  }
  return out;
}
