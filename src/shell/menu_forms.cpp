// The forms of "Aller à la ligne", "Rechercher et remplacer" and
// "Préférences": their fields, their checks, and what they give.
#include "shell/menu_forms.h"

#include <algorithm>
#include <cstdlib>

namespace {
FormField field(FormField::Type type, const char* label, std::string value, int width = 0) {
  FormField f;
  f.type = type, f.label = label, f.value = std::move(value), f.width = width;
  return f;
}

std::string checkLine(const Form& form, void* context) {
  const int count = static_cast<const LineForm*>(context)->lineCount;
  const int line = std::atoi(form.fields[0].value.c_str());
  if (line >= 1 && line <= count) return "";
  return "Le numéro de ligne doit aller de 1 à " + std::to_string(count) + ".";
}

// Found as the editor finds: ASCII letters in either case.
std::string checkFound(const Form& form, void* context) {
  const std::string& wanted = form.fields[0].value;
  if (wanted.empty()) return "Indiquez le texte à rechercher.";
  auto lower = [](std::string s) {
    for (char& c : s) c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return s;
  };
  const std::string text = editorTextUtf8(static_cast<const ReplaceForm*>(context)->editor);
  if (lower(text).find(lower(wanted)) != std::string::npos) return "";
  return "Texte introuvable : « " + wanted + " ».";
}
}  // namespace

void makeLineForm(LineForm& f, int lineCount, int caretLine) {
  f.lineCount = std::max(1, lineCount);
  f.form = Form{};
  f.form.title = "Aller à la ligne";
  f.form.note = "Le script a " + std::to_string(f.lineCount) + " ligne" + (f.lineCount > 1 ? "s." : ".");
  f.form.fields.push_back(field(FormField::INTEGER, "&Ligne :", std::to_string(caretLine), 100));
  f.form.check = checkLine;
  f.form.checkCaption = "Aller à la ligne";
  f.form.context = &f;
}

int chosenLine(const LineForm& f) { return std::atoi(f.form.fields[0].value.c_str()); }

void makeReplaceForm(ReplaceForm& f, const Editor& editor, const std::string& wanted) {
  f.editor = editor;
  f.form = Form{};
  f.form.title = "Rechercher et remplacer";
  f.form.note = "Chaque occurrence du texte est remplacée ; un seul Ctrl+Z les rétablit toutes.";
  f.form.fields.push_back(field(FormField::TEXT, "&Rechercher :", wanted));
  f.form.fields.push_back(field(FormField::TEXT, "Remplacer &par :", ""));
  f.form.check = checkFound;
  f.form.checkCaption = "Rechercher et remplacer";
  f.form.context = &f;
  f.form.okLabel = "Tout remplacer";
}

int replaceAsChosen(const ReplaceForm& f) {
  return replaceAllInEditor(f.editor, f.form.fields[0].value, f.form.fields[1].value);
}

void makePreferencesForm(Form& form, const Preferences& p) {
  form = Form{};
  form.title = "Préférences";
  form.note = "Les messages du compilateur sont toujours dans la liste sous l'éditeur ; chacun peut aussi "
              "s'ouvrir dans une boîte. Ces préférences sont gardées d'une séance à l'autre.";
  FormField messages = field(FormField::CHOICE, "&Messages :", "");
  messages.entries = {"dans une boîte et dans la liste", "dans la liste seulement"};
  messages.chosen = p.messageBoxes ? 0 : 1;
  form.fields.push_back(messages);
}

void readPreferencesForm(const Form& form, Preferences& p) { p.messageBoxes = form.fields[0].chosen == 0; }
