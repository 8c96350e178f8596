// Modal dialogs of the desktop program, whatever toolkit runs it: message
// boxes, the question about unsaved text, the file chooser and the progress
// window of a long compile. Each blocks its caller until answered, as the
// program expects; after a termination signal each is answered as cancelled
// (or stopped) at once. The FLTK backend (fltk_dialogs.cpp) shows them; the
// headless one (headless_dialogs.cpp) has no one to ask and gives the
// answers that lose nothing.
#pragma once

#include <string>
#include <vector>

#include "platform/core_messages.h"

// Makes every message a box: caption as its title, the named icon, an OK
// button.
void installMessageBoxes();

// While a box, a form, a file dialog or a progress window holds the
// program, drawFrame is called between the events it handles, so that the
// windows behind it are drawn again (a menu closed over the view, a box
// moved) rather than left painted over.
void setDialogFrameHook(void (*drawFrame)());

enum class SaveAnswer { Save, Discard, Cancel };
// Save, discard or cancel; Escape or closing the box cancels. Logged like a
// message (caption and text) for the tests.
SaveAnswer askSaveQuestion(const char* text, const char* caption);

enum class RecoveryAnswer { Restore, Drop, Later };
// Restore or drop a recovery copy of unsaved text; Escape or closing the
// box leaves the choice for later. Logged like a message.
RecoveryAnswer askRecoveryQuestion(const char* text, const char* caption);

// The two filters of the document dialogs, opened in the folder of the
// current document's path (when it has one) with its name proposed for
// saving; for saving, a name typed without an extension gets ".txt" and an
// existing file needs a confirmation. False when cancelled.
bool chooseDocumentFileName(bool forSaving, const std::string& current, std::string* path);

// The "Rechercher" box beside the program: a text field and "Suivant",
// which calls findNext with the text (UTF-8); the box says when it found
// nothing. It stays open, without holding the program, until closed;
// showing it again brings it forward.
void showFindBox(bool (*findNext)(const std::string& utf8));

// Shows (or updates) the progress window of a compile; false once the user
// asked to stop. finished closes it.
bool showCompileProgress(long long linesRead, long long lineCount, int piecesPlaced, bool finished);

// A form: a note, then one field a row (or beside the field before), then
// OK and "Annuler". The program describes its fields and decides, through
// the callbacks, what a change of a choice does to the other fields and
// whether what was typed is accepted; the form only shows and edits them.
struct FormField {
  // A LABEL shows its value as text, which only the program changes.
  enum Type { CHOICE, TEXT, INTEGER, NUMBER, LABEL } type = TEXT;
  std::string label;                 // "&" before the access key
  std::vector<std::string> entries;  // a CHOICE's entries, in order
  int chosen = 0;                    // the entry a CHOICE shows
  std::string value;                 // what a TEXT, INTEGER or NUMBER field holds
  int width = 0;                     // pixels; 0: as wide as the row allows
  bool besideLast = false;           // on the row of the field before, right of it
  // A "Parcourir..." button right of the field fills it with a path chosen
  // in the file chooser: a file or a folder to write, or a file to read
  // (with the chooser's filter, as "Name (*.csv)\t*.csv").
  enum Browse { NO_BROWSE, SAVE_FILE, SAVE_FOLDER, OPEN_FILE } browse = NO_BROWSE;
  std::string browseLabel;
  std::string filter;
  bool active = true;  // an inactive field shows its value greyed and takes no input
};

struct Form {
  std::string title;
  std::string note;  // above the fields, wrapped
  std::vector<FormField> fields;
  // After the user picked another entry of a choice, with the form as it
  // stands: the program may change the other fields' values and browse
  // kinds, and which are active.
  void (*choiceChanged)(Form& form, int field, void* context) = nullptr;
  // After each change the user makes to the text of a TEXT, INTEGER or
  // NUMBER field, likewise; the field being typed in keeps its text.
  void (*textChanged)(Form& form, int field, void* context) = nullptr;
  // On OK: "" closes the form; a text is shown in a box of that caption and
  // the form stays open.
  std::string (*check)(const Form& form, void* context) = nullptr;
  std::string checkCaption;
  void* context = nullptr;
  std::string okLabel = "OK";
};

// Shows the form, the first field having the keys. True on OK, the fields
// then holding what the user left in them; false when cancelled (Escape,
// closing the box, "Annuler").
bool showForm(Form& form);

// Shows (or updates) the progress of a long export, saying text, with
// "Arrêter"; events are handled meanwhile. False once the user asked to
// stop; finished closes it.
bool showExportProgress(const std::string& text, bool finished);

// Shows an HTML page of the guide (a file path, optionally with "#anchor")
// in the program's help window, which stays open beside the program; showing
// it again loads the page into the same window. The caller checks that the
// file is there.
void showHelpPage(const std::string& path);
// The headless backend shows nothing and keeps every path asked for, for
// the tests.
const std::vector<std::string>& helpPagesShown();
