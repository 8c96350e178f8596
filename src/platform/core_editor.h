// The script editor as the rest of the program sees it: a multi-line text
// whose lines are the script's lines, with a selection, a caret and a
// one-level undo. An Editor is a handle: a table of operations and the state
// they work on. Two implementations exist, this headless one (tests, fuzzing,
// command-line modes) and the FLTK widget of the desktop program; both keep
// the text as UTF-8 and obey the same contract.
#pragma once

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
  // the new text. With canUndo the change becomes the one to undo, without it
  // nothing is left to undo.
  void (*replaceSelection)(void* state, const std::string& utf8, bool canUndo);
  // Typing one character: '\n' starts a new line, '\b' erases the selection
  // or the character before the caret.
  void (*typeCharacter)(void* state, char c);
  // Takes back the last undoable change; a second undo puts it back.
  void (*undo)(void* state);
  // Grows by at least one with every change to the text, whoever makes it
  // (these operations, typing, undo); never goes back. Null when the editor
  // cannot tell.
  unsigned long (*changeCount)(void* state);
  // Lines count from 1, as the compiler's messages number them.
  int (*caretLine)(void* state);
  // Drops the selection and puts the caret at the start of the line (the
  // first or last line for a number outside the text), shown.
  void (*moveCaretToLine)(void* state, int line);
  // Marks these lines in the margin (the lines of the last compile's
  // messages); the marks before go.
  void (*markLines)(void* state, const std::vector<int>& lines);
};

struct Editor {
  const EditorOps* ops = nullptr;
  void* state = nullptr;
};

// The script editor of the running program (no operations until one exists).
extern Editor hEditor;

inline bool editorExists(const Editor& e) { return e.ops && e.state; }

// Text crosses these in Windows-1252, the script's own encoding.
void selectAllText(const Editor& e);
// Starts a new line at the end of the text and puts the line there, as one
// undoable change: undoInsertion right after takes both back.
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
// 0 without an editor.
int editorCaretLine(const Editor& e);
void moveEditorCaretToLine(const Editor& e, int line);
void markEditorLines(const Editor& e, const std::vector<int>& lines);
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

// A headless editor; destroy it with destroyHeadlessEditor.
Editor makeHeadlessEditor();
void destroyHeadlessEditor(Editor& e);
