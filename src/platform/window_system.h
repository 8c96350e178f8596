// The window system of the desktop program, whatever toolkit runs it: the
// main window with its menu bar, the editor control, the 3-D child window
// with its GL context, focus and the event pump. The toolkit's events reach
// the program as the window messages of core_window_messages.h, sent to each
// window's procedure. Two backends implement this header and the build links
// one: FLTK (fltk_window_system.cpp) and headless
// (headless_window_system.cpp), which has no display, so it makes no real
// window and no GL context. Handles may be null, and a headless window (a
// procedure without any widget) stands in for a real one; every call below
// accepts both.
#pragma once

#include <string>
#include <vector>

#include "platform/core_editor.h"
#include "platform/core_window_messages.h"

// Menu shortcuts: a lower-case letter with these, shown beside the item;
// with SHORTCUT_KEY, a virtual-key code of core_window_messages.h (VK_F1 to
// VK_F12, VK_HOME) instead of a letter.
constexpr int SHORTCUT_SHIFT = 1 << 16;
constexpr int SHORTCUT_CTRL = 1 << 18;
constexpr int SHORTCUT_KEY = 1 << 20;

// One menu command: "Menu/Item" for an item of a menu, "Item" for an item of
// the menu bar itself; "&" marks the access key ("&&" is an ampersand) and
// "\/" is a slash within a name. A hidden entry is only a second shortcut
// for its command.
struct MenuEntry {
  const char* path;
  int command;
  int shortcut = 0;
  bool hidden = false;
  // The shortcut is shown but its key goes on where keys go (the editor's
  // own keys, the view's key switches): the item acts only when chosen.
  bool keyShownOnly = false;
  bool check = false;  // a check item, marked by setMenuItemChecked
};

// A top-level window whose client area below the menu bar is clientWidth x
// clientHeight. Menu choices arrive as WM_COMMAND with the entry's command,
// from the menu or from its shortcuts, whichever child has the keys. The
// client area is divided into panes, the editor's and the view's: the user
// drags the divider between them, and each pane hears its new size (the
// view as WM_SIZE); the window system lays them out, so the main window's
// own WM_SIZE needs no answer.
WindowHandle createMainWindow(const char* title, int x, int y, int clientWidth, int clientHeight,
                              WindowProc proc, const MenuEntry* menu, int menuCount);
// The main window's menu made anew from these entries (its items' marks
// cleared).
void setMenuEntries(WindowHandle mainWindow, const MenuEntry* menu, int menuCount);
// The mark of the check items of this command.
void setMenuItemChecked(WindowHandle mainWindow, int command, bool checked);
bool menuItemChecked(WindowHandle mainWindow, int command);

// The position of a top-level window on the screen and the size of its
// client area (below the menu bar), as the user left them.
struct WindowPlacement {
  int x = 0, y = 0, width = 0, height = 0;
};
WindowPlacement windowPlacement(WindowHandle window);
// The main window's panes meet at two dividers: the one left of the view
// (x in the client area) and the one above the message list (y).
struct PaneDividers {
  int viewLeft = 0, listTop = 0;
};
PaneDividers paneDividers(WindowHandle mainWindow);
// Moves them as a drag of the user would, within the panes' limits.
void movePaneDividers(WindowHandle mainWindow, PaneDividers dividers);

// The script editor in the parent's client area: a fixed-width font, line
// numbers, no wrapping, horizontal scrolling. Its Editor comes from
// editorOfControl. F1 to F12 and Escape pressed in it reach the parent's
// procedure as key messages, as when the parent has the keys; the keys that
// edit text stay with the editor.
WindowHandle createEditorControl(WindowHandle parent, int x, int y, int width, int height);
Editor editorOfControl(WindowHandle control);
// The editor's colours, given line by line by the styling's styler.
void setEditorStyling(WindowHandle control, const EditorStyling& styling);
// The clipboard, as the editor's own keys use it: the selection cut or
// copied, or the clipboard's text put in its place.
enum class ClipboardAction { CUT, COPY, PASTE };
void useEditorClipboard(WindowHandle control, ClipboardAction action);

// The list of the last compile's messages under the editor, one item a
// message. A click on an item calls linePicked with the line the item was
// given (0: none). The list keeps its height when the window changes size
// (the editor above it takes the difference); it is made at least
// messageListMinHeight high, at the bottom of the client area.
constexpr int messageListMinHeight = 40;
using LinePicked = void (*)(int line);
struct MessageListItem {
  int line;
  std::string text;  // UTF-8, one line
};
WindowHandle createMessageList(WindowHandle parent, int x, int y, int width, int height, LinePicked linePicked);
void setMessageListItems(WindowHandle list, const std::vector<MessageListItem>& items);
std::vector<std::string> messageListItems(WindowHandle list);
// What a click on the item (from 0) does; nothing outside the list.
void pickMessageListItem(WindowHandle list, int index);

// One line of text along the bottom of the main window, under its client
// area, which loses the bar's height.
WindowHandle createStatusBar(WindowHandle parent, int x, int y, int width, int height);
void setStatusText(WindowHandle bar, const std::string& utf8);
std::string statusText(WindowHandle bar);

enum class GlWindowFailure { Nothing, WindowCreation, PixelFormat, Context, MakeCurrent };
// The divider left of the 3-D child window is this wide: the pane left of it
// ends there.
constexpr int viewDividerWidth = 4;
// A child window with a double-buffered RGBA format and a depth buffer
// (24 bits where offered), shown, its context made current and kept current,
// vertical sync asked for where the driver offers it. On failure returns null
// and says which step failed.
WindowHandle createGlChildWindow(WindowHandle parent, const char* title, int x, int y, int width, int height,
                                 WindowProc proc, GlWindowFailure* failure);
void swapGlBuffers(WindowHandle glWindow);
// Lines of text (UTF-8) written over the frame drawn in the window's back
// buffer, before it is shown: light on the view's dark background, from
// its top left corner.
void drawGlWindowText(WindowHandle glWindow, const std::vector<std::string>& lines);
// The window's context is let go while another one (the offscreen view of
// an export) is current: the GL library refuses a second current context
// in one thread. Made current again after, whatever the toolkit believes.
void releaseGlWindowContext(WindowHandle glWindow);
void makeGlWindowCurrent(WindowHandle glWindow);
// The window's context is the current one (not let go for another).
bool glWindowIsCurrent(WindowHandle glWindow);

// A window that only has a procedure: messages, focus and destruction work,
// nothing is shown.
WindowHandle createHeadlessWindow(WindowProc proc);

void showWindow(WindowHandle window);
// Sends WM_DESTROY to the window's procedure, then removes the window.
void destroyWindow(WindowHandle window);
void setWindowText(WindowHandle window, const char* utf8);
// Position and size in the parent's client area.
void moveWindow(WindowHandle window, int x, int y, int width, int height);
void setFocus(WindowHandle window);
// Whether the window itself (not a child of it) has the keyboard.
bool windowHasFocus(WindowHandle window);

// Handles every pending event without waiting.
void pumpMessages();
// From the first termination signal on (platform/core_termination.h),
// whichever event loop runs (the main one, a modal box's, a progress
// window's) answers it, then closes the modal boxes shown as if cancelled;
// the dialogs open no new one after that. Headless, the caller's loop asks
// terminationSignal itself.
void watchTerminationSignal();
// Sleeps until an event arrives or the time is up.
void waitForMessages(double seconds);

// Keys recorded as held whose key-up went elsewhere (to a modal box, or to a
// window without the focus) are released: their WM_KEYUP is sent to the
// window that had their key-down.
void releaseKeysNoLongerHeld();
