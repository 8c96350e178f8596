// The Editor operations on an Fl_Text_Editor. FLTK's buffer merges adjacent
// insertions into one undo step; an undoable replacement first forgets the
// previous step so that undo takes back exactly that replacement, which is
// what undoing an inserted line relies on.
#include "platform/fltk_editor.h"

#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <vector>

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

// Counting lines walks the text: the answer is kept until the text or the
// caret changes, as the main loop asks every frame.
struct CaretLineCache {
  const void* state = nullptr;
  unsigned long changes = 0;
  int position = -1, line = 0;
};
CaretLineCache caretLineCache;

int fltkCaretLine(void* state) {
  const int position = widgetOf(state)->insert_position();
  CaretLineCache& c = caretLineCache;
  if (c.state != state || c.changes != textChanges || c.position != position)
    c = {state, textChanges, position, 1 + bufferOf(state)->count_lines(0, position)};
  return c.line;
}

void fltkMoveCaretToLine(void* state, int line) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  buffer->unselect();
  moveCaret(state, buffer->skip_lines(0, line > 1 ? line - 1 : 0));
}

// Marked lines are drawn in bold red through a style buffer ('A' plain, 'B'
// marked) that follows every change of the text.
struct LineMarks {
  Fl_Text_Buffer styles;
  Fl_Text_Display::Style_Table_Entry table[2];
};
std::map<Fl_Text_Editor*, std::unique_ptr<LineMarks>> lineMarks;
// The marks of editors that went: their widget may still point at the style
// buffer until FLTK deletes it, and FLTK offers no way to take it back.
std::vector<std::unique_ptr<LineMarks>> retiredMarks;

void followTextChange(int position, int inserted, int deleted, int, const char*, void* marks) {
  Fl_Text_Buffer& styles = static_cast<LineMarks*>(marks)->styles;
  if (deleted) styles.remove(position, position + deleted);
  if (inserted) styles.insert(position, std::string(size_t(inserted), 'A').c_str());
}

LineMarks* marksOf(Fl_Text_Editor* widget) {
  std::unique_ptr<LineMarks>& owned = lineMarks[widget];
  if (owned) return owned.get();
  owned = std::make_unique<LineMarks>();
  LineMarks* marks = owned.get();
  marks->table[0] = {FL_FOREGROUND_COLOR, widget->textfont(), widget->textsize(), 0};
  marks->table[1] = {FL_RED, Fl_Font(widget->textfont() | FL_BOLD), widget->textsize(), 0};
  widget->buffer()->add_modify_callback(followTextChange, marks);
  widget->highlight_data(&marks->styles, marks->table, 2, 'A', nullptr, nullptr);
  return marks;
}

void fltkMarkLines(void* state, const std::vector<int>& lines) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  if (lines.empty() && !lineMarks.count(widgetOf(state))) return;
  std::string styles(size_t(buffer->length()), 'A');
  std::vector<int> sorted = lines;
  std::sort(sorted.begin(), sorted.end());
  int start = 0, startLine = 1;  // walked forward once, however many lines
  for (int line : sorted) {
    if (line < startLine) continue;
    start = buffer->skip_lines(start, line - startLine);
    startLine = line;
    const int end = buffer->line_end(start);
    for (int i = start; i < end && i < int(styles.size()); ++i) styles[size_t(i)] = 'B';
  }
  marksOf(widgetOf(state))->styles.text(styles.c_str());
  widgetOf(state)->redraw();
}

void forgetLineMarks(Fl_Text_Editor* widget) {
  const auto found = lineMarks.find(widget);
  if (found == lineMarks.end()) return;
  if (widget->buffer()) widget->buffer()->remove_modify_callback(followTextChange, found->second.get());
  retiredMarks.push_back(std::move(found->second));
  lineMarks.erase(found);
}

const EditorOps fltkOps = {fltkText,  fltkSetText,          fltkSelectAll, fltkSelectEnd,
                           fltkReplaceSelection, fltkType, fltkUndo,  fltkChangeCount,
                           fltkCaretLine, fltkMoveCaretToLine, fltkMarkLines};
}  // namespace

Editor makeFltkEditor(Fl_Text_Editor* widget) {
  // The user's typing reaches the buffer directly; only its callback sees it.
  // (A second handle on the same widget counts each change twice: harmless.)
  widget->buffer()->add_modify_callback(countTextChange, nullptr);
  return Editor{&fltkOps, widget};
}

void destroyFltkEditor(Editor& editor) {
  forgetAppendedLine(editor);
  if (editor.ops == &fltkOps) forgetLineMarks(widgetOf(editor.state));
  editor = Editor{};
}
