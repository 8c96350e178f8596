// The editor operations over any Editor handle, and the headless editor: a
// plain string with a selection and a one-level undo record, behaving as the
// FLTK widget does.
#include "platform/core_editor.h"

#include <algorithm>
#include <cstddef>

#include "platform/core_text_encoding.h"

Editor hEditor;

namespace {
// The last line appendEditorLine added: to which editor, and that editor's
// change count just after.
struct AppendedLine {
  const void* editor = nullptr;
  unsigned long changeCount = 0;
};
AppendedLine lastAppended;

// The widget only ever holds UTF-8; anything else is taken byte for byte.
std::string toCp1252(const std::string& utf8) {
  if (!hasNonAscii(utf8)) return utf8;
  return isValidUtf8(utf8) ? utf8ToCp1252(utf8) : utf8;
}

std::string joinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += '\n';
    text += cp1252ToUtf8(lines[i]);
  }
  return text;
}
}  // namespace

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

void selectAllText(const Editor& e) {
  if (editorExists(e)) e.ops->selectAll(e.state);
}

void appendEditorLine(const Editor& e, const std::string& cp1252) {
  if (!editorExists(e)) return;
  e.ops->selectAll(e.state);
  e.ops->selectEnd(e.state);
  e.ops->typeCharacter(e.state, '\n');
  e.ops->replaceSelection(e.state, cp1252ToUtf8(cp1252), true);
  lastAppended = {e.ops->changeCount ? e.state : nullptr, editorChangeCount(e)};
}

bool appendedLineIsLastChange(const Editor& e) {
  return editorExists(e) && e.ops->changeCount && lastAppended.editor == e.state &&
         lastAppended.changeCount == editorChangeCount(e);
}

void forgetAppendedLine(const Editor& e) {
  if (lastAppended.editor == e.state) lastAppended = {};
}

unsigned long editorChangeCount(const Editor& e) {
  return editorExists(e) && e.ops->changeCount ? e.ops->changeCount(e.state) : 0;
}

void undoInsertion(const Editor& e) {
  if (!editorExists(e)) return;
  e.ops->undo(e.state);
  e.ops->typeCharacter(e.state, '\b');
}

void undoEditor(const Editor& e) {
  if (editorExists(e)) e.ops->undo(e.state);
}

int editorCaretLine(const Editor& e) { return editorExists(e) ? e.ops->caretLine(e.state) : 0; }

void moveEditorCaretToLine(const Editor& e, int line) {
  if (editorExists(e)) e.ops->moveCaretToLine(e.state, line);
}

void markEditorLines(const Editor& e, const std::vector<int>& lines) {
  if (editorExists(e)) e.ops->markLines(e.state, lines);
}

void clearEditorText(const Editor& e) {
  if (editorExists(e)) e.ops->setText(e.state, "");
}

int editorLineCount(const Editor& e) {
  if (!editorExists(e)) return 0;
  const std::string text = e.ops->text(e.state);
  int count = 1;
  for (char c : text) count += c == '\n';
  return count;
}

std::string readEditorLine(const Editor& e, int index) {
  if (!editorExists(e) || index < 0) return "";
  const std::string text = e.ops->text(e.state);
  size_t start = 0;
  for (int i = 0; i < index; ++i) {
    start = text.find('\n', start);
    if (start == std::string::npos) return "";
    ++start;
  }
  const size_t end = text.find('\n', start);
  return toCp1252(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

std::vector<std::string> readEditorLines(const Editor& e) {
  if (!editorExists(e)) return {};
  std::vector<std::string> lines = splitLines(e.ops->text(e.state));
  for (std::string& line : lines) line = toCp1252(line);
  return lines;
}

void loadEditorLines(const Editor& e, const std::vector<std::string>& cp1252Lines) {
  if (editorExists(e)) e.ops->setText(e.state, joinLines(cp1252Lines));
}

std::string editorTextUtf8(const Editor& e) { return editorExists(e) ? e.ops->text(e.state) : ""; }

void setEditorTextUtf8(const Editor& e, const std::string& utf8) {
  if (editorExists(e)) e.ops->setText(e.state, utf8);
}

// ---------------------------------------------------------------- headless

namespace {
struct UndoRecord {
  bool valid = false;
  size_t position = 0;
  std::string removed;      // text the change took away
  size_t insertedBytes = 0;  // length of the text it put in its place
};

struct HeadlessEditor {
  std::string text;
  size_t selectionStart = 0, selectionEnd = 0;  // caret at selectionEnd
  UndoRecord undo;
  unsigned long changes = 0;
  std::vector<int> markedLines;
};

HeadlessEditor& of(void* state) { return *static_cast<HeadlessEditor*>(state); }

// Start of the UTF-8 character that ends just before position.
size_t previousCharacter(const std::string& text, size_t position) {
  size_t p = position - 1;
  while (p > 0 && (static_cast<unsigned char>(text[p]) & 0xC0) == 0x80) --p;
  return p;
}

void replaceRange(HeadlessEditor& ed, size_t start, size_t end, const std::string& with, bool canUndo) {
  if (canUndo)
    ed.undo = {true, start, ed.text.substr(start, end - start), with.size()};
  else
    ed.undo = {};
  ed.text.replace(start, end - start, with);
  ++ed.changes;
  ed.selectionStart = ed.selectionEnd = start + with.size();
}

std::string headlessText(void* s) { return of(s).text; }

void headlessSetText(void* s, const std::string& utf8) {
  HeadlessEditor& ed = of(s);
  ed.text = utf8;
  ed.selectionStart = ed.selectionEnd = 0;
  ed.undo = {};
  ++ed.changes;
}

void headlessSelectAll(void* s) {
  of(s).selectionStart = 0;
  of(s).selectionEnd = of(s).text.size();
}

void headlessSelectEnd(void* s) { of(s).selectionStart = of(s).selectionEnd = of(s).text.size(); }

void headlessReplaceSelection(void* s, const std::string& utf8, bool canUndo) {
  HeadlessEditor& ed = of(s);
  replaceRange(ed, std::min(ed.selectionStart, ed.selectionEnd), std::max(ed.selectionStart, ed.selectionEnd),
               utf8, canUndo);
}

void headlessType(void* s, char c) {
  HeadlessEditor& ed = of(s);
  const size_t start = std::min(ed.selectionStart, ed.selectionEnd);
  const size_t end = std::max(ed.selectionStart, ed.selectionEnd);
  if (c != '\b') {
    replaceRange(ed, start, end, std::string(1, c), true);
  } else if (start != end) {
    replaceRange(ed, start, end, "", true);
  } else if (start > 0) {
    replaceRange(ed, previousCharacter(ed.text, start), start, "", true);
  }
}

void headlessUndo(void* s) {
  HeadlessEditor& ed = of(s);
  if (!ed.undo.valid) return;
  const UndoRecord last = ed.undo;
  replaceRange(ed, last.position, last.position + last.insertedBytes, last.removed, true);
}

unsigned long headlessChangeCount(void* s) { return of(s).changes; }

int headlessCaretLine(void* s) {
  const HeadlessEditor& ed = of(s);
  return 1 + int(std::count(ed.text.begin(), ed.text.begin() + std::ptrdiff_t(ed.selectionEnd), '\n'));
}

void headlessMoveCaretToLine(void* s, int line) {
  HeadlessEditor& ed = of(s);
  size_t position = 0;
  for (int i = 1; i < line; ++i) {
    const size_t end = ed.text.find('\n', position);
    if (end == std::string::npos) break;
    position = end + 1;
  }
  ed.selectionStart = ed.selectionEnd = position;
}

void headlessMarkLines(void* s, const std::vector<int>& lines) { of(s).markedLines = lines; }

const EditorOps headlessOps = {headlessText,      headlessSetText,          headlessSelectAll,
                               headlessSelectEnd, headlessReplaceSelection, headlessType,
                               headlessUndo,      headlessChangeCount,      headlessCaretLine,
                               headlessMoveCaretToLine, headlessMarkLines};
}  // namespace

Editor makeHeadlessEditor() { return Editor{&headlessOps, new HeadlessEditor}; }

void destroyHeadlessEditor(Editor& e) {
  forgetAppendedLine(e);
  if (e.ops == &headlessOps) delete static_cast<HeadlessEditor*>(e.state);
  e = Editor{};
}
