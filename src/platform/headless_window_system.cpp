// The window system without a display: no real window and no GL context can
// be made, so the desktop program stops at its first window. A headless
// window (a procedure and nothing else) receives the messages the tests send
// and its destruction; there are no events to pump and no keys to release.
#include "platform/window_system.h"

#include <algorithm>
#include <chrono>
#include <thread>

struct PlatformWindow {
  WindowProc proc = nullptr;
  // The panes: a message list's items, a status bar's text.
  std::vector<MessageListItem> items;
  LinePicked linePicked = nullptr;
  std::string text;
  std::vector<int> checked;  // a main window's checked menu commands
};

WindowHandle createMainWindow(const char*, int, int, int, int, WindowProc, const MenuEntry*, int) {
  return nullptr;
}

void setMenuEntries(WindowHandle mainWindow, const MenuEntry*, int) {
  if (mainWindow) mainWindow->checked.clear();
}

void setMenuItemChecked(WindowHandle mainWindow, int command, bool checked) {
  if (!mainWindow) return;
  std::vector<int>& marks = mainWindow->checked;
  marks.erase(std::remove(marks.begin(), marks.end(), command), marks.end());
  if (checked) marks.push_back(command);
}

bool menuItemChecked(WindowHandle mainWindow, int command) {
  return mainWindow && std::count(mainWindow->checked.begin(), mainWindow->checked.end(), command) > 0;
}

WindowPlacement windowPlacement(WindowHandle) { return {}; }
PaneDividers paneDividers(WindowHandle) { return {}; }
void movePaneDividers(WindowHandle, PaneDividers) {}

WindowHandle createEditorControl(WindowHandle, int, int, int, int) { return nullptr; }

Editor editorOfControl(WindowHandle) { return Editor{}; }

void setEditorStyling(WindowHandle, const EditorStyling&) {}

void useEditorClipboard(WindowHandle, ClipboardAction) {}

WindowHandle createGlChildWindow(WindowHandle, const char*, int, int, int, int, WindowProc,
                                 GlWindowFailure* failure) {
  *failure = GlWindowFailure::WindowCreation;
  return nullptr;
}

// The panes exist without a parent, so the tests can read them.
WindowHandle createMessageList(WindowHandle, int, int, int, int, LinePicked linePicked) {
  PlatformWindow* w = new PlatformWindow;
  w->linePicked = linePicked;
  return w;
}

void setMessageListItems(WindowHandle list, const std::vector<MessageListItem>& items) {
  if (list) list->items = items;
}

std::vector<std::string> messageListItems(WindowHandle list) {
  std::vector<std::string> texts;
  if (list)
    for (const MessageListItem& item : list->items) texts.push_back(item.text);
  return texts;
}

void pickMessageListItem(WindowHandle list, int index) {
  if (list && list->linePicked && index >= 0 && size_t(index) < list->items.size())
    list->linePicked(list->items[size_t(index)].line);
}

WindowHandle createStatusBar(WindowHandle, int, int, int, int) { return new PlatformWindow; }

void setStatusText(WindowHandle bar, const std::string& utf8) {
  if (bar) bar->text = utf8;
}

std::string statusText(WindowHandle bar) { return bar ? bar->text : ""; }

void swapGlBuffers(WindowHandle) {}

void drawGlWindowText(WindowHandle, const std::vector<std::string>&) {}

void releaseGlWindowContext(WindowHandle) {}

void makeGlWindowCurrent(WindowHandle) {}

bool glWindowIsCurrent(WindowHandle) { return false; }

WindowHandle createHeadlessWindow(WindowProc proc) {
  PlatformWindow* w = new PlatformWindow;
  w->proc = proc;
  return w;
}

void showWindow(WindowHandle) {}

namespace {
WindowHandle focused = nullptr;  // the window last given the keyboard
}

void destroyWindow(WindowHandle window) {
  if (!window) return;
  if (focused == window) focused = nullptr;
  if (window->proc) window->proc(window, WM_DESTROY, 0, 0);
  delete window;
}

void setWindowText(WindowHandle, const char*) {}
void moveWindow(WindowHandle, int, int, int, int) {}
void setFocus(WindowHandle window) { focused = window; }
bool windowHasFocus(WindowHandle window) { return window && window == focused; }

void pumpMessages() {}

void watchTerminationSignal() {}

// No event will come: the time passes, as a wait for events would.
void waitForMessages(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

void releaseKeysNoLongerHeld() {}
