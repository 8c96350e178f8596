// The panes around the editor and the view on FLTK: the list of the last
// compile's messages and the status bar.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>

#include <algorithm>
#include <cstdint>

#include "platform/fltk_widgets.h"
#include "platform/window_system.h"

namespace {
class MessageListWidget : public Fl_Hold_Browser {
 public:
  MessageListWidget(int x, int y, int width, int height, LinePicked picked)
      : Fl_Hold_Browser(x, y, width, height), linePicked(picked) {
    format_char(0);  // a message's text is shown as it is, '@' included
    when(FL_WHEN_RELEASE_ALWAYS);  // a second click on the same item acts again
    callback(itemClicked);
  }
  void pick(int item) {
    if (item < 1 || item > size()) return;
    if (linePicked) linePicked(int(reinterpret_cast<intptr_t>(data(item))));
  }

 private:
  static void itemClicked(Fl_Widget* widget, void*) {
    MessageListWidget* list = static_cast<MessageListWidget*>(widget);
    list->pick(list->value());
  }
  LinePicked linePicked;
};

MessageListWidget* listOf(WindowHandle list) { return static_cast<MessageListWidget*>(fltkWidgetOf(list)); }

// In a label "@" starts a symbol; "@@" is the character itself.
std::string plainLabel(const std::string& text) {
  std::string label;
  for (char c : text) {
    if (c == '@') label += c;
    label += c;
  }
  return label;
}
}  // namespace

WindowHandle createMessageList(WindowHandle parent, int x, int y, int width, int height, LinePicked linePicked) {
  int top = 0;
  Fl_Group* group = fltkClientGroup(parent, &top);
  if (!group) return nullptr;
  group->begin();
  MessageListWidget* list = new MessageListWidget(x, y + top, width, height, linePicked);
  group->end();
  list->textsize(12);
  return adoptFltkWidget(parent, list);
}

void setMessageListItems(WindowHandle list, const std::vector<MessageListItem>& items) {
  MessageListWidget* widget = listOf(list);
  if (!widget) return;
  widget->clear();
  for (const MessageListItem& item : items)
    widget->add(item.text.c_str(), reinterpret_cast<void*>(intptr_t(item.line)));
}

std::vector<std::string> messageListItems(WindowHandle list) {
  std::vector<std::string> texts;
  if (MessageListWidget* widget = listOf(list))
    for (int i = 1; i <= widget->size(); ++i) texts.push_back(widget->text(i));
  return texts;
}

void pickMessageListItem(WindowHandle list, int index) {
  if (MessageListWidget* widget = listOf(list)) widget->pick(index + 1);
}

// Outside the panes the user resizes: the bar keeps its height and stays at
// the bottom as the window changes size.
WindowHandle createStatusBar(WindowHandle parent, int x, int y, int width, int height) {
  int top = 0;
  Fl_Group* panes = fltkClientGroup(parent, &top);
  Fl_Group* window = fltkWidgetOf(parent) ? fltkWidgetOf(parent)->as_group() : nullptr;
  if (!panes || !window) return nullptr;
  if (panes != window) panes->resize(panes->x(), panes->y(), panes->w(), std::max(0, panes->h() - height));
  window->begin();
  Fl_Box* bar = new Fl_Box(FL_THIN_DOWN_BOX, x, y + top, width, height, nullptr);
  window->end();
  bar->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
  bar->labelsize(12);
  return adoptFltkWidget(parent, bar);
}

// A new label is not drawn until the widget is redrawn.
void setStatusText(WindowHandle bar, const std::string& utf8) {
  if (Fl_Widget* widget = fltkWidgetOf(bar)) widget->copy_label(plainLabel(utf8).c_str()), widget->redraw();
}

// The label as set, without the label escapes.
std::string statusText(WindowHandle bar) {
  Fl_Widget* widget = fltkWidgetOf(bar);
  std::string text;
  const char* label = widget && widget->label() ? widget->label() : "";
  for (const char* c = label; *c; ++c) {
    if (*c == '@' && c[1] == '@') ++c;
    text += *c;
  }
  return text;
}
