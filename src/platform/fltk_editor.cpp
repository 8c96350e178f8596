// The Editor operations on an Fl_Text_Editor. FLTK's buffer merges adjacent
// insertions into one undo step; an undoable replacement first forgets the
// previous step so that undo takes back exactly that replacement, which is
// what undoing an inserted line relies on.
#include "platform/fltk_editor.h"

#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>

#include <cstdlib>

namespace {
Fl_Text_Editor* widgetOf(void* state) { return static_cast<Fl_Text_Editor*>(state); }
Fl_Text_Buffer* bufferOf(void* state) { return widgetOf(state)->buffer(); }

void forgetUndo(Fl_Text_Buffer* buffer) {
  buffer->canUndo(0);
  buffer->canUndo(1);
}

void moveCaret(void* state, int position) {
  widgetOf(state)->insert_position(position);
  widgetOf(state)->show_insert_position();
}

std::string fltkText(void* state) {
  char* text = bufferOf(state)->text();
  std::string result = text ? text : "";
  std::free(text);
  return result;
}

void fltkSetText(void* state, const std::string& utf8) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  buffer->text(utf8.c_str());
  forgetUndo(buffer);
  moveCaret(state, 0);
}

void fltkSelectAll(void* state) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  buffer->select(0, buffer->length());
  widgetOf(state)->insert_position(buffer->length());
}

void fltkSelectEnd(void* state) {
  bufferOf(state)->unselect();
  moveCaret(state, bufferOf(state)->length());
}

// Replaces the selection, or inserts at the caret; returns the caret after it.
int replaceAtCaret(void* state, const std::string& utf8) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  int start, end;
  if (buffer->selection_position(&start, &end) && start != end) {
    buffer->replace(start, end, utf8.c_str());
  } else {
    start = widgetOf(state)->insert_position();
    buffer->insert(start, utf8.c_str());
  }
  buffer->unselect();
  return start + int(utf8.size());
}

void fltkReplaceSelection(void* state, const std::string& utf8, bool canUndo) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  buffer->canUndo(0);
  if (canUndo) buffer->canUndo(1);
  const int caret = replaceAtCaret(state, utf8);
  buffer->canUndo(1);
  moveCaret(state, caret);
}

void fltkType(void* state, char c) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  if (c != '\b') {
    moveCaret(state, replaceAtCaret(state, std::string(1, c)));
    return;
  }
  int start, end;
  if (buffer->selection_position(&start, &end) && start != end) {
    buffer->remove(start, end);
    buffer->unselect();
    moveCaret(state, start);
    return;
  }
  const int caret = widgetOf(state)->insert_position();
  if (caret <= 0) return;
  const int previous = buffer->prev_char(caret);
  buffer->remove(previous, caret);
  moveCaret(state, previous);
}

void fltkUndo(void* state) {
  int caret = 0;
  if (bufferOf(state)->undo(&caret)) moveCaret(state, caret);
}

// One count for every FLTK editor: a change in any of them counts for all,
// which only makes "unchanged since" answer no more often. Kept outside the
// buffers, so a buffer deleted without notice leaves nothing dangling.
unsigned long textChanges = 0;

void countTextChange(int, int inserted, int deleted, int, const char*, void*) {
  // Selection changes come through here too, without text.
  if (inserted || deleted) ++textChanges;
}

unsigned long fltkChangeCount(void*) { return textChanges; }

const EditorOps fltkOps = {fltkText,  fltkSetText,          fltkSelectAll, fltkSelectEnd,
                           fltkReplaceSelection, fltkType, fltkUndo,  fltkChangeCount};
}  // namespace

Editor makeFltkEditor(Fl_Text_Editor* widget) {
  // The user's typing reaches the buffer directly; only its callback sees it.
  // (A second handle on the same widget counts each change twice: harmless.)
  widget->buffer()->add_modify_callback(countTextChange, nullptr);
  return Editor{&fltkOps, widget};
}

void destroyFltkEditor(Editor& editor) {
  forgetAppendedLine(editor);
  editor = Editor{};
}
