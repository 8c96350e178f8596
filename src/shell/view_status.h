// What the view and insertion say beyond the drawing: the start of the
// status bar (which pane has the keyboard, what a click at the pointer
// would insert or why it would not, what the last click did, a model older
// than the text), the unsaved mark in the title, and, with
// VEXOCAD_INSERTION_LOG set, each of insertion's messages as a line of that
// file, placed pieces with their matrix as --dump prints it.
#pragma once

#include <string>

#include "insertion/insertion.h"

// The preview at the pointer (nothing for no point), until the next one.
void sayPreview(const InsertionPlan& plan);
// What a click did; kept until the pointer moves.
void sayClick(const InsertionPlan& plan);
// A click that only gave the view the keyboard.
void sayKeyboardTaken();
// The pointer moved or left: the last click's message goes.
void forgetClickMessage();
// The preview's or the click's message, "" for none.
std::string insertionMessage();

// The status bar's start, each part followed by " | ": the pane with the
// keyboard, insertion's message, "modifié depuis la compilation (F12)".
std::string viewStatusPrefix();

// The model was just built from the editor's text (a compile), or an
// insertion changed text and model alike.
void noteModelMatchesText();
// The text differs from the one the model was built from, undo and redo
// included.
bool textChangedSinceModel();

// "VexoCad - " and the document's name, " *" after it while the text has
// unsaved changes, on the main window's caption.
void showDocumentTitle();
// Once a pass: the caption follows the text's changes.
void followEditorChanges();
