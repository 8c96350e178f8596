// The window system without a display: no real window and no GL context can
// be made, so the desktop program stops at its first window. A headless
// window (a procedure and nothing else) receives the messages the tests send
// and its destruction; there are no events to pump and no keys to release.
#include "platform/window_system.h"

#include <chrono>
#include <thread>

struct PlatformWindow {
  WindowProc proc = nullptr;
};

WindowHandle createMainWindow(const char*, int, int, int, int, WindowProc, const MenuEntry*, int) {
  return nullptr;
}

WindowHandle createEditorControl(WindowHandle, int, int, int, int) { return nullptr; }

Editor editorOfControl(WindowHandle) { return Editor{}; }

void setEditorStyler(WindowHandle, LineStyler) {}

WindowHandle createGlChildWindow(WindowHandle, const char*, int, int, int, int, WindowProc,
                                 GlWindowFailure* failure) {
  *failure = GlWindowFailure::WindowCreation;
  return nullptr;
}

void swapGlBuffers(WindowHandle) {}

WindowHandle createHeadlessWindow(WindowProc proc) { return new PlatformWindow{proc}; }

void showWindow(WindowHandle) {}

void destroyWindow(WindowHandle window) {
  if (!window) return;
  if (window->proc) window->proc(window, WM_DESTROY, 0, 0);
  delete window;
}

void setWindowText(WindowHandle, const char*) {}
void moveWindow(WindowHandle, int, int, int, int) {}
void setFocus(WindowHandle) {}

void pumpMessages() {}

// No event will come: the time passes, as a wait for events would.
void waitForMessages(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

void releaseKeysNoLongerHeld() {}
