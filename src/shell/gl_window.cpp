// The 3-D window: creation with its GL context and the view's data, release,
// and the window procedure of view navigation.
#include "shell/gl_window.h"

#include "insertion/insertion.h"
#include "platform/core_messages.h"
#include "platform/fltk_window_system.h"
#include "shell/gl_context.h"
#include "shell/key_switches.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "view/view_state.h"

WindowHandle hGlWindow = nullptr;
bool mouseMoved = false;

namespace {
const char* failureText(GlWindowFailure failure) {
  switch (failure) {
    case GlWindowFailure::WindowCreation: return "Window Creation Error.";
    case GlWindowFailure::PixelFormat: return "Ne peut pas trouver un pixelformat.";
    case GlWindowFailure::Context: return "Ne peut pas créer un GL rendering context.";
    default: return "Can't Activate the gl rendering context.";
  }
}

void turnOrMoveView(int x, int y, uintptr_t buttons) {
  const int dx = x - mouseX, dy = y - mouseY;
  const bool left = buttons & MK_LBUTTON, right = buttons & MK_RBUTTON;
  if (left && !right)
    rotateViewByDrag(dy, dx);
  else if (right && !left)
    translateView(dx, -dy, 0);
  else if (left && right)
    translateView(dx, 0, 4 * dy);
}
}  // namespace

bool createGlWindow(const char* title, int width, int height, int) {
  GlWindowFailure failure = GlWindowFailure::Nothing;
  hGlWindow = createGlChildWindow(hMainWindow, title, editorWidth, 0, width, height, glWindowProc, &failure);
  if (!hGlWindow) {
    destroyGlWindow();
    showMessage(failureText(failure), "Erreur", ICON_EXCLAMATION);
    return false;
  }
  setFocus(hGlWindow);
  resizeGlView(width, height);
  if (!initGl()) {
    destroyGlWindow();
    showMessage("Initialization ratée(initgl)", "Erreur", ICON_EXCLAMATION);
    return false;
  }
  return true;
}

void destroyGlWindow() {
  if (!hGlWindow) return;
  WindowHandle window = hGlWindow;
  hGlWindow = nullptr;
  destroyWindow(window);
}

intptr_t glWindowProc(WindowHandle, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const int x = loWord(uintptr_t(lParam)), y = hiWord(uintptr_t(lParam));
  switch (message) {
    case WM_ACTIVATE: windowActive = hiWord(wParam) == 0; return 0;
    case WM_SYSCOMMAND: return 0;  // the screen saver and monitor power-off are swallowed too
    case WM_CLOSE: postQuitMessage(0); return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: recordKeyDown(int(wParam)); return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP: recordKeyUp(int(wParam)); return 0;
    case WM_SIZE: resizeGlView(x, y); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      setFocus(hMainWindow);
      windowActive = 1;
      mouseMoved = false;
      mouseX = x;
      mouseY = y;
      return 0;
    case WM_MOUSEMOVE:
      turnOrMoveView(x, y, wParam);
      mouseX = x;
      mouseY = y;
      mouseMoved = true;
      return 0;
    case WM_LBUTTONUP:
      if (!mouseMoved && insertionMode) insertPiece(nullptr);
      return 0;
    case WM_MBUTTONDOWN:
      if (insertionMode) insertPiece(nullptr);
      return 0;
    case WM_MOUSEWHEEL: return handleInsertionWheel(uint32_t(wParam));
    default: return 0;
  }
}
