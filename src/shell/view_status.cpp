// The view's and insertion's messages, the document's caption and the
// record of the text the model was built from.
#include "shell/view_status.h"

#include <cstdio>
#include <cstdlib>

#include "platform/core_editor.h"
#include "platform/core_text_encoding.h"
#include "platform/window_system.h"
#include "shell/documents.h"
#include "shell/shared_state.h"

namespace {

struct InsertionMessages {
  std::string preview, click;
};
InsertionMessages said;

// The editor's text the model was built from; whether the text differs from
// it, as last found at the editor's change count checkedChange.
struct ModelText {
  std::string text;
  unsigned long checkedChange = ~0ul;
  bool changed = false;
};
ModelText modelText;
unsigned long titleChange = ~0ul;  // the change count the caption was made at

std::string utf8Line(const std::string& cp1252) { return cp1252ToUtf8(cp1252); }

// "matrix" and its 16 numbers, as --dump writes a record's.
std::string matrixText(const Matrix& m) {
  std::string text = "matrix";
  for (float e : m.m) {
    char number[32];
    std::snprintf(number, sizeof number, " %.9g", double(e));
    text += number;
  }
  return text;
}

void log(const std::string& line) {
  const char* path = std::getenv("VEXOCAD_INSERTION_LOG");
  if (!path || !*path) return;
  if (FILE* file = std::fopen(path, "a")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

std::string placedText(const InsertionPlan& plan) { return utf8Line(plan.line) + " " + matrixText(plan.record.matrix); }

const char* keyboardPane() {
  if (windowHasFocus(desktop.hEditorControl)) return "éditeur";
  if (windowHasFocus(desktop.hMainWindow) || windowHasFocus(desktop.hGlWindow)) return "vue";
  return nullptr;
}

// File names are bytes of the file system; shown as UTF-8.
std::string displayName(const char* name) {
  const std::string bytes = name;
  return isValidUtf8(bytes) ? bytes : cp1252ToUtf8(bytes);
}

}  // namespace

void sayPreview(const InsertionPlan& plan) {
  std::string text;
  if (insertsPiece(plan))
    text = "Un clic insère : " + utf8Line(plan.line);
  else if (plan.outcome != InsertionOutcome::NoPoint)
    text = "Refusé : " + plan.reason;
  if (text == said.preview) return;
  said.preview = text;
  if (insertsPiece(plan))
    log("aperçu " + placedText(plan));
  else if (!text.empty())
    log("aperçu refusé : " + plan.reason);
}

void sayClick(const InsertionPlan& plan) {
  if (insertsPiece(plan)) {
    said.click = "Inséré : " + utf8Line(plan.line);
    log("inséré " + placedText(plan));
  } else {
    said.click = "Rien n'est inséré : " + plan.reason;
    log("rien n'est inséré : " + plan.reason);
  }
}

void sayKeyboardTaken() {
  said.click = "La vue prend le clavier : rien n'est inséré (un autre clic insère)";
  log("la vue prend le clavier : rien n'est inséré");
}

void forgetClickMessage() { said.click.clear(); }

std::string insertionMessage() { return said.click.empty() ? said.preview : said.click; }

std::string viewStatusPrefix() {
  std::string text;
  if (const char* pane = keyboardPane()) text += std::string("Clavier : ") + pane + " | ";
  const std::string message = desktop.insertion.insertionMode ? insertionMessage() : said.click;
  if (!message.empty()) text += message + " | ";
  if (textChangedSinceModel()) text += "modifié depuis la compilation (F12) | ";
  return text;
}

void noteModelMatchesText() {
  modelText.text = editorTextUtf8(desktop.hEditor);
  modelText.checkedChange = editorChangeCount(desktop.hEditor);
  modelText.changed = false;
}

bool textChangedSinceModel() {
  const unsigned long change = editorChangeCount(desktop.hEditor);
  // An editor that cannot count its changes is compared every time.
  if (change != modelText.checkedChange || change == 0) {
    modelText.changed = editorTextUtf8(desktop.hEditor) != modelText.text;
    modelText.checkedChange = change;
  }
  return modelText.changed;
}

void showDocumentTitle() {
  titleChange = editorChangeCount(desktop.hEditor);
  std::snprintf(desktop.windowTitle, sizeof desktop.windowTitle, "VexoCad - %s%s", desktop.documentName,
                documentChanged(desktop.hEditor) ? " *" : "");
  setWindowText(desktop.hMainWindow, displayName(desktop.windowTitle).c_str());
}

void followEditorChanges() {
  if (editorChangeCount(desktop.hEditor) != titleChange) showDocumentTitle();
}
