// The offscreen view: an EGL context instead of the 3-D window, the same
// initialisation and drawing as on screen, and the frame written as PNG.
#include "shell/render_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "insertion/insertion.h"
#include "model/model_table.h"
#include "platform/core_messages.h"
#include "platform/gl_offscreen.h"
#include "shell/documents.h"
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

// A device or a pipe (/dev/stdout, say) is written as it is; a file is
// replaced whole through a temporary file, so a failed write leaves the old
// file, and nothing is ever deleted.
bool writeOutputFile(const char* path, const std::string& bytes, std::string* reason) {
  std::string ignored;
  std::string& why = reason ? *reason : ignored;
  if (!path || !*path) return false;
  struct stat st;
  if (::stat(path, &st) != 0 || S_ISREG(st.st_mode)) {
    DocumentError error = DocumentError::None;
    if (writeFileAtomically(path, bytes, &error)) return true;
    why = documentErrorReason(error);
    return false;
  }
  if (S_ISDIR(st.st_mode)) return why = "Ce chemin est un dossier.", false;
  const int fd = ::open(path, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return why = errno == ENXIO ? "Aucun programme ne lit ce tube." : std::strerror(errno), false;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += size_t(n);
  }
  return ::close(fd) == 0 && done == bytes.size();
}

int renderCurrentModelToPng(const char* pngPath, bool room, uint32_t mode) {
  if (!offscreenContextCurrent()) {
    showError("Pas de vue OpenGL hors écran pour dessiner le modèle");
    return 1;
  }
  showRoom = room ? 1 : 0;
  displayMode = mode;
  const std::string png = drawCurrentViewPng();
  if (png.empty() || !writeOutputFile(pngPath, png)) {
    showError(std::string("Impossible d'écrire l'image ") + (pngPath ? pngPath : ""));
    return 1;
  }
  return 0;
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
