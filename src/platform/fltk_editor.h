// The script editor widget on FLTK and the Editor operations over it. The
// widget owns its text and style buffers, keeps the undo history of
// core_editor.h (FLTK's own buffer has one level only), colours the text
// through a line styler as it changes, numbers the lines in the margin and
// marks the lines it is told to.
#pragma once

#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Editor.H>

#include <memory>
#include <vector>

#include "platform/core_editor.h"

// Built before the editor and freed after it: the display unhooks itself
// from its buffer when it goes.
struct ScriptEditorBuffers {
  std::unique_ptr<Fl_Text_Buffer> text = std::make_unique<Fl_Text_Buffer>();
  std::unique_ptr<Fl_Text_Buffer> styles = std::make_unique<Fl_Text_Buffer>();
};

class ScriptEditor : private ScriptEditorBuffers, public Fl_Text_Editor {
 public:
  ScriptEditor(int x, int y, int width, int height);
  ~ScriptEditor() override;
  // Colours the whole text anew with these styles and styler (none: all
  // plain).
  void setStyling(const EditorStyling& styling);
  char styleAt(int position) const { return styles->byte_at(position); }

  UndoHistory history;
  bool operation = false;  // a change made by an Editor operation, not typed
  bool replaying = false;  // undo or redo at work: not recorded
  std::vector<int> markedLines;

 protected:
  void draw() override;

 private:
  static void textChanged(int position, int inserted, int deleted, int, const char* deletedText, void* self);
  // The styles and the styler, without colouring the text anew.
  void useStyles(const EditorStyling& newStyling);
  void restyle(int from, int changedEnd);
  void fitLineNumbers();
  void drawMarks();
  EditorStyling styling;
  std::vector<Fl_Text_Display::Style_Table_Entry> styleTable;
  int numberDigits = 0;
};

Editor makeFltkEditor(ScriptEditor* widget);
void destroyFltkEditor(Editor& editor);
