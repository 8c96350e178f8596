// The offscreen view: an EGL context instead of the 3-D window, the same
// initialisation and drawing as on screen, and the frame written as PNG.
#include "shell/render_command.h"

#include <string>
#include <vector>

#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "platform/core_safe_writer.h"
#include "platform/gl_offscreen.h"
#include "view/camera.h"
#include "view/offscreen_view.h"
#include "view/scene.h"

namespace {

// The offscreen view of the command line and the tests; each picture is
// drawn with a view state of its own.
OffscreenView offscreen;

void showError(const std::string& text) { showMessage(text.c_str(), "Erreur", ICON_EXCLAMATION); }

}  // namespace

bool startOffscreenView(int width, int height) { return openOffscreenView(offscreen, width, height, dataDir); }

ViewState offscreenStartView() {
  ViewState view;
  setViewport(view.camera, offscreen.width, offscreen.height);
  return view;
}

bool writePngFile(const std::string& path, const std::string& png) {
  const WriteResult written = png.empty() ? WriteResult{WriteProblem::OTHER, ""} : writeFileSafely(path, png);
  if (!written.ok())
    showError("Impossible d'écrire l'image " + path + (written.reason.empty() ? "" : " (" + written.reason + ")"));
  return written.ok();
}

int renderCurrentModelToPng(const char* pngPath, const ViewState& view) {
  if (!offscreenContextCurrent()) {
    showError("Pas de vue OpenGL hors écran pour dessiner le modèle");
    return 1;
  }
  ViewState frame = view;
  return writePngFile(pngPath ? pngPath : "", drawOffscreenFramePng(frame)) ? 0 : 1;
}

void drawOffscreenFrame(ViewState& view) {
  drawScene(offscreen.renderer, modelTable, view);
  axesLeaveLightingOn(view);
}

std::string drawOffscreenFramePng(ViewState& view) {
  drawOffscreenFrame(view);
  return encodePng(offscreen.width, offscreen.height, readOffscreenPixels(offscreen.width, offscreen.height));
}

const Renderer& offscreenRenderer() { return offscreen.renderer; }

void stopOffscreenView() { closeOffscreenView(offscreen); }

int renderModelToPng(const char* pngPath, int width, int height, bool room, uint32_t mode) {
  if (!startOffscreenView(width, height)) return 1;
  ViewState view = offscreenStartView();
  view.showRoom = room ? 1 : 0;
  view.displayMode = mode;
  const int status = renderCurrentModelToPng(pngPath, view);
  stopOffscreenView();
  return status;
}
