// The halo is found on the picture rather than drawn as geometry: once the
// frame is read, the outlined pieces are drawn a second time in white over
// a cleared picture, where they pass the depth test of the finished frame,
// which marks the pixels where they show; the rings are then the pixels at a
// short distance from those. Wide lines or shifted copies of the meshes cost the
// software GL far more than the whole frame.
#include "view/outline_halo.h"

#include <GL/gl.h>

#include <algorithm>
#include <cstring>

#include "platform/gl_offscreen.h"
#include "view/camera_gl.h"
#include "view/scene.h"
#include "view/visible_pieces.h"

namespace {

constexpr unsigned char DARK_RING[3] = {0, 0, 0};
constexpr unsigned char OUTER_RING[3] = {0, 255, 255};

bool hasOutlinedPieces(const ViewState& view) {
  return view.pieceLooks && std::any_of(view.pieceLooks, view.pieceLooks + MODEL_CAPACITY,
                                        [](uint8_t look) { return look == LOOK_OUTLINED; });
}

// Draws the outlined pieces again, over the frame's depths and a black
// picture, as the frame drew them; the pixels where they are in front turn
// white (the logic operation sets every bit, whatever a piece's colour and
// light), all others stay black. Returns the red channel, rows top first.
std::vector<unsigned char> outlinedPixels(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  std::vector<uint8_t> looks(view.pieceLooks, view.pieceLooks + MODEL_CAPACITY);
  for (uint8_t& look : looks) look = look == LOOK_OUTLINED ? LOOK_OWN_COLOURS : LOOK_HIDDEN;
  ViewState marking = view;
  marking.pieceLooks = looks.data();
  marking.displayMode = DISPLAY_SOLIDS;
  marking.ghost.shown = false;
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glClearColor(clear[0], clear[1], clear[2], clear[3]);
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_POLYGON_BIT);
  glEnable(GL_COLOR_LOGIC_OP);
  glLogicOp(GL_SET);
  glDepthMask(GL_FALSE);
  glDepthFunc(GL_LEQUAL);
  // The same faces at the same depths: pulled a little closer, they pass
  // even where the GL rounds a second drawing differently.
  glEnable(GL_POLYGON_OFFSET_FILL);
  glPolygonOffset(-1.0f, -1.0f);
  loadCameraModelview(view.camera);
  if (view.drawing.fast)
    drawVisiblePieces(renderer, table, marking);
  else
    drawModelTrees(renderer, table, marking);
  glPopAttrib();
  const int width = view.camera.viewportWidth, height = view.camera.viewportHeight;
  std::vector<unsigned char> bottomUp(size_t(width) * size_t(height)), mask(bottomUp.size());
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RED, GL_UNSIGNED_BYTE, bottomUp.data());
  for (int row = 0; row < height; ++row)
    std::memcpy(&mask[size_t(row) * size_t(width)], &bottomUp[size_t(height - 1 - row) * size_t(width)],
                size_t(width));
  return mask;
}

// Chamfer distances (3 along a row or column, 4 across a corner, so 3 per
// pixel) from every pixel to the nearest one of the mask, in two sweeps.
std::vector<int> maskDistances(const std::vector<unsigned char>& mask, int width, int height) {
  constexpr int FAR = 1 << 28;
  std::vector<int> d(mask.size());
  for (size_t i = 0; i < mask.size(); ++i) d[i] = mask[i] ? 0 : FAR;
  const auto at = [&](int x, int y) -> int& { return d[size_t(y) * size_t(width) + size_t(x)]; };
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int& here = at(x, y);
      if (x > 0) here = std::min(here, at(x - 1, y) + 3);
      if (y > 0) {
        here = std::min(here, at(x, y - 1) + 3);
        if (x > 0) here = std::min(here, at(x - 1, y - 1) + 4);
        if (x + 1 < width) here = std::min(here, at(x + 1, y - 1) + 4);
      }
    }
  for (int y = height - 1; y >= 0; --y)
    for (int x = width - 1; x >= 0; --x) {
      int& here = at(x, y);
      if (x + 1 < width) here = std::min(here, at(x + 1, y) + 3);
      if (y + 1 < height) {
        here = std::min(here, at(x, y + 1) + 3);
        if (x + 1 < width) here = std::min(here, at(x + 1, y + 1) + 4);
        if (x > 0) here = std::min(here, at(x - 1, y + 1) + 4);
      }
    }
  return d;
}

}  // namespace

void addOutlineHalo(std::vector<unsigned char>& rgb, const std::vector<unsigned char>& mask, int width, int height) {
  if (width < 1 || height < 1 || mask.size() != size_t(width) * size_t(height) || rgb.size() != 3 * mask.size())
    return;
  const int dark = 3 * std::max(1, height / 200), outer = dark + 3 * std::max(2, height / 120);
  const std::vector<int> distance = maskDistances(mask, width, height);
  for (size_t i = 0; i < mask.size(); ++i) {
    if (distance[i] == 0 || distance[i] > outer) continue;
    const unsigned char* ring = distance[i] <= dark ? DARK_RING : OUTER_RING;
    std::copy(ring, ring + 3, &rgb[3 * i]);
  }
}

std::vector<unsigned char> drawScenePixels(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  const int w = view.camera.viewportWidth, h = view.camera.viewportHeight;
  drawScene(renderer, table, view);
  std::vector<unsigned char> rgb = readOffscreenPixels(w, h);
  if (!rgb.empty() && hasOutlinedPieces(view)) addOutlineHalo(rgb, outlinedPixels(renderer, table, view), w, h);
  return rgb;
}
