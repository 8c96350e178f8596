// The window system on FLTK 1.3. Each window is a PlatformWindow: a window
// procedure and the widget (if any) that feeds it. The widgets translate
// FLTK's events into the program's window messages: keys with virtual-key
// codes, buttons, mouse moves with button flags, the wheel, size changes and
// menu commands. FLTK's own key handling is kept out of the way: Escape does
// not close the main window, and the 3-D view takes every key it is given
// but the menu's. The main window's client area is an Fl_Tile of panes.
#include "platform/window_system.h"

#include <FL/Fl.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Tile.H>
#include <FL/Fl_Image_Surface.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <GL/glx.h>
#include <X11/XKBlib.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <cstring>
#include <vector>

#include "platform/core_termination.h"
#include "platform/fltk_editor.h"
#include "platform/fltk_widgets.h"

struct PlatformWindow {
  WindowProc proc = nullptr;
  Fl_Widget* widget = nullptr;  // null for a headless window
  PlatformWindow* parent = nullptr;
  std::vector<PlatformWindow*> children;
  int top = 0;  // height of the menu bar above the client area
  Fl_Menu_Bar* menuBar = nullptr;  // of a main window
  Fl_Group* panes = nullptr;       // of a main window: its client area
  std::vector<int> keyShownOnly;   // of a main window: commands whose shortcut is only shown
  Editor editor;
};

namespace {
// Keys whose key-down was delivered and whose key-up has not been: the FLTK
// key, and the window that was told.
struct HeldKey {
  int fltkKey = 0;
  PlatformWindow* window = nullptr;
};
HeldKey heldKeys[256];

intptr_t send(PlatformWindow* w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return w && w->proc ? w->proc(w, message, wParam, lParam) : 0;
}

// ------------------------------------------------------------ key codes

int virtualKeyOfCharacter(int c) {
  if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
  if ((c >= '0' && c <= '9') || c == ' ') return c;
  switch (c) {
    case ';': return VK_OEM_1;
    case '=': return VK_OEM_PLUS;
    case ',': return VK_OEM_COMMA;
    case '-': return VK_OEM_MINUS;
    case '.': return VK_OEM_PERIOD;
    case '/': return VK_OEM_2;
    case '`': return VK_OEM_3;
    case '[': return VK_OEM_4;
    case '\\': return VK_OEM_5;
    case ']': return VK_OEM_6;
    case '\'': return VK_OEM_7;
    default: return 0;
  }
}

int virtualKeyOfSpecial(int key) {
  if (key >= FL_F + 1 && key <= FL_F + 24) return VK_F1 + key - FL_F - 1;
  if (key >= FL_KP + '0' && key <= FL_KP + '9') return VK_NUMPAD0 + key - FL_KP - '0';
  switch (key) {
    case FL_BackSpace: return VK_BACK;
    case FL_Tab: return VK_TAB;
    case FL_Enter: case FL_KP_Enter: return VK_RETURN;
    case FL_Shift_L: case FL_Shift_R: return VK_SHIFT;
    case FL_Control_L: case FL_Control_R: return VK_CONTROL;
    case FL_Alt_L: case FL_Alt_R: return VK_MENU;
    case FL_Pause: return VK_PAUSE;
    case FL_Caps_Lock: return VK_CAPITAL;
    case FL_Escape: return VK_ESCAPE;
    case FL_Page_Up: return VK_PRIOR;
    case FL_Page_Down: return VK_NEXT;
    case FL_End: return VK_END;
    case FL_Home: return VK_HOME;
    case FL_Left: return VK_LEFT;
    case FL_Up: return VK_UP;
    case FL_Right: return VK_RIGHT;
    case FL_Down: return VK_DOWN;
    case FL_Insert: return VK_INSERT;
    case FL_Delete: return VK_DELETE;
    case FL_Num_Lock: return VK_NUMLOCK;
    case FL_Scroll_Lock: return VK_SCROLL;
    case FL_KP + '*': return VK_MULTIPLY;
    case FL_KP + '+': return VK_ADD;
    case FL_KP + '-': return VK_SUBTRACT;
    case FL_KP + '.': return VK_DECIMAL;
    case FL_KP + '/': return VK_DIVIDE;
    default: return 0;
  }
}

// The top row's digit keys keep their codes whatever the layout prints on
// them (on a French keyboard the 1 key types "&").
int virtualKeyOfEvent() {
  if (fl_xevent && (fl_xevent->type == KeyPress || fl_xevent->type == KeyRelease)) {
    const unsigned code = fl_xevent->xkey.keycode;
    if (code >= 10 && code <= 18) return int('1' + code - 10);
    if (code == 19) return '0';
  }
  const int key = Fl::event_key();
  return key < 0x100 ? virtualKeyOfCharacter(key) : virtualKeyOfSpecial(key);
}

// Delivers a key event to a window; returns false for keys without a code.
bool deliverKey(PlatformWindow* w, bool down, bool system) {
  const int vk = virtualKeyOfEvent();
  if (vk <= 0 || vk > 255) return false;
  if (down) {
    heldKeys[vk] = {Fl::event_key(), w};
    send(w, system ? WM_SYSKEYDOWN : WM_KEYDOWN, uintptr_t(vk), 1);
  } else {
    PlatformWindow* target = heldKeys[vk].window ? heldKeys[vk].window : w;
    heldKeys[vk] = {};
    send(target, system ? WM_SYSKEYUP : WM_KEYUP, uintptr_t(vk), 1);
  }
  return true;
}

// Alt with the access key of one of the menus, in either case (as FLTK
// tries it).
bool isMenuAccessKey(const Fl_Menu_Item* menu) {
  if (!(Fl::event_state() & FL_ALT) || Fl::event_length() != 1) return false;
  const int typed = std::tolower(static_cast<unsigned char>(Fl::event_text()[0]));
  for (const Fl_Menu_Item* m = menu; m && m->text; m = m->next()) {
    const unsigned key = Fl_Widget::label_shortcut(m->text);
    if (key < 128 && std::tolower(int(key)) == typed) return true;
  }
  return false;
}

int commandOf(const Fl_Menu_Item* item) { return int(reinterpret_cast<intptr_t>(item->user_data())); }

// The menu bar of the window's main window would take this key: one of its
// shortcuts (not one it only shows), or a menu's access key.
bool menuTakesKey(PlatformWindow* w) {
  while (w && w->parent) w = w->parent;
  if (!w || !w->menuBar || !w->menuBar->menu()) return false;
  const Fl_Menu_Item* menu = w->menuBar->menu();
  if (const Fl_Menu_Item* item = menu->test_shortcut())
    return std::find(w->keyShownOnly.begin(), w->keyShownOnly.end(), commandOf(item)) == w->keyShownOnly.end();
  return isMenuAccessKey(menu);
}

uintptr_t mouseFlags() {
  const int state = Fl::event_state();
  uintptr_t flags = 0;
  if (state & FL_BUTTON1) flags |= MK_LBUTTON;
  if (state & FL_BUTTON3) flags |= MK_RBUTTON;
  if (state & FL_BUTTON2) flags |= MK_MBUTTON;
  if (state & FL_SHIFT) flags |= MK_SHIFT;
  if (state & FL_CTRL) flags |= MK_CONTROL;
  return flags;
}

uint32_t buttonMessage(bool down) {
  switch (Fl::event_button()) {
    case FL_LEFT_MOUSE: return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case FL_RIGHT_MOUSE: return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default: return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  }
}

intptr_t mousePosition() { return makeLParam(Fl::event_x(), Fl::event_y()); }

void sendWheel(PlatformWindow* w) {
  const int delta = -Fl::event_dy() * WHEEL_DELTA;
  if (delta) send(w, WM_MOUSEWHEEL, (uintptr_t(uint16_t(delta)) << 16) | mouseFlags(), mousePosition());
}

// ------------------------------------------------------------ widgets

class MainWindowWidget : public Fl_Double_Window {
 public:
  MainWindowWidget(PlatformWindow* w, int x, int y, int width, int height, const char* title)
      : Fl_Double_Window(x, y, width, height, title), window(w) {}

  int handle(int event) override {
    const bool hasFocus = Fl::focus() == this;
    if (event == FL_FOCUS && restoreFocus()) return 1;
    if (event == FL_KEYBOARD || event == FL_KEYUP || event == FL_PUSH) rememberFocus();
    switch (event) {
      case FL_KEYBOARD:
        // Alt combinations and F10 belong to the menu bar, as system keys.
        if (hasFocus && !(Fl::event_state() & FL_ALT) && Fl::event_key() != FL_F + 10 && !menuTakesKey(window) &&
            deliverKey(window, true, false))
          return 1;
        break;
      case FL_KEYUP:
        if (deliverKey(window, false, false)) return 1;
        break;
      case FL_SHORTCUT:
        // A key with no widget holding the focus (the focus went to a box that
        // is gone): the main window takes the focus and the key, as Windows
        // gives the focus back to the window that had it.
        if (!Fl::focus() && !(Fl::event_state() & FL_ALT) && Fl::event_key() != FL_F + 10 &&
            deliverKey(window, true, false)) {
          Fl::focus(this);
          return 1;
        }
        break;
      case FL_HIDE:
      case FL_SHOW: tellChildrenMinimised(event == FL_HIDE && shown()); break;
      default: break;
    }
    const int used = Fl_Double_Window::handle(event);
    if (used || !hasFocus) return used;
    if (event == FL_PUSH && Fl::event_button() == FL_MIDDLE_MOUSE) {
      send(window, WM_MBUTTONDOWN, mouseFlags(), mousePosition());
      return 1;
    }
    if (event == FL_MOUSEWHEEL) {
      sendWheel(window);
      return 1;
    }
    return 0;
  }

  void resize(int x, int y, int width, int height) override {
    const bool sized = width != w() || height != h();
    Fl_Double_Window::resize(x, y, width, height);
    if (sized) send(window, WM_SIZE, 0, makeLParam(width, height - window->top));
  }

 // Like a Windows top-level window, the main window gives the keyboard focus
 // back to the widget that had it when it gets the focus again (after a
 // message box), instead of FLTK's first widget that takes it.
  void rememberFocus(Fl_Widget* widget = Fl::focus()) {
    if (widget && (widget == this || contains(widget))) focusHolder = std::make_unique<Fl_Widget_Tracker>(widget);
  }

 private:
  bool restoreFocus() {
    if (!focusHolder || !focusHolder->exists() || !focusHolder->widget()->visible_r()) return false;
    Fl::focus(focusHolder->widget());
    return true;
  }
  std::unique_ptr<Fl_Widget_Tracker> focusHolder;

  void tellChildrenMinimised(bool minimised) {
    for (PlatformWindow* child : window->children)
      send(child, WM_ACTIVATE, minimised ? (WA_INACTIVE | (1u << 16)) : WA_ACTIVE, 0);
  }
  PlatformWindow* window;
};

class GlViewWidget : public Fl_Gl_Window {
 public:
  GlViewWidget(PlatformWindow* w, int x, int y, int width, int height, const char* title)
      : Fl_Gl_Window(x, y, width, height, title), window(w) {}

  int handle(int event) override {
    switch (event) {
      case FL_FOCUS:
      case FL_UNFOCUS: return 1;
      // The pointer's entry is a move to where it entered; the view then
      // knows where the pointer is before it moves, and that it left.
      case FL_ENTER:
        if (inside()) send(window, WM_MOUSEMOVE, mouseFlags(), mousePosition());
        return 1;
      case FL_LEAVE: send(window, WM_MOUSELEAVE, 0, 0); return 1;
      case FL_KEYBOARD:
        if (menuTakesKey(window)) return 0;
        [[fallthrough]];
      case FL_KEYUP:
        deliverKey(window, event == FL_KEYBOARD, Fl::event_state() & FL_ALT);
        return 1;
      case FL_PUSH:
        send(window, buttonMessage(true), mouseFlags(), mousePosition());
        return 1;
      case FL_RELEASE:
        if (inside()) send(window, buttonMessage(false), mouseFlags(), mousePosition());
        return 1;
      case FL_MOVE:
      case FL_DRAG:
        // As on a window without mouse capture, moves outside are not seen.
        if (inside()) send(window, WM_MOUSEMOVE, mouseFlags(), mousePosition());
        return 1;
      case FL_MOUSEWHEEL: sendWheel(window); return 1;
      default: return Fl_Gl_Window::handle(event);
    }
  }

  void resize(int x, int y, int width, int height) override {
    const bool sized = width != w() || height != h();
    Fl_Gl_Window::resize(x, y, width, height);
    if (sized) send(window, WM_SIZE, 0, makeLParam(width, height));
  }

  // The program's main loop draws the view; FLTK's own redraws would only
  // show a stale back buffer. A damaged view (exposed, resized) asks the
  // loop for a frame instead.
  void flush() override {
    requestRedraw();
    drawFrameIfDialogOpen();
  }
  void draw() override {}

 private:
  bool inside() const {
    return Fl::event_x() >= 0 && Fl::event_y() >= 0 && Fl::event_x() < w() && Fl::event_y() < h();
  }
  PlatformWindow* window;
};

// F1 to F12 and Escape go to the parent window as if it had the keys; the
// menu's keys go to the menu; the rest edit the text.
class EditorControlWidget : public ScriptEditor {
 public:
  EditorControlWidget(PlatformWindow* w, int x, int y, int width, int height)
      : ScriptEditor(x, y, width, height), window(w) {}

  int handle(int event) override {
    if ((event == FL_KEYBOARD || event == FL_KEYUP) && isParentKey() &&
        deliverKey(window->parent, event == FL_KEYBOARD, false))
      return 1;
    if (event == FL_KEYBOARD && menuTakesKey(window)) return 0;
    return ScriptEditor::handle(event);
  }

 private:
  static bool isParentKey() {
    const int key = Fl::event_key();
    return !(Fl::event_state() & FL_ALT) && ((key >= FL_F + 1 && key <= FL_F + 12) || key == FL_Escape);
  }
  PlatformWindow* window;
};

int fltkKey(int shortcut) {
  if (!(shortcut & SHORTCUT_KEY)) return shortcut & 0xFFFF;
  const int key = shortcut & 0xFF;
  if (key >= VK_F1 && key <= VK_F12) return FL_F + key - VK_F1 + 1;
  return key == VK_HOME ? FL_Home : 0;
}

int fltkShortcut(int shortcut) {
  return fltkKey(shortcut) | (shortcut & SHORTCUT_CTRL ? FL_CTRL : 0) | (shortcut & SHORTCUT_SHIFT ? FL_SHIFT : 0);
}

// The client area: panes that the user resizes by dragging their borders.
// Fl_Tile moves the edges that lay at or beyond the right and bottom of its
// resizable box when the panes were laid out: the view's right edge, and
// the message list, made at the bottom below the box (and moved up after),
// so that the view takes the extra width and the editor the extra height.
// The box also bounds the drags: no pane gets narrower than minPane, and
// the list keeps messageListMinHeight.
class PanesTile : public Fl_Tile {
 public:
  using Fl_Tile::Fl_Tile;
  // Each child's edges as they were laid out (x, right, y, bottom), which
  // Fl_Tile::position takes to name the edge it moves.
  const int* laidOut(int child) { return sizes() + 8 + 4 * child; }
};

Fl_Tile* makePanes(int y, int width, int height) {
  constexpr int minPane = 120;
  PanesTile* tile = new PanesTile(0, y, width, height);
  Fl_Box* limits = new Fl_Box(minPane, y, width - 2 * minPane, std::max(1, height - messageListMinHeight));
  limits->box(FL_NO_BOX);
  tile->resizable(limits);
  tile->end();
  return tile;
}

// The pane whose corner (right-top, or left-bottom) is the tile's, or -1.
int paneAtCorner(Fl_Group* tile, bool rightTop) {
  for (int i = 0; i < tile->children(); ++i) {
    const Fl_Widget* c = tile->child(i);
    if (c == tile->resizable()) continue;
    if (rightTop && c->x() + c->w() == tile->x() + tile->w() && c->y() == tile->y()) return i;
    if (!rightTop && c->x() == tile->x() && c->y() + c->h() == tile->y() + tile->h()) return i;
  }
  return -1;
}

void menuChosen(Fl_Widget* menuBar, void* command) {
  PlatformWindow* w = static_cast<PlatformWindow*>(menuBar->user_data());
  send(w, WM_COMMAND, uintptr_t(reinterpret_cast<intptr_t>(command)), 0);
}

// Closing the main window asks its procedure; Escape (which FLTK turns into
// a close) is only a key for the main loop.
void mainWindowClosing(Fl_Widget*, void* data) {
  if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
  send(static_cast<PlatformWindow*>(data), WM_CLOSE, 0, 0);
}

// Every event of any of the program's windows, the editor's and the menus'
// included, may change what the view shows: the loop draws again.
int dispatchAndAskForFrame(int event, Fl_Window* window) {
  requestRedraw();
  return Fl::handle_(event, window);
}

void openDisplayOnce() {
  static bool opened = false;
  if (opened) return;
  opened = true;
  fl_open_display();
  Fl::event_dispatch(dispatchAndAskForFrame);
  // A held key then repeats as key-downs only, without key-ups in between.
  Bool supported = False;
  XkbSetDetectableAutoRepeat(fl_display, True, &supported);
}

void swapInterval(Fl_Gl_Window* widget) {
  using SwapEXT = void (*)(Display*, GLXDrawable, int);
  using SwapInt = int (*)(int);
  const Window drawable = fl_xid(widget);
  if (auto ext = reinterpret_cast<SwapEXT>(glXGetProcAddressARB((const GLubyte*)"glXSwapIntervalEXT"))) {
    const char* extensions = glXQueryExtensionsString(fl_display, fl_screen);
    if (extensions && std::strstr(extensions, "GLX_EXT_swap_control")) return ext(fl_display, drawable, 1);
  }
  for (const char* name : {"glXSwapIntervalMESA", "glXSwapIntervalSGI"})
    if (auto set = reinterpret_cast<SwapInt>(glXGetProcAddressARB((const GLubyte*)name))) {
      const char* extensions = glXQueryExtensionsString(fl_display, fl_screen);
      const char* wanted = name[13] == 'M' ? "GLX_MESA_swap_control" : "GLX_SGI_swap_control";
      if (extensions && std::strstr(extensions, wanted)) {
        set(1);
        return;
      }
    }
}

void adopt(PlatformWindow* parent, PlatformWindow* child) {
  child->parent = parent;
  if (parent) parent->children.push_back(child);
}

void forget(PlatformWindow* w) {
  if (w->parent) {
    auto& siblings = w->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
  }
  for (PlatformWindow* child : w->children) child->parent = nullptr;
  for (HeldKey& held : heldKeys)
    if (held.window == w) held = {};
}

Fl_Group* groupOf(PlatformWindow* parent) {
  if (parent && parent->panes) return parent->panes;
  return parent && parent->widget ? parent->widget->as_group() : nullptr;
}

// FLTK reads an item beginning with "_" as a divider: a file's name in a
// menu keeps it. Its escapes ("\\/", "\\\\") are the entries' own.
std::string fltkMenuPath(const char* path) {
  std::string escaped;
  for (const char* c = path; *c; ++c) {
    const bool startsItem = c == path || (c[-1] == '/' && (c - 1 == path || c[-2] != '\\'));
    if (*c == '_' && startsItem) escaped += '\\';
    escaped += *c;
    if (*c == '\\' && c[1]) escaped += *++c;
  }
  return escaped;
}
}  // namespace

// ------------------------------------------------------------ interface

WindowHandle createMainWindow(const char* title, int x, int y, int clientWidth, int clientHeight, WindowProc proc,
                              const MenuEntry* menu, int menuCount) {
  openDisplayOnce();
  // A place remembered from another screen: the window comes back onto this one.
  int sx, sy, sw, sh;
  Fl::screen_work_area(sx, sy, sw, sh, x, y);
  clientWidth = std::min(clientWidth, sw), clientHeight = std::min(clientHeight, sh - 25);
  x = std::clamp(x, sx, sx + sw - clientWidth), y = std::clamp(y, sy, std::max(sy, sy + sh - clientHeight - 25));
  PlatformWindow* w = new PlatformWindow;
  w->proc = proc;
  w->top = 25;
  MainWindowWidget* widget = new MainWindowWidget(w, x, y, clientWidth, clientHeight + w->top, title);
  widget->copy_label(title);
  Fl_Menu_Bar* bar = new Fl_Menu_Bar(0, 0, clientWidth, w->top);
  bar->user_data(w);
  w->menuBar = bar;
  setMenuEntries(w, menu, menuCount);
  w->panes = makePanes(w->top, clientWidth, clientHeight);
  widget->resizable(w->panes);
  widget->callback(mainWindowClosing, w);
  widget->size_range(500, 200);  // the view keeps some width beside the editor
  widget->end();
  w->widget = widget;
  return w;
}

void setMenuEntries(WindowHandle mainWindow, const MenuEntry* menu, int menuCount) {
  if (!mainWindow || !mainWindow->menuBar) return;
  Fl_Menu_Bar* bar = mainWindow->menuBar;
  bar->clear();
  mainWindow->keyShownOnly.clear();
  for (int i = 0; i < menuCount; ++i) {
    const MenuEntry& e = menu[i];
    const int flags = (e.hidden ? FL_MENU_INVISIBLE : 0) | (e.check ? FL_MENU_TOGGLE : 0);
    bar->add(fltkMenuPath(e.path).c_str(), fltkShortcut(e.shortcut), menuChosen,
             reinterpret_cast<void*>(intptr_t(e.command)), flags);
    if (e.keyShownOnly) mainWindow->keyShownOnly.push_back(e.command);
  }
}

void setMenuItemChecked(WindowHandle mainWindow, int command, bool checked) {
  if (!mainWindow || !mainWindow->menuBar) return;
  Fl_Menu_Bar* bar = mainWindow->menuBar;
  for (int i = 0; i < bar->size(); ++i) {
    Fl_Menu_Item& item = const_cast<Fl_Menu_Item&>(bar->menu()[i]);
    if (item.text && item.checkbox() && commandOf(&item) == command) checked ? item.set() : item.clear();
  }
}

bool menuItemChecked(WindowHandle mainWindow, int command) {
  if (!mainWindow || !mainWindow->menuBar) return false;
  const Fl_Menu_Bar* bar = mainWindow->menuBar;
  for (int i = 0; i < bar->size(); ++i) {
    const Fl_Menu_Item& item = bar->menu()[i];
    if (item.text && item.checkbox() && commandOf(&item) == command) return item.value() != 0;
  }
  return false;
}

WindowPlacement windowPlacement(WindowHandle window) {
  if (!window || !window->widget) return {};
  const Fl_Widget* w = window->widget;
  return {w->x(), w->y(), w->w(), w->h() - window->top};
}

PaneDividers paneDividers(WindowHandle mainWindow) {
  Fl_Group* tile = mainWindow ? mainWindow->panes : nullptr;
  if (!tile) return {};
  const int view = paneAtCorner(tile, true), list = paneAtCorner(tile, false);
  PaneDividers d;
  if (view >= 0) d.viewLeft = tile->child(view)->x() - tile->x();
  if (list >= 0) d.listTop = tile->child(list)->y() - tile->y();
  return d;
}

void movePaneDividers(WindowHandle mainWindow, PaneDividers wanted) {
  PanesTile* tile = mainWindow ? static_cast<PanesTile*>(mainWindow->panes) : nullptr;
  if (!tile) return;
  const Fl_Widget* box = tile->resizable();
  const int view = paneAtCorner(tile, true), list = paneAtCorner(tile, false);
  if (view >= 0 && wanted.viewLeft > 0) {
    const int x = std::clamp(tile->x() + wanted.viewLeft, box->x(), box->x() + box->w());
    tile->position(tile->laidOut(view)[0], 0, x, 0);
  }
  if (list >= 0 && wanted.listTop > 0) {
    const int y = std::clamp(tile->y() + wanted.listTop, box->y(), box->y() + box->h());
    tile->position(0, tile->laidOut(list)[2], 0, y);
  }
  tile->redraw();
}

WindowHandle createEditorControl(WindowHandle parent, int x, int y, int width, int height) {
  Fl_Group* group = groupOf(parent);
  if (!group) return nullptr;
  PlatformWindow* w = new PlatformWindow;
  group->begin();
  EditorControlWidget* editor = new EditorControlWidget(w, x, y + parent->top, width, height);
  group->end();
  editor->box(FL_DOWN_FRAME);
  w->widget = editor;
  w->editor = makeFltkEditor(editor);
  adopt(parent, w);
  return w;
}

Editor editorOfControl(WindowHandle control) { return control ? control->editor : Editor{}; }

void useEditorClipboard(WindowHandle control, ClipboardAction action) {
  auto* editor = control ? static_cast<Fl_Text_Editor*>(control->widget) : nullptr;
  if (!editor) return;
  if (action == ClipboardAction::CUT) Fl_Text_Editor::kf_cut(0, editor);
  if (action == ClipboardAction::COPY) Fl_Text_Editor::kf_copy(0, editor);
  if (action == ClipboardAction::PASTE) Fl_Text_Editor::kf_paste(0, editor);
}

void setEditorStyling(WindowHandle control, const EditorStyling& styling) {
  if (control && control->widget) static_cast<ScriptEditor*>(control->widget)->setStyling(styling);
}

WindowHandle createGlChildWindow(WindowHandle parent, const char* title, int x, int y, int width, int height,
                                 WindowProc proc, GlWindowFailure* failure) {
  Fl_Group* group = groupOf(parent);
  *failure = GlWindowFailure::WindowCreation;
  if (!group) return nullptr;
  PlatformWindow* w = new PlatformWindow;
  w->proc = proc;
  // The view's pane: the divider, then the view. A press on the divider
  // (or on the border of the pane left of it) drags it, and never reaches
  // the view.
  group->begin();
  Fl_Group* pane = new Fl_Group(x - viewDividerWidth, y + parent->top, width + viewDividerWidth, height);
  pane->box(FL_FLAT_BOX);
  pane->color(fl_rgb_color(200, 200, 200));
  GlViewWidget* view = new GlViewWidget(w, x, y + parent->top, width, height, title);
  view->end();
  pane->resizable(view);
  pane->end();
  group->end();
  w->widget = view;
  adopt(parent, w);
  int deepDepth[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1,
                     GLX_DEPTH_SIZE, 24, 0};
  if (Fl_Gl_Window::can_do(deepDepth))
    view->mode(deepDepth);
  else
    view->mode(FL_RGB | FL_DOUBLE | FL_DEPTH);
  *failure = GlWindowFailure::PixelFormat;
  if (!view->can_do()) return destroyWindow(w), nullptr;
  view->show();
  *failure = GlWindowFailure::Context;
  if (!view->shown()) return destroyWindow(w), nullptr;
  view->make_current();
  if (!view->context()) return destroyWindow(w), nullptr;
  *failure = GlWindowFailure::MakeCurrent;
  if (!glXGetCurrentContext()) return destroyWindow(w), nullptr;
  swapInterval(view);
  *failure = GlWindowFailure::Nothing;
  return w;
}

void swapGlBuffers(WindowHandle glWindow) {
  if (glWindow && glWindow->widget) static_cast<Fl_Gl_Window*>(glWindow->widget)->swap_buffers();
}

// The lines as a picture whose alpha is the ink: drawn white on black on
// an offscreen surface by FLTK's own text drawing (GL's bitmap fonts lose
// the spaces), kept while the lines stay the same.
struct TextPicture {
  std::vector<std::string> lines;
  int width = 0, height = 0;
  std::vector<unsigned char> rgba;  // bottom row first, as glDrawPixels reads
};

TextPicture pictureOfLines(const std::vector<std::string>& lines) {
  TextPicture picture;
  picture.lines = lines;
  fl_font(FL_HELVETICA, 16);
  const int lineHeight = fl_height() + 6;
  for (const std::string& line : lines) picture.width = std::max(picture.width, int(fl_width(line.c_str())) + 4);
  picture.height = lineHeight * int(lines.size());
  if (picture.width <= 4) return picture;
  Fl_Image_Surface surface(picture.width, picture.height);
  surface.set_current();
  fl_color(FL_BLACK);
  fl_rectf(0, 0, picture.width, picture.height);
  fl_color(FL_WHITE);
  fl_font(FL_HELVETICA, 16);
  for (size_t i = 0; i < lines.size(); ++i) fl_draw(lines[i].c_str(), 2, int(i) * lineHeight + fl_height() - fl_descent());
  Fl_RGB_Image* image = surface.image();
  Fl_Display_Device::display_device()->set_current();
  const int depth = image->d();
  const auto* pixels = reinterpret_cast<const unsigned char*>(image->data()[0]);
  picture.rgba.resize(size_t(picture.width) * size_t(picture.height) * 4);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      unsigned char* out = &picture.rgba[(size_t(picture.height - 1 - y) * size_t(picture.width) + size_t(x)) * 4];
      out[0] = 240, out[1] = 235, out[2] = 190;  // a warm white on the dark view
      out[3] = pixels[(size_t(y) * size_t(picture.width) + size_t(x)) * size_t(depth)];
    }
  delete image;
  return picture;
}

// Drawn in pixels over whatever the frame left, blended by the ink; the GL
// state is put back as it was.
void drawGlWindowText(WindowHandle glWindow, const std::vector<std::string>& lines) {
  static TextPicture picture;
  auto* view = glWindow ? static_cast<Fl_Gl_Window*>(glWindow->widget) : nullptr;
  if (!view || lines.empty()) return;
  if (picture.lines != lines) picture = pictureOfLines(lines);
  if (picture.rgba.empty()) return;
  glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_VIEWPORT_BIT | GL_CURRENT_BIT | GL_PIXEL_MODE_BIT);
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glDisable(GL_DEPTH_TEST), glDisable(GL_LIGHTING), glDisable(GL_TEXTURE_2D), glDisable(GL_FOG);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glViewport(0, 0, view->pixel_w(), view->pixel_h());
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, view->pixel_w(), 0, view->pixel_h(), -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glRasterPos2i(24, std::max(0, view->pixel_h() - 30 - picture.height));
  glDrawPixels(picture.width, picture.height, GL_RGBA, GL_UNSIGNED_BYTE, picture.rgba.data());
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopClientAttrib();
  glPopAttrib();
}

void releaseGlWindowContext(WindowHandle glWindow) {
  if (glWindow && glWindow->widget) glXMakeCurrent(fl_display, None, nullptr);
}

// Straight to GLX: FLTK remembers the context it made current last and
// would skip the call, not knowing an EGL context was current meanwhile.
void makeGlWindowCurrent(WindowHandle glWindow) {
  auto* view = glWindow ? static_cast<Fl_Gl_Window*>(glWindow->widget) : nullptr;
  if (view && view->shown() && view->context())
    glXMakeCurrent(fl_display, fl_xid(view), static_cast<GLXContext>(view->context()));
}

bool glWindowIsCurrent(WindowHandle glWindow) {
  auto* view = glWindow ? static_cast<Fl_Gl_Window*>(glWindow->widget) : nullptr;
  return view && view->shown() && view->context() && glXGetCurrentContext() == view->context();
}

WindowHandle createHeadlessWindow(WindowProc proc) {
  PlatformWindow* w = new PlatformWindow;
  w->proc = proc;
  return w;
}

void showWindow(WindowHandle window) {
  if (!window || !window->widget) return;
  window->widget->show();
  if (!window->parent) send(window, WM_SIZE, 0, makeLParam(window->widget->w(), window->widget->h() - window->top));
}

void destroyWindow(WindowHandle window) {
  if (!window) return;
  send(window, WM_DESTROY, 0, 0);
  for (PlatformWindow* child : std::vector<PlatformWindow*>(window->children)) destroyWindow(child);
  forget(window);
  if (window->widget) {
    window->widget->hide();
    if (Fl_Group* parent = window->widget->parent()) parent->remove(window->widget);
    if (Fl::focus() == window->widget) Fl::focus(nullptr);
    Fl::delete_widget(window->widget);
  }
  destroyFltkEditor(window->editor);
  delete window;
}

void setWindowText(WindowHandle window, const char* utf8) {
  if (!window || !window->widget) return;
  // Fl_Window's own copy_label also renames the window on screen.
  if (Fl_Window* w = window->widget->as_window())
    w->copy_label(utf8);
  else
    window->widget->copy_label(utf8);
}

void moveWindow(WindowHandle window, int x, int y, int width, int height) {
  if (!window || !window->widget) return;
  const int top = window->parent ? window->parent->top : 0;
  window->widget->resize(x, y + top, width, height);
}

bool windowHasFocus(WindowHandle window) { return window && window->widget && Fl::focus() == window->widget; }

void setFocus(WindowHandle window) {
  if (!window || !window->widget) return;
  Fl::focus(window->widget);
  PlatformWindow* top = window;
  while (top->parent) top = top->parent;
  if (top->widget) static_cast<MainWindowWidget*>(top->widget)->rememberFocus(window->widget);
}

void pumpMessages() { Fl::check(); }

void waitForMessages(double seconds) { Fl::wait(seconds); }

namespace {
// FLTK watches the signal's pipe in every loop it runs, its own file
// chooser's included; the boxes' loops end once their window is hidden.
void terminationSignalCame(FL_SOCKET, void*) {
  answerTerminationSignal();
  std::vector<Fl_Window*> boxes;
  for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
    if (w->modal()) boxes.push_back(w);
  for (Fl_Window* box : boxes) box->hide();
}
}  // namespace

void watchTerminationSignal() {
  if (terminationWakeUpFd() >= 0) Fl::add_fd(terminationWakeUpFd(), FL_READ, terminationSignalCame);
}

void releaseKeysNoLongerHeld() {
  for (int vk = 0; vk < 256; ++vk) {
    HeldKey& held = heldKeys[vk];
    if (!held.window || Fl::get_key(held.fltkKey)) continue;
    PlatformWindow* target = held.window;
    held = {};
    send(target, WM_KEYUP, uintptr_t(vk), 1);
  }
}

// ------------------------------------------------------------ for the other FLTK files

Fl_Group* fltkClientGroup(WindowHandle parent, int* top) {
  *top = parent ? parent->top : 0;
  return groupOf(parent);
}

WindowHandle adoptFltkWidget(WindowHandle parent, Fl_Widget* widget) {
  PlatformWindow* w = new PlatformWindow;
  w->widget = widget;
  adopt(parent, w);
  return w;
}

Fl_Widget* fltkWidgetOf(WindowHandle window) { return window ? window->widget : nullptr; }
