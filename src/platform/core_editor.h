// The script editor as the rest of the program sees it: a multi-line text
// whose lines are the script's lines, with a selection, a caret, marked lines
// and an undo history of many levels with redo. An Editor is a handle: a
// table of operations and the state they work on. Two implementations exist,
// this headless one (tests, fuzzing, command-line modes) and the FLTK widget
// of the desktop program; both keep the text as UTF-8, share the undo
// history below and obey the same contract.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct EditorOps {
  std::string (*text)(void* state);  // whole text, UTF-8, lines split by '\n'
  // Replaces the whole text; nothing is left to undo, the caret goes to 0.
  void (*setText)(void* state, const std::string& utf8);
  void (*selectAll)(void* state);
  // Drops the selection and puts the caret after the last character.
  void (*selectEnd)(void* state);
  // Replaces the selection (or inserts at the caret); the caret ends after
  // the new text. With canUndo the change is one step of its own in the undo
  // history, without it the history is emptied.
  void (*replaceSelection)(void* state, const std::string& utf8, bool canUndo);
  // Typing one character: '\n' starts a new line, '\b' erases the selection
  // or the character before the caret. Characters typed one after another
  // make one undo step, up to the next line break (see UndoHistory).
  void (*typeCharacter)(void* state, char c);
  // Takes back the last step of the history; redo puts back the last step
  // taken back, until the text changes otherwise. Each does nothing when
  // there is nothing to take back or put back.
  void (*undo)(void* state);
  void (*redo)(void* state);
  // Grows by at least one with every change to the text, whoever makes it
  // (these operations, typing, undo); never goes back. Null when the editor
  // cannot tell.
  unsigned long (*changeCount)(void* state);
  // The selection as byte offsets into text(), start <= end; both are the
  // caret when nothing is selected. select puts the caret at end and scrolls
  // it into view.
  void (*selection)(void* state, size_t* start, size_t* end);
  void (*select)(void* state, size_t start, size_t end);
  // 1-based line of the caret.
  int (*caretLine)(void* state);
  // The caret to the start of a 1-based line (clamped to the text), shown.
  void (*moveCaretToLine)(void* state, int line);
  // Lines (1-based) to mark in the margin, replacing the previous marks.
  void (*markLines)(void* state, const std::vector<int>& lines);
};

// How an editor colours its text, decided by its owner: one style letter
// per byte of text, 'A' for the first of the styles, 'B' for the next...;
// the first is the plain text's.
struct TextStyle {
  unsigned char red = 0, green = 0, blue = 0;
  bool bold = false, italic = false;
};
// Fills styles[0, length) with letters for one line of text (without its
// line end), given whether a block (a comment, say) is open at its start;
// returns whether one is open at its end.
using LineStyler = bool (*)(const char* line, size_t length, char* styles, bool inBlock);
// A line end inside an open block takes blockLetter, which tells the editor
// that the next line starts in the block.
struct EditorStyling {
  LineStyler styler = nullptr;
  std::vector<TextStyle> styles;
  char blockLetter = 'A';
};

struct Editor {
  const EditorOps* ops = nullptr;
  void* state = nullptr;
};

inline bool editorExists(const Editor& e) { return e.ops && e.state; }

// Text crosses these in Windows-1252, the script's own encoding.
void selectAllText(const Editor& e);
// Starts a new line at the end of the text and puts the line there, as one
// undo step: undoInsertion right after takes both back.
void appendEditorLine(const Editor& e, const std::string& cp1252);
void undoInsertion(const Editor& e);
// True while the text has not changed since appendEditorLine last appended
// to this editor: the appended line is still the change an undo takes back.
bool appendedLineIsLastChange(const Editor& e);
// For an editor that goes away: its appended line is forgotten.
void forgetAppendedLine(const Editor& e);
// The editor's change count (see EditorOps), 0 when it cannot tell.
unsigned long editorChangeCount(const Editor& e);
void undoEditor(const Editor& e);
void redoEditor(const Editor& e);
// The caret's line (1-based; 0 without an editor), moving the caret to the
// start of a line, and the lines marked in the margin (see EditorOps).
int editorCaretLine(const Editor& e);
void moveEditorCaretToLine(const Editor& e, int line);
void markEditorLines(const Editor& e, const std::vector<int>& lines);
// Selects the next occurrence of a UTF-8 text after the selection (ASCII
// letters in either case), going on from the start after the end; false when
// the text has none.
bool findInEditor(const Editor& e, const std::string& utf8);
// Replaces every occurrence (found as findInEditor finds them) by
// replacement, as one undo step; the count replaced.
int replaceAllInEditor(const Editor& e, const std::string& utf8, const std::string& replacement);
void clearEditorText(const Editor& e);
// An empty editor has one empty line, as the compiler expects.
int editorLineCount(const Editor& e);
std::string readEditorLine(const Editor& e, int index);
std::vector<std::string> readEditorLines(const Editor& e);
// Replaces the text by these lines; nothing is left to undo.
void loadEditorLines(const Editor& e, const std::vector<std::string>& cp1252Lines);

// The same text in UTF-8, for documents kept in that encoding.
std::string editorTextUtf8(const Editor& e);
void setEditorTextUtf8(const Editor& e, const std::string& utf8);

// Splits at '\n'; "" gives one empty line.
std::vector<std::string> splitLines(const std::string& text);

// The undo history both editors keep: steps of replaced text, the newest
// last. A typed character joins the step before when that step was typed
// too and ends where the character goes (or, for an erased one, starts where
// it ends); a line break typed starts a step of its own. The history holds
// at most maxHistoryBytes of text (the newest step is always kept).
struct TextChange {
  size_t position = 0;
  std::string removed, inserted;
  bool typed = false;
};
struct UndoHistory {
  std::vector<TextChange> undone, redone;  // undone: the steps undo takes back
  size_t bytes = 0;
  bool joinable = false;  // the last step may take the next typed character
};
constexpr size_t maxHistoryBytes = 16u << 20;
// A change made to the text: a step, or part of the last one; redo is lost.
void recordChange(UndoHistory& h, TextChange change);
void clearHistory(UndoHistory& h);
// The next typed character begins a new step (the caret moved, or an
// operation came between).
inline void closeStep(UndoHistory& h) { h.joinable = false; }
// The step to take back (or put back), moved to the other list; false when
// there is none. Replacing [position, position + inserted) by removed undoes
// it, and the reverse redoes it.
bool takeUndoStep(UndoHistory& h, TextChange* step);
bool takeRedoStep(UndoHistory& h, TextChange* step);

// A headless editor; destroy it with destroyHeadlessEditor.
Editor makeHeadlessEditor();
void destroyHeadlessEditor(Editor& e);
