// The Editor operations on the ScriptEditor widget. Every change of the text
// reaches textChanged, whoever makes it (the operations, the user's typing,
// pasting, undo): there the history records it, the change count grows and
// the changed lines are coloured anew.
#include "platform/fltk_editor.h"

#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdlib>
#include <string>

namespace {
constexpr Fl_Font textFont = FL_COURIER;
constexpr Fl_Fontsize textSize = 14;

constexpr char PLAIN = 'A';  // the first style's letter

// The text's font in the style's weight.
Fl_Text_Display::Style_Table_Entry styleEntry(const TextStyle& s) {
  const Fl_Font font = s.bold && s.italic ? FL_COURIER_BOLD_ITALIC
                       : s.bold           ? FL_COURIER_BOLD
                       : s.italic         ? FL_COURIER_ITALIC
                                          : textFont;
  return {fl_rgb_color(s.red, s.green, s.blue), font, textSize, 0};
}

// One count for every FLTK editor: a change in any of them counts for all,
// which only makes "unchanged since" answer no more often.
unsigned long textChanges = 0;

std::string textRange(Fl_Text_Buffer* buffer, int start, int end) {
  char* text = buffer->text_range(start, end);
  std::string result = text ? text : "";
  std::free(text);
  return result;
}

bool oneCharacter(const std::string& s) { return !s.empty() && s.size() == size_t(fl_utf8len1(s[0])); }
}  // namespace

ScriptEditor::ScriptEditor(int x, int y, int width, int height) : Fl_Text_Editor(x, y, width, height) {
  ScriptEditorBuffers::text->canUndo(0);  // the history below serves instead
  buffer(ScriptEditorBuffers::text.get());
  useStyles(EditorStyling{nullptr, {TextStyle{}}, PLAIN});
  buffer()->add_modify_callback(textChanged, this);
  textfont(textFont);
  textsize(textSize);
  linenumber_font(textFont);
  linenumber_size(textSize - 2);
  linenumber_fgcolor(fl_rgb_color(120, 120, 120));
  linenumber_bgcolor(fl_rgb_color(236, 236, 236));
  fitLineNumbers();
}

ScriptEditor::~ScriptEditor() { buffer()->remove_modify_callback(textChanged, this); }

void ScriptEditor::useStyles(const EditorStyling& newStyling) {
  styling = newStyling;
  if (styling.styles.empty()) styling.styles.push_back(TextStyle{});
  styleTable.clear();
  for (const TextStyle& style : styling.styles) styleTable.push_back(styleEntry(style));
  highlight_data(styles.get(), styleTable.data(), int(styleTable.size()), PLAIN, nullptr, nullptr);
}

void ScriptEditor::setStyling(const EditorStyling& newStyling) {
  useStyles(newStyling);
  restyle(0, buffer()->length());
}

void ScriptEditor::textChanged(int position, int inserted, int deleted, int, const char* deletedText, void* self) {
  if (!inserted && !deleted) return;  // a change of the selection only
  ScriptEditor& editor = *static_cast<ScriptEditor*>(self);
  ++textChanges;
  if (deleted) editor.styles->remove(position, position + deleted);
  if (inserted) editor.styles->insert(position, std::string(size_t(inserted), PLAIN).c_str());
  editor.restyle(position, position + inserted);
  editor.fitLineNumbers();
  if (editor.replaying) return;
  TextChange change{size_t(position), deletedText ? std::string(deletedText, size_t(deleted)) : std::string(),
                    textRange(editor.buffer(), position, position + inserted), false};
  change.typed = !editor.operation && (change.inserted.empty() || oneCharacter(change.inserted));
  recordChange(editor.history, std::move(change));
}

// Lines are coloured from the one holding `from` on, each starting inside a
// block comment when the line end before it is coloured as a comment; past
// changedEnd, the first line whose end keeps its colour ends the work.
void ScriptEditor::restyle(int from, int changedEnd) {
  Fl_Text_Buffer* text = buffer();
  const int start = text->line_start(from);
  bool inBlock = start > 0 && styles->byte_at(start - 1) == styling.blockLetter && styling.blockLetter != PLAIN;
  std::string out;
  int lineStart = start, stop = text->length();
  for (;;) {
    const int lineEnd = text->line_end(lineStart);
    const std::string line = textRange(text, lineStart, lineEnd);
    std::string lineStyles(line.size(), PLAIN);
    inBlock = styling.styler && styling.styler(line.data(), line.size(), lineStyles.data(), inBlock);
    out += lineStyles;
    if (lineEnd >= text->length()) break;
    const char newline = inBlock ? styling.blockLetter : PLAIN;
    const bool unchanged = styles->byte_at(lineEnd) == newline;
    out += newline;
    lineStart = lineEnd + 1;
    if (unchanged && lineStart > changedEnd) {
      stop = lineStart;
      break;
    }
  }
  styles->replace(start, stop, out.c_str());
  redisplay_range(start, stop);
}

// Wide enough for the largest line number and a little space.
void ScriptEditor::fitLineNumbers() {
  int digits = 1;
  for (int lines = mNBufferLines + 1; lines >= 10; lines /= 10) ++digits;  // kept by the display
  if (digits < 3) digits = 3;
  if (digits == numberDigits) return;
  numberDigits = digits;
  fl_font(linenumber_font(), linenumber_size());
  linenumber_width(int(fl_width("0") * digits) + 12);
  redraw();
}

void ScriptEditor::draw() {
  Fl_Text_Editor::draw();
  drawMarks();
}

// A marked line's number, white on red in the margin.
void ScriptEditor::drawMarks() {
  if (markedLines.empty() || linenumber_width() <= 0) return;
  const int left = x() + Fl::box_dx(box()), width = linenumber_width();
  fl_push_clip(left, text_area.y, width, text_area.h);
  fl_font(linenumber_font(), linenumber_size());
  for (int line : markedLines) {
    if (line < 1 || line > mNBufferLines + 1) continue;
    int px = 0, py = 0;
    if (!position_to_xy(buffer()->skip_lines(0, line - 1), &px, &py)) continue;
    fl_color(fl_rgb_color(200, 30, 30));
    fl_rectf(left, py, width, mMaxsize);
    fl_color(FL_WHITE);
    fl_draw(std::to_string(line).c_str(), left, py, width - 4, mMaxsize, FL_ALIGN_RIGHT);
  }
  fl_pop_clip();
}

// ------------------------------------------------------------ operations

namespace {
ScriptEditor& widgetOf(void* state) { return *static_cast<ScriptEditor*>(state); }
Fl_Text_Buffer* bufferOf(void* state) { return widgetOf(state).buffer(); }

void moveCaret(void* state, int position) {
  widgetOf(state).insert_position(position);
  widgetOf(state).show_insert_position();
}

// A change made by an operation rather than typed.
template <typename Change>
void asOperation(void* state, Change change) {
  widgetOf(state).operation = true;
  change();
  widgetOf(state).operation = false;
}

std::string fltkText(void* state) { return textRange(bufferOf(state), 0, bufferOf(state)->length()); }

void fltkSetText(void* state, const std::string& utf8) {
  bufferOf(state)->text(utf8.c_str());
  clearHistory(widgetOf(state).history);
  moveCaret(state, 0);
}

void fltkSelection(void* state, size_t* start, size_t* end) {
  int s = 0, e = 0;
  if (!bufferOf(state)->selection_position(&s, &e) || s == e) s = e = widgetOf(state).insert_position();
  *start = size_t(s);
  *end = size_t(e);
}

void fltkSelect(void* state, size_t start, size_t end) {
  const int length = bufferOf(state)->length();
  const int s = std::min(int(start), length), e = std::min(std::max(int(start), int(end)), length);
  if (s == e)
    bufferOf(state)->unselect();
  else
    bufferOf(state)->select(s, e);
  moveCaret(state, e);
  closeStep(widgetOf(state).history);
}

void fltkSelectAll(void* state) { fltkSelect(state, 0, size_t(bufferOf(state)->length())); }

void fltkSelectEnd(void* state) {
  const size_t end = size_t(bufferOf(state)->length());
  fltkSelect(state, end, end);
}

void fltkReplaceSelection(void* state, const std::string& utf8, bool canUndo) {
  size_t start, end;
  fltkSelection(state, &start, &end);
  asOperation(state, [&] { bufferOf(state)->replace(int(start), int(end), utf8.c_str()); });
  bufferOf(state)->unselect();
  if (!canUndo) clearHistory(widgetOf(state).history);
  moveCaret(state, int(start + utf8.size()));
}

// As the widget does it: a selection is erased first, then the character
// goes in its place.
void fltkType(void* state, char c) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  size_t start, end;
  fltkSelection(state, &start, &end);
  buffer->unselect();
  if (start != end) {
    buffer->remove(int(start), int(end));
  } else if (c == '\b' && start > 0) {
    start = size_t(buffer->prev_char(int(start)));
    buffer->remove(int(start), int(end));
  }
  if (c != '\b') buffer->insert(int(start), std::string(1, c).c_str()), ++start;
  moveCaret(state, int(start));
}

void replay(void* state, size_t position, size_t length, const std::string& with) {
  ScriptEditor& widget = widgetOf(state);
  widget.replaying = true;
  widget.buffer()->replace(int(position), int(position + length), with.c_str());
  widget.replaying = false;
  widget.buffer()->unselect();
  moveCaret(state, int(position + with.size()));
}

void fltkUndo(void* state) {
  TextChange step;
  if (takeUndoStep(widgetOf(state).history, &step)) replay(state, step.position, step.inserted.size(), step.removed);
}

void fltkRedo(void* state) {
  TextChange step;
  if (takeRedoStep(widgetOf(state).history, &step)) replay(state, step.position, step.removed.size(), step.inserted);
}

unsigned long fltkChangeCount(void*) { return textChanges; }

int fltkCaretLine(void* state) {
  return bufferOf(state)->count_lines(0, widgetOf(state).insert_position()) + 1;
}

void fltkMoveCaretToLine(void* state, int line) {
  Fl_Text_Buffer* buffer = bufferOf(state);
  const int lines = buffer->count_lines(0, buffer->length()) + 1;
  const int position = buffer->skip_lines(0, std::clamp(line, 1, lines) - 1);
  fltkSelect(state, size_t(position), size_t(position));
}

void fltkMarkLines(void* state, const std::vector<int>& lines) {
  widgetOf(state).markedLines = lines;
  widgetOf(state).redraw();
}

const EditorOps fltkOps = {fltkText,        fltkSetText,    fltkSelectAll,      fltkSelectEnd,
                           fltkReplaceSelection, fltkType,  fltkUndo,           fltkRedo,
                           fltkChangeCount, fltkSelection,  fltkSelect,         fltkCaretLine,
                           fltkMoveCaretToLine,  fltkMarkLines};
}  // namespace

Editor makeFltkEditor(ScriptEditor* widget) { return Editor{&fltkOps, widget}; }

void destroyFltkEditor(Editor& editor) {
  forgetAppendedLine(editor);
  editor = Editor{};
}
