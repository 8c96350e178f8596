#include "view/offscreen_view.h"

#include "platform/core_messages.h"
#include "platform/gl_offscreen.h"
#include "view/camera_gl.h"
#include "view/scene.h"

namespace {
void showError(const std::string& text) { showMessage(text.c_str(), "Erreur", ICON_EXCLAMATION); }
}  // namespace

bool openOffscreenView(OffscreenView& offscreen, int width, int height, const std::string& dataFolder) {
  std::string reason;
  if (!createOffscreenContext(width, height, &reason)) {
    showError("Ne peut pas créer un GL rendering context. (" + reason + ")");
    return false;
  }
  Camera size;
  setViewport(size, width, height);
  loadCameraProjection(size);
  if (!startRenderer(offscreen.renderer, dataFolder)) {
    destroyOffscreenContext();
    offscreen = OffscreenView{};
    showError("Initialization ratée(initgl)");
    return false;
  }
  offscreen.width = width;
  offscreen.height = height;
  return true;
}

std::string drawOffscreenPng(const OffscreenView& offscreen, const PieceRecord* table, const ViewState& view) {
  const int w = view.camera.viewportWidth, h = view.camera.viewportHeight;
  if (!offscreenContextCurrent() || w > offscreen.width || h > offscreen.height) return "";
  loadCameraProjection(view.camera);
  drawScene(offscreen.renderer, table, view);
  return encodePng(w, h, readOffscreenPixels(w, h));
}

void closeOffscreenView(OffscreenView& offscreen) {
  destroyOffscreenContext();
  offscreen = OffscreenView{};
}
