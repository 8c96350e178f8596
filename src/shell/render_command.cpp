// The offscreen view: an EGL context instead of the 3-D window, the same
// initialisation and drawing as on screen, and the frame written as PNG.
#include "shell/render_command.h"

#include <string>
#include <vector>

#include "insertion/insertion.h"
#include "model/model_table.h"
#include "platform/core_messages.h"
#include "platform/core_safe_writer.h"
#include "platform/gl_offscreen.h"
#include "shell/shared_state.h"
#include "view/camera.h"
#include "view/camera_gl.h"
#include "view/offscreen_view.h"
#include "view/scene.h"
#include "view/view_switches.h"

namespace {

// The offscreen view of the command line and the tests, drawn with the
// view state of currentViewState.
OffscreenView offscreen;

void showError(const std::string& text) { showMessage(text.c_str(), "Erreur", ICON_EXCLAMATION); }

}  // namespace

bool startOffscreenView(int width, int height) {
  if (!openOffscreenView(offscreen, width, height)) return false;
  setViewport(camera, width, height);
  lightingOn = lightingEnabled = 1;
  resetView(camera);
  showAxes = 1;
  showRoom = 0;
  insertionMode = 0;
  return true;
}

bool writePngFile(const std::string& path, const std::string& png) {
  const WriteResult written = png.empty() ? WriteResult{WriteProblem::OTHER, ""} : writeFileSafely(path, png);
  if (!written.ok())
    showError("Impossible d'écrire l'image " + path + (written.reason.empty() ? "" : " (" + written.reason + ")"));
  return written.ok();
}

int renderCurrentModelToPng(const char* pngPath, bool room, uint32_t mode) {
  if (!offscreenContextCurrent()) {
    showError("Pas de vue OpenGL hors écran pour dessiner le modèle");
    return 1;
  }
  showRoom = room ? 1 : 0;
  displayMode = mode;
  return writePngFile(pngPath ? pngPath : "", drawCurrentViewPng()) ? 0 : 1;
}

void drawCurrentView() {
  ViewState view = currentViewState();
  drawScene(offscreen.renderer, modelTable, view);
  axesLeaveLightingOn(view);
  lightingEnabled = view.lightingEnabled;
}

std::string drawCurrentViewPng() {
  drawCurrentView();
  return encodePng(offscreen.width, offscreen.height, readOffscreenPixels(offscreen.width, offscreen.height));
}

const Renderer& offscreenRenderer() { return offscreen.renderer; }

void stopOffscreenView() { closeOffscreenView(offscreen); }

int renderModelToPng(const char* pngPath, int width, int height, bool room, uint32_t mode) {
  if (!startOffscreenView(width, height)) return 1;
  const int status = renderCurrentModelToPng(pngPath, room, mode);
  stopOffscreenView();
  return status;
}
