// The editor operations over any Editor handle, the undo history both
// editors keep, and the headless editor: a plain string with a selection and
// that history, behaving as the FLTK widget does.
#include "platform/core_editor.h"

#include <algorithm>

#include "platform/core_text_encoding.h"

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
  e.ops->selectEnd(e.state);
  e.ops->replaceSelection(e.state, "\n" + cp1252ToUtf8(cp1252), true);
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

void undoInsertion(const Editor& e) { undoEditor(e); }

void undoEditor(const Editor& e) {
  if (editorExists(e)) e.ops->undo(e.state);
}

void redoEditor(const Editor& e) {
  if (editorExists(e)) e.ops->redo(e.state);
}

int editorCaretLine(const Editor& e) { return editorExists(e) ? e.ops->caretLine(e.state) : 0; }

void moveEditorCaretToLine(const Editor& e, int line) {
  if (editorExists(e)) e.ops->moveCaretToLine(e.state, line);
}

void markEditorLines(const Editor& e, const std::vector<int>& lines) {
  if (editorExists(e)) e.ops->markLines(e.state, lines);
}

namespace {
char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

size_t findFrom(const std::string& text, const std::string& wanted, size_t from) {
  const auto found = std::search(text.begin() + long(std::min(from, text.size())), text.end(), wanted.begin(),
                                 wanted.end(), [](char a, char b) { return lowerAscii(a) == lowerAscii(b); });
  return found == text.end() ? std::string::npos : size_t(found - text.begin());
}
}  // namespace

bool findInEditor(const Editor& e, const std::string& utf8) {
  if (!editorExists(e) || utf8.empty()) return false;
  const std::string text = e.ops->text(e.state);
  size_t start = 0, end = 0;
  e.ops->selection(e.state, &start, &end);
  size_t found = findFrom(text, utf8, end);
  if (found == std::string::npos) found = findFrom(text, utf8, 0);
  if (found == std::string::npos) return false;
  e.ops->select(e.state, found, found + utf8.size());
  return true;
}

int replaceAllInEditor(const Editor& e, const std::string& utf8, const std::string& replacement) {
  if (!editorExists(e) || utf8.empty()) return 0;
  const std::string text = e.ops->text(e.state);
  std::string replaced;
  size_t first = std::string::npos, copied = 0;
  int count = 0;
  for (size_t at = findFrom(text, utf8, 0); at != std::string::npos; at = findFrom(text, utf8, at + utf8.size())) {
    if (first == std::string::npos) first = copied = at;
    replaced += text.substr(copied, at - copied) + replacement;
    copied = at + utf8.size();
    ++count;
  }
  if (count == 0) return 0;
  // From the first match to the end of the last, as one step.
  e.ops->select(e.state, first, copied);
  e.ops->replaceSelection(e.state, replaced, true);
  return count;
}

// ------------------------------------------------------------ undo history

namespace {
bool oneCharacter(const std::string& s) {
  const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  return !s.empty() && std::all_of(s.begin() + 1, s.end(), continuation);
}

size_t sizeOf(const TextChange& c) { return c.removed.size() + c.inserted.size() + sizeof c; }

// A typed character that continues the last step: inserted right after its
// inserted text (or where it erased text: typing over a selection), or
// erased right before (backspace) or at (delete) what it erased.
bool joins(const TextChange& last, const TextChange& c) {
  if (!last.typed || !c.typed) return false;
  if (c.removed.empty() && oneCharacter(c.inserted) && c.inserted != "\n")
    return c.position == last.position + last.inserted.size();
  if (c.inserted.empty() && !c.removed.empty() && c.removed.find('\n') == std::string::npos)
    return last.inserted.empty() && (c.position + c.removed.size() == last.position || c.position == last.position);
  return false;
}

void join(TextChange& last, const TextChange& c) {
  if (!c.inserted.empty())
    last.inserted += c.inserted;
  else if (c.position == last.position)
    last.removed += c.removed;
  else
    last.removed.insert(0, c.removed), last.position = c.position;
}

void dropOldest(UndoHistory& h) {
  size_t dropped = 0, bytes = 0;
  while (h.bytes - bytes > maxHistoryBytes && dropped + 1 < h.undone.size()) bytes += sizeOf(h.undone[dropped++]);
  h.undone.erase(h.undone.begin(), h.undone.begin() + long(dropped));
  h.bytes -= bytes;
}
}  // namespace

void recordChange(UndoHistory& h, TextChange change) {
  for (const TextChange& step : h.redone) h.bytes -= sizeOf(step);
  h.redone.clear();
  if (h.joinable && !h.undone.empty() && joins(h.undone.back(), change)) {
    h.bytes -= sizeOf(h.undone.back());
    join(h.undone.back(), change);
  } else {
    h.undone.push_back(std::move(change));
  }
  h.bytes += sizeOf(h.undone.back());
  h.joinable = h.undone.back().typed;
  dropOldest(h);
}

void clearHistory(UndoHistory& h) { h = UndoHistory{}; }

namespace {
bool moveStep(UndoHistory& h, std::vector<TextChange>& from, std::vector<TextChange>& to, TextChange* step) {
  h.joinable = false;
  if (from.empty()) return false;
  to.push_back(std::move(from.back()));
  from.pop_back();
  *step = to.back();
  return true;
}
}  // namespace

bool takeUndoStep(UndoHistory& h, TextChange* step) { return moveStep(h, h.undone, h.redone, step); }
bool takeRedoStep(UndoHistory& h, TextChange* step) { return moveStep(h, h.redone, h.undone, step); }

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
struct HeadlessEditor {
  std::string text;
  size_t selectionStart = 0, selectionEnd = 0;  // caret at selectionEnd
  UndoHistory history;
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

void setCaret(HeadlessEditor& ed, size_t position) { ed.selectionStart = ed.selectionEnd = position; }

void replaceRange(HeadlessEditor& ed, size_t start, size_t end, const std::string& with) {
  ed.text.replace(start, end - start, with);
  ++ed.changes;
  setCaret(ed, start + with.size());
}

// A change the history records: typed or a step of its own.
void change(HeadlessEditor& ed, size_t start, size_t end, const std::string& with, bool typed) {
  recordChange(ed.history, {start, ed.text.substr(start, end - start), with, typed});
  replaceRange(ed, start, end, with);
}

std::string headlessText(void* s) { return of(s).text; }

void headlessSetText(void* s, const std::string& utf8) {
  HeadlessEditor& ed = of(s);
  ed.text = utf8;
  setCaret(ed, 0);
  clearHistory(ed.history);
  ++ed.changes;
}

void headlessSelect(void* s, size_t start, size_t end) {
  HeadlessEditor& ed = of(s);
  ed.selectionStart = std::min(start, ed.text.size());
  ed.selectionEnd = std::min(std::max(start, end), ed.text.size());
  closeStep(ed.history);
}

void headlessSelection(void* s, size_t* start, size_t* end) {
  *start = std::min(of(s).selectionStart, of(s).selectionEnd);
  *end = std::max(of(s).selectionStart, of(s).selectionEnd);
}

void headlessSelectAll(void* s) { headlessSelect(s, 0, of(s).text.size()); }

void headlessSelectEnd(void* s) { headlessSelect(s, of(s).text.size(), of(s).text.size()); }

void headlessReplaceSelection(void* s, const std::string& utf8, bool canUndo) {
  HeadlessEditor& ed = of(s);
  size_t start, end;
  headlessSelection(s, &start, &end);
  if (canUndo) return change(ed, start, end, utf8, false);
  replaceRange(ed, start, end, utf8);
  clearHistory(ed.history);
}

// As the FLTK widget does it: a selection is erased first, then the
// character goes in its place.
void headlessType(void* s, char c) {
  HeadlessEditor& ed = of(s);
  size_t start, end;
  headlessSelection(s, &start, &end);
  if (start != end)
    change(ed, start, end, "", true);
  else if (c == '\b' && start > 0)
    change(ed, previousCharacter(ed.text, start), start, "", true);
  if (c != '\b') change(ed, ed.selectionEnd, ed.selectionEnd, std::string(1, c), true);
}

void headlessUndo(void* s) {
  HeadlessEditor& ed = of(s);
  TextChange step;
  if (takeUndoStep(ed.history, &step))
    replaceRange(ed, step.position, step.position + step.inserted.size(), step.removed);
}

void headlessRedo(void* s) {
  HeadlessEditor& ed = of(s);
  TextChange step;
  if (takeRedoStep(ed.history, &step))
    replaceRange(ed, step.position, step.position + step.removed.size(), step.inserted);
}

unsigned long headlessChangeCount(void* s) { return of(s).changes; }

int headlessCaretLine(void* s) {
  const HeadlessEditor& ed = of(s);
  return 1 + int(std::count(ed.text.begin(), ed.text.begin() + long(ed.selectionEnd), '\n'));
}

void headlessMoveCaretToLine(void* s, int line) {
  HeadlessEditor& ed = of(s);
  size_t position = 0;
  for (int i = 1; i < line; ++i) {
    const size_t end = ed.text.find('\n', position);
    if (end == std::string::npos) break;
    position = end + 1;
  }
  headlessSelect(s, position, position);
}

void headlessMarkLines(void* s, const std::vector<int>& lines) { of(s).markedLines = lines; }

const EditorOps headlessOps = {headlessText,     headlessSetText,       headlessSelectAll,  headlessSelectEnd,
                               headlessReplaceSelection, headlessType,  headlessUndo,       headlessRedo,
                               headlessChangeCount,      headlessSelection, headlessSelect, headlessCaretLine,
                               headlessMoveCaretToLine,  headlessMarkLines};
}  // namespace

Editor makeHeadlessEditor() { return Editor{&headlessOps, new HeadlessEditor}; }

void destroyHeadlessEditor(Editor& e) {
  forgetAppendedLine(e);
  if (e.ops == &headlessOps) delete static_cast<HeadlessEditor*>(e.state);
  e = Editor{};
}
