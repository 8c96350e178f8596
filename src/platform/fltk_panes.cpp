// The panes around the editor and the view on FLTK: the list of the last
// compile's messages and the status bar.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Hold_Browser.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/fltk_widgets.h"
#include "platform/window_system.h"

namespace {
// Each item is wrapped to the list's width, its further lines indented, so
// that a long message is read whole without a horizontal bar; a click on
// any of its lines picks it. Wrapped again when the width changes.
class MessageListWidget : public Fl_Hold_Browser {
 public:
  MessageListWidget(int x, int y, int width, int height, LinePicked picked)
      : Fl_Hold_Browser(x, y, width, height), linePicked(picked) {
    format_char(0);  // a message's text is shown as it is, '@' included
    has_scrollbar(VERTICAL);
    when(FL_WHEN_RELEASE_ALWAYS);  // a second click on the same item acts again
    callback(itemClicked);
  }
  void pick(int item) {
    if (item < 1 || size_t(item) > items.size()) return;
    if (linePicked) linePicked(items[size_t(item) - 1].line);
  }
  void setItems(const std::vector<MessageListItem>& list) {
    items = list;
    wrapItems();
  }
  std::vector<MessageListItem> items;

  void resize(int x, int y, int width, int height) override {
    const bool wider = width != w();
    Fl_Hold_Browser::resize(x, y, width, height);
    if (wider) wrapItems();
  }

 private:
  // The browser's lines of item number `index` (from 1) carry that number.
  void wrapItems() {
    clear();
    fl_font(textfont(), textsize());
    const double room = std::max(60, w() - scrollbar_size() - Fl::box_dw(box()) - 12);
    for (size_t i = 0; i < items.size(); ++i) {
      void* number = reinterpret_cast<void*>(intptr_t(i + 1));
      for (const std::string& line : wrapText(items[i].text, room)) add(line.c_str(), number);
    }
  }
  static std::vector<std::string> wrapText(const std::string& text, double room) {
    std::vector<std::string> lines;
    std::string rest = text;
    const std::string indent = "      ";
    while (!rest.empty()) {
      const std::string lead = lines.empty() ? "" : indent;
      size_t end = rest.size();
      while (end > 1 && fl_width((lead + rest.substr(0, end)).c_str()) > room) {
        const size_t space = rest.rfind(' ', end - 1);
        end = space != std::string::npos && space > 0 ? space : end - 1;
        while (end > 1 && (static_cast<unsigned char>(rest[end]) & 0xC0) == 0x80) --end;  // whole UTF-8 characters
      }
      lines.push_back(lead + rest.substr(0, end));
      rest.erase(0, end);
      while (!rest.empty() && rest[0] == ' ') rest.erase(0, 1);
    }
    if (lines.empty()) lines.push_back("");
    return lines;
  }
  static void itemClicked(Fl_Widget* widget, void*) {
    MessageListWidget* list = static_cast<MessageListWidget*>(widget);
    if (list->value() > 0) list->pick(int(reinterpret_cast<intptr_t>(list->data(list->value()))));
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
  if (MessageListWidget* widget = listOf(list)) widget->setItems(items);
}

std::vector<std::string> messageListItems(WindowHandle list) {
  std::vector<std::string> texts;
  if (MessageListWidget* widget = listOf(list))
    for (const MessageListItem& item : widget->items) texts.push_back(item.text);
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
