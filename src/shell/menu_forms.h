// The small forms of the menu, asked through the platform's form: the line
// to go to (Ctrl+G), the text to replace everywhere (Ctrl+H) and the
// preferences. Each is made from what the program holds, checked on OK,
// and read back once accepted.
#pragma once

#include <string>

#include "platform/core_editor.h"
#include "platform/dialogs.h"
#include "shell/preferences.h"

// "Aller à la ligne": a line from 1 to lineCount.
struct LineForm {
  Form form;
  int lineCount = 1;
};
void makeLineForm(LineForm& f, int lineCount, int caretLine);
int chosenLine(const LineForm& f);

// "Rechercher et remplacer": OK ("Tout remplacer") is refused while the
// text is found nowhere in the editor.
struct ReplaceForm {
  Form form;
  Editor editor;
};
void makeReplaceForm(ReplaceForm& f, const Editor& editor, const std::string& wanted);
// Replaces every occurrence as one undo step; the count replaced.
int replaceAsChosen(const ReplaceForm& f);

// "Préférences": how the compiler's messages are shown.
void makePreferencesForm(Form& form, const Preferences& p);
void readPreferencesForm(const Form& form, Preferences& p);
