// The Editor operations over FLTK's text editor widget. The widget holds the
// text as UTF-8; Fl_Text_Buffer's own one-level undo serves as the undo.
#pragma once

#include "platform/core_editor.h"

class Fl_Text_Editor;

// The widget must have a buffer; it stays owned by the caller.
Editor makeFltkEditor(Fl_Text_Editor* widget);
void destroyFltkEditor(Editor& editor);
