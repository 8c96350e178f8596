// Modal dialogs on FLTK. The boxes are built here rather than taken from
// fl_message and friends so that the caption, the icon and the buttons are
// the program's own. Each runs its own event loop until answered; keys that
// were released meanwhile are released in the program's key state after.
#include "platform/dialogs.h"

// Fl_X (FLTK's X window record) tells whether a window has had its first
// Expose; FLTK shows it only to code that asks for its internals.
#define FL_INTERNALS

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Float_Input.H>
#include <FL/Fl_Help_Dialog.H>
#include <FL/Fl_Int_Input.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Native_File_Chooser.H>
#include <FL/Fl_Return_Button.H>
#include <FL/Fl_Shared_Image.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/core_termination.h"
#include "platform/window_system.h"

namespace {
constexpr int margin = 12, iconSize = 44, buttonWidth = 110, buttonHeight = 28;

// Box labels treat "@" as the start of a symbol name.
std::string literalLabel(const char* text) {
  std::string out;
  for (const char* p = text ? text : ""; *p; ++p) {
    if (*p == '@') out += '@';
    out += *p;
  }
  return out;
}

void appendToMessageLog(const char* text, const char* caption) {
  const char* path = std::getenv("VEXOCAD_MESSAGE_LOG");
  if (!path || !*path) return;
  std::string line = text;
  std::replace(line.begin(), line.end(), '\n', ' ');
  if (FILE* f = std::fopen(path, "a")) {
    std::fprintf(f, "%s: %s\n", caption, line.c_str());
    std::fclose(f);
  }
}

Fl_Box* makeIcon(MessageIcon icon) {
  if (icon == ICON_NONE) return nullptr;
  Fl_Box* box = new Fl_Box(margin, margin, iconSize, iconSize);
  box->box(FL_OVAL_BOX);
  box->labelfont(FL_TIMES_BOLD);
  box->labelsize(30);
  box->labelcolor(FL_WHITE);
  switch (icon) {
    case ICON_EXCLAMATION: box->label("!"), box->color(fl_rgb_color(230, 160, 0)); break;
    case ICON_INFORMATION: box->label("i"), box->color(fl_rgb_color(40, 90, 200)); break;
    default: box->label("X"), box->color(fl_rgb_color(200, 30, 30)); break;
  }
  return box;
}

// Without a window manager nobody moves the keyboard focus to a new box, so
// the box takes it itself and gives it back when it closes.
struct KeyboardFocus {
  Window window = 0;
  int revertTo = RevertToParent;
  std::shared_ptr<Fl_Widget_Tracker> widget;  // the program's widget that had the keys
};

// FLTK's own wait_for_expose waits for ever when the window's first Expose
// never comes, and FLTK draws nothing in a window until it has come: a busy
// machine once froze a start-up box that way, grey and deaf. The wait here
// is bounded, and a window still unexposed after it is drawn all the same.
void showAndWaitForExpose(Fl_Window& window) {
  window.show();
  for (int tries = 0; tries < 300 && window.shown(); ++tries) {
    const Fl_X* x = Fl_X::i(&window);
    if (x && !x->wait_for_expose) return;
    Fl::wait(0.01);
  }
  if (Fl_X* x = window.shown() ? Fl_X::i(&window) : nullptr) {
    x->wait_for_expose = 0;
    window.redraw();
  }
}

bool isViewable(Window window) {
  XWindowAttributes attributes;
  return window && XGetWindowAttributes(fl_display, window, &attributes) && attributes.map_state == IsViewable;
}

KeyboardFocus takeKeyboardFocus(Fl_Window& window) {
  KeyboardFocus previous;
  if (Fl::focus()) previous.widget = std::make_shared<Fl_Widget_Tracker>(Fl::focus());
  showAndWaitForExpose(window);
  XGetInputFocus(fl_display, &previous.window, &previous.revertTo);
  if (window.shown() && isViewable(fl_xid(&window)))
    XSetInputFocus(fl_display, fl_xid(&window), RevertToParent, CurrentTime);
  return previous;
}

void giveKeyboardFocusBack(const KeyboardFocus& previous) {
  if (previous.widget && previous.widget->exists()) {
    Fl_Widget* widget = previous.widget->widget();
    Fl_Window* top = widget->as_window() ? widget->as_window() : widget->window();
    while (top && top->window()) top = top->window();
    if (top && top->shown() && top->visible()) {
      XSetInputFocus(fl_display, fl_xid(top), RevertToParent, CurrentTime);
      Fl::focus(widget);
      return;
    }
  }
  if (previous.window == PointerRoot) return;
  if (isViewable(previous.window))
    XSetInputFocus(fl_display, previous.window, previous.revertTo, CurrentTime);
}

struct ModalBox {
  int answer = -1;
  int cancelAnswer = 0;
  std::vector<Fl_Widget*> buttons;
};

void buttonPressed(Fl_Widget* button, void* data) {
  ModalBox* box = static_cast<ModalBox*>(data);
  const auto found = std::find(box->buttons.begin(), box->buttons.end(), button);
  box->answer = int(found - box->buttons.begin());
  button->window()->hide();
}

void boxClosing(Fl_Widget* window, void* data) {
  ModalBox* box = static_cast<ModalBox*>(data);
  box->answer = box->cancelAnswer;
  window->hide();
}

// Shows text with the icon and the buttons (the first is the default, Enter
// presses it); returns the index of the button, or cancelAnswer when the box
// is closed or Escape pressed.
int runModalBox(const char* text, const char* caption, MessageIcon icon, const std::vector<const char*>& buttons,
                int cancelAnswer) {
  if (terminationSignal()) return cancelAnswer;  // the program is ending: no box waits for an answer
  const std::string label = literalLabel(text);
  fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
  int textWidth = 0, textHeight = 0;
  fl_measure(label.c_str(), textWidth, textHeight, 0);
  if (textWidth > 520) {
    textWidth = 520, textHeight = 0;
    fl_measure(label.c_str(), textWidth, textHeight, 0);
  }
  const int textX = icon == ICON_NONE ? margin : 2 * margin + iconSize;
  const int buttonsWidth = int(buttons.size()) * (buttonWidth + margin) - margin;
  const int width = std::max(textX + textWidth + 16 + margin, buttonsWidth + 2 * margin);
  const int textAreaHeight = std::max(textHeight, icon == ICON_NONE ? 0 : iconSize);
  const int height = margin + textAreaHeight + margin + buttonHeight + margin;

  ModalBox state;
  state.cancelAnswer = cancelAnswer;
  Fl_Window window((Fl::w() - width) / 2, (Fl::h() - height) / 2, width, height);
  window.copy_label(caption);
  makeIcon(icon);
  Fl_Box* message = new Fl_Box(textX, margin, textWidth + 16, textAreaHeight);
  message->copy_label(label.c_str());
  message->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  int x = width - margin - buttonsWidth;
  for (size_t i = 0; i < buttons.size(); ++i, x += buttonWidth + margin) {
    Fl_Button* button = i == 0 ? new Fl_Return_Button(x, height - margin - buttonHeight, buttonWidth, buttonHeight)
                               : new Fl_Button(x, height - margin - buttonHeight, buttonWidth, buttonHeight);
    button->copy_label(buttons[i]);
    button->callback(buttonPressed, &state);
    state.buttons.push_back(button);
  }
  window.end();
  window.callback(boxClosing, &state);
  window.set_modal();
  // The default button takes the keys only once the box is built and shown:
  // given while the box is being built, the widgets made after it are added
  // to no window (the other buttons were never shown nor freed), and the
  // widget that had the keys before the box would be forgotten.
  KeyboardFocus previous = takeKeyboardFocus(window);
  // A box answered while it was being shown (a key already on its way) stays
  // closed: without a window manager, FLTK's focus call shows its window again.
  if (!state.buttons.empty() && window.shown()) Fl::focus(state.buttons.front());
  while (window.shown()) Fl::wait();
  giveKeyboardFocusBack(previous);
  releaseKeysNoLongerHeld();
  return state.answer < 0 ? cancelAnswer : state.answer;
}

bool fileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool confirmOverwrite(const std::string& path) {
  const std::string text = "Le fichier " + path + " existe déjà.\nVoulez-vous le remplacer ?";
  return runModalBox(text.c_str(), "Confirmer l'enregistrement", ICON_EXCLAMATION, {"Oui", "Non"}, 1) == 0;
}

// The progress window of a long compile.
struct CompileProgress {
  std::unique_ptr<Fl_Window> window;
  Fl_Box* text = nullptr;
  bool stopRequested = false;
  KeyboardFocus focus;
};
CompileProgress progress;

void stopPressed(Fl_Widget*, void*) { progress.stopRequested = true; }

void openProgressWindow() {
  progress.window = std::make_unique<Fl_Window>((Fl::w() - 340) / 2, (Fl::h() - 120) / 2, 340, 120);
  progress.window->copy_label("Compilation");
  progress.text = new Fl_Box(margin, margin, 340 - 2 * margin, 60);
  progress.text->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  Fl_Button* stop = new Fl_Button(340 - margin - buttonWidth, 120 - margin - buttonHeight, buttonWidth, buttonHeight,
                                  "Arrêter");
  stop->callback(stopPressed);
  progress.window->end();
  progress.window->callback(stopPressed);
  progress.window->set_modal();
  progress.focus = takeKeyboardFocus(*progress.window);
  progress.stopRequested = false;
}

// The find box: it stays open beside the program, whose loop handles its
// events.
struct FindBox {
  std::unique_ptr<Fl_Window> window;
  Fl_Input* input = nullptr;
  Fl_Box* status = nullptr;
  bool (*findNext)(const std::string&) = nullptr;
  KeyboardFocus focus;
};
FindBox findBox;

void findNextPressed(Fl_Widget*, void*) {
  const bool found = findBox.findNext && findBox.findNext(findBox.input->value());
  findBox.status->label(found || !*findBox.input->value() ? "" : "Texte introuvable.");
  findBox.window->redraw();
}

void findBoxClosing(Fl_Widget*, void*) {
  findBox.window->hide();
  giveKeyboardFocusBack(findBox.focus);
}

void makeFindBox() {
  constexpr int width = 380, height = 2 * margin + 2 * buttonHeight + margin;
  findBox.window = std::make_unique<Fl_Window>((Fl::w() - width) / 2, (Fl::h() - height) / 3, width, height);
  findBox.window->copy_label("Rechercher");
  findBox.input = new Fl_Input(margin + 95, margin, width - 2 * margin - 95, buttonHeight, "Rechercher :");
  const int row = 2 * margin + buttonHeight;
  findBox.status = new Fl_Box(margin, row, width - 4 * margin - 2 * buttonWidth, buttonHeight);
  findBox.status->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE);
  Fl_Button* next = new Fl_Return_Button(width - 2 * (margin + buttonWidth), row, buttonWidth, buttonHeight, "Suivant");
  next->callback(findNextPressed);
  Fl_Button* close = new Fl_Button(width - margin - buttonWidth, row, buttonWidth, buttonHeight, "Fermer");
  close->callback(findBoxClosing);
  findBox.window->end();
  findBox.window->callback(findBoxClosing);
  findBox.window->set_non_modal();
}

void messageBox(const char* text, const char* caption, MessageIcon icon) {
  runModalBox(text, caption ? caption : "", icon, {"OK"}, 0);
}

// A name typed without an extension gets ".txt".
std::string withDefaultExtension(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  if (base.empty() || base.find('.') != std::string::npos) return path;
  return path + ".txt";
}
}  // namespace

void installMessageBoxes() { setMessageSink(messageBox); }

SaveAnswer askSaveQuestion(const char* text, const char* caption) {
  appendToMessageLog(text, caption);
  switch (runModalBox(text, caption, ICON_EXCLAMATION, {"Enregistrer", "Ne pas enregistrer", "Annuler"}, 2)) {
    case 0: return SaveAnswer::Save;
    case 1: return SaveAnswer::Discard;
    default: return SaveAnswer::Cancel;
  }
}

RecoveryAnswer askRecoveryQuestion(const char* text, const char* caption) {
  appendToMessageLog(text, caption);
  switch (runModalBox(text, caption, ICON_INFORMATION, {"Rétablir", "Abandonner"}, 2)) {
    case 0: return RecoveryAnswer::Restore;
    case 1: return RecoveryAnswer::Drop;
    default: return RecoveryAnswer::Later;
  }
}

bool chooseDocumentFileName(bool forSaving, const std::string& current, std::string* path) {
  if (terminationSignal()) return false;
  Fl_Native_File_Chooser chooser;
  chooser.type(forSaving ? Fl_Native_File_Chooser::BROWSE_SAVE_FILE : Fl_Native_File_Chooser::BROWSE_FILE);
  chooser.filter("Fichiers Vexo et Text (*.vxo)\t*.{vxo,txt}\nTous les fichiers (*.*)\t*");
  chooser.filter_value(0);
  // The current document's folder (else the working folder), and its name
  // proposed for saving.
  std::error_code error;
  const std::filesystem::path document = std::filesystem::absolute(current.empty() ? "sans titre.vxo" : current, error);
  const std::string folder = document.parent_path().string(), name = document.filename().string();
  if (!error) chooser.directory(folder.c_str());
  if (!error && forSaving) chooser.preset_file(name.c_str());
  if (forSaving) chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM);
  enterDeafLoop();  // GTK's dialog runs a loop of its own
  const int result = chooser.show();
  leaveDeafLoop();
  releaseKeysNoLongerHeld();
  if (result != 0 || !chooser.filename() || !*chooser.filename()) return false;
  std::string chosen = chooser.filename();
  if (forSaving) {
    // The dialog confirmed the name as typed; a name it never saw needs its own.
    const std::string extended = withDefaultExtension(chosen);
    if (extended != chosen && fileExists(extended) && !confirmOverwrite(extended)) return false;
    chosen = extended;
  }
  *path = chosen;
  return true;
}

void showFindBox(bool (*findNext)(const std::string& utf8)) {
  if (!findBox.window) makeFindBox();
  findBox.findNext = findNext;
  findBox.status->label("");
  if (!findBox.window->shown()) findBox.focus = takeKeyboardFocus(*findBox.window);
  findBox.window->show();
  Fl::focus(findBox.input);
  findBox.input->position(findBox.input->size(), 0);  // all selected: typing replaces it
}

bool showCompileProgress(long long linesRead, long long lineCount, int piecesPlaced, bool finished) {
  if (finished) {
    progress.window.reset();
    giveKeyboardFocusBack(progress.focus);
    releaseKeysNoLongerHeld();
    return true;
  }
  if (terminationSignal()) return false;
  if (!progress.window) openProgressWindow();
  char text[200];
  std::snprintf(text, sizeof text, "Compilation en cours (script de %lld lignes)\nLignes lues : %lld\nPièces placées : %d",
                lineCount, linesRead, piecesPlaced);
  progress.text->copy_label(text);
  Fl::check();
  return !progress.stopRequested;
}

// ------------------------------------------------------------ export dialog
namespace {
struct ExportDialog {
  ExportChoices* choices = nullptr;
  std::string (*pathFor)(ExportKind) = nullptr;
  Fl_Choice* kind = nullptr;
  Fl_Input* path = nullptr;
  Fl_Int_Input* width = nullptr;
  Fl_Int_Input* height = nullptr;
  Fl_Float_Input* scale = nullptr;
  Fl_Input* have = nullptr;
  Fl_Button* haveBrowse = nullptr;
  std::string proposedPath;  // the path follows the kind until the user edits it
  ExportKind shownKind = ExportKind::IMAGE;
  bool accepted = false;
};

ExportKind chosenKind(const ExportDialog& d) { return ExportKind(std::max(0, d.kind->value())); }

void setSize(ExportDialog& d, int width, int height) {
  d.width->value(std::to_string(width).c_str());
  d.height->value(std::to_string(height).c_str());
}

void proposedSize(const ExportDialog& d, ExportKind kind, int& width, int& height) {
  const bool booklet = kind == ExportKind::BOOKLET || kind == ExportKind::BOOKLET_PDF;
  width = booklet ? d.choices->bookletWidth : d.choices->viewWidth;
  height = booklet ? d.choices->bookletHeight : d.choices->viewHeight;
}

// Only the options of the chosen kind can be changed.
void showKindOptions(ExportDialog& d) {
  const ExportKind kind = chosenKind(d);
  const bool sized = kind == ExportKind::IMAGE || kind == ExportKind::BOOKLET || kind == ExportKind::BOOKLET_PDF;
  const bool parts = kind >= ExportKind::PARTS_TEXT && kind <= ExportKind::PARTS_HTML;
  for (Fl_Widget* w : {static_cast<Fl_Widget*>(d.width), static_cast<Fl_Widget*>(d.height)})
    sized ? w->activate() : w->deactivate();
  kind >= ExportKind::MESH_STL ? d.scale->activate() : d.scale->deactivate();
  parts ? d.have->activate() : d.have->deactivate();
  parts ? d.haveBrowse->activate() : d.haveBrowse->deactivate();
}

void kindChanged(Fl_Widget*, void* data) {
  ExportDialog& d = *static_cast<ExportDialog*>(data);
  const ExportKind kind = chosenKind(d);
  if (d.path->value() == d.proposedPath) {
    d.proposedPath = d.pathFor(kind);
    d.path->value(d.proposedPath.c_str());
  }
  int oldWidth, oldHeight, newWidth, newHeight;
  proposedSize(d, d.shownKind, oldWidth, oldHeight);
  proposedSize(d, kind, newWidth, newHeight);
  if (std::atoi(d.width->value()) == oldWidth && std::atoi(d.height->value()) == oldHeight)
    setSize(d, newWidth, newHeight);
  d.shownKind = kind;
  showKindOptions(d);
}

// The chooser opens where the field's path is, with its name proposed.
bool choosePath(Fl_Native_File_Chooser::Type type, const char* filter, const std::string& current, std::string& out) {
  if (terminationSignal()) return false;
  Fl_Native_File_Chooser chooser;
  chooser.type(type);
  if (filter) chooser.filter(filter);
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(current.empty() ? "." : current, error);
  const std::string folder = path.parent_path().string(), name = path.filename().string();
  if (!error) chooser.directory(folder.c_str());
  if (!error && type != Fl_Native_File_Chooser::BROWSE_FILE) chooser.preset_file(name.c_str());
  if (type == Fl_Native_File_Chooser::BROWSE_SAVE_FILE) chooser.options(Fl_Native_File_Chooser::SAVEAS_CONFIRM);
  enterDeafLoop();
  const int result = chooser.show();
  leaveDeafLoop();
  releaseKeysNoLongerHeld();
  if (result != 0 || !chooser.filename() || !*chooser.filename()) return false;
  out = chooser.filename();
  return true;
}

void browseForPath(Fl_Widget*, void* data) {
  ExportDialog& d = *static_cast<ExportDialog*>(data);
  const bool folder = chosenKind(d) == ExportKind::BOOKLET;
  std::string chosen;
  if (choosePath(folder ? Fl_Native_File_Chooser::BROWSE_SAVE_DIRECTORY : Fl_Native_File_Chooser::BROWSE_SAVE_FILE,
                 nullptr, d.path->value(), chosen))
    d.path->value(chosen.c_str());
}

void browseForCollection(Fl_Widget*, void* data) {
  ExportDialog& d = *static_cast<ExportDialog*>(data);
  std::string chosen;
  if (choosePath(Fl_Native_File_Chooser::BROWSE_FILE, "Collections (*.csv)\t*.csv\nTous les fichiers (*.*)\t*",
                 d.have->value(), chosen))
    d.have->value(chosen.c_str());
}

// The numbers are checked here, the rest by the export itself.
void exportAccepted(Fl_Widget* button, void* data) {
  ExportDialog& d = *static_cast<ExportDialog*>(data);
  ExportChoices& c = *d.choices;
  char* end = nullptr;
  const double scale = std::strtod(d.scale->value(), &end);
  if (end == d.scale->value() || *end || !(scale > 0)) {
    messageBox("L'échelle doit être un nombre positif, par exemple 1 ou 0.5.", "Export", ICON_EXCLAMATION);
    return;
  }
  c.kind = chosenKind(d);
  c.path = d.path->value();
  c.width = std::atoi(d.width->value());
  c.height = std::atoi(d.height->value());
  c.scale = scale;
  c.havePath = d.have->value();
  d.accepted = true;
  button->window()->hide();
}

void exportCancelled(Fl_Widget* widget, void*) {
  (widget->as_window() ? widget->as_window() : widget->window())->hide();
}

std::string scaleText(double scale) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", scale);
  return text;
}

Fl_Input* labelledInput(Fl_Input* input, const char* value) {
  input->value(value);
  return input;
}
}  // namespace

namespace {
constexpr int exportWidth = 600, exportLabelWidth = 110, exportRow = buttonHeight + 8;
constexpr int fieldX = margin + exportLabelWidth, fieldWidth = exportWidth - fieldX - 2 * margin - buttonWidth;

// The fields, one row each from y down: kind, path, size, scale, collection.
void addExportFields(ExportDialog& d, const ExportChoices& c, int y) {
  d.kind = new Fl_Choice(fieldX, y, fieldWidth, buttonHeight, "&Exporter :");
  for (int k = 0; k < EXPORT_KIND_COUNT; ++k) d.kind->add(literalLabel(exportKindLabel(ExportKind(k))).c_str());
  d.kind->value(int(c.kind));
  d.kind->callback(kindChanged, &d);
  y += exportRow;
  d.path = labelledInput(new Fl_Input(fieldX, y, fieldWidth, buttonHeight, "&Vers :"), c.path.c_str());
  (new Fl_Button(fieldX + fieldWidth + margin, y, buttonWidth, buttonHeight, "&Parcourir..."))
      ->callback(browseForPath, &d);
  y += exportRow;
  d.width = new Fl_Int_Input(fieldX, y, 80, buttonHeight, "&Largeur :");
  d.height = new Fl_Int_Input(fieldX + 80 + exportLabelWidth, y, 80, buttonHeight, "&Hauteur :");
  setSize(d, c.width, c.height);
  y += exportRow;
  d.scale = new Fl_Float_Input(fieldX, y, 80, buttonHeight, "É&chelle :");
  d.scale->value(scaleText(c.scale).c_str());
  y += exportRow;
  d.have = labelledInput(new Fl_Input(fieldX, y, fieldWidth, buttonHeight, "C&ollection :"), c.havePath.c_str());
  d.haveBrowse = new Fl_Button(fieldX + fieldWidth + margin, y, buttonWidth, buttonHeight, "Pa&rcourir...");
  d.haveBrowse->callback(browseForCollection, &d);
}

void addExportButtons(ExportDialog& d, int height) {
  const int y = height - margin - buttonHeight;
  Fl_Button* ok = new Fl_Return_Button(exportWidth - 2 * (margin + buttonWidth), y, buttonWidth, buttonHeight, "OK");
  ok->callback(exportAccepted, &d);
  (new Fl_Button(exportWidth - margin - buttonWidth, y, buttonWidth, buttonHeight, "Annuler"))
      ->callback(exportCancelled);
}
}  // namespace

bool askExportChoices(ExportChoices& choices, std::string (*pathFor)(ExportKind), const std::string& note) {
  if (terminationSignal()) return false;
  constexpr int noteHeight = 48, height = margin + noteHeight + 5 * exportRow + margin + buttonHeight + margin;
  ExportDialog d;
  d.choices = &choices;
  d.pathFor = pathFor;
  d.shownKind = choices.kind;
  d.proposedPath = choices.path;
  Fl_Window window((Fl::w() - exportWidth) / 2, (Fl::h() - height) / 2, exportWidth, height);
  window.copy_label("Exporter le modèle");
  Fl_Box* explanation = new Fl_Box(margin, margin, exportWidth - 2 * margin, noteHeight - 4);
  explanation->copy_label(literalLabel(note.c_str()).c_str());
  explanation->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  addExportFields(d, choices, margin + noteHeight);
  addExportButtons(d, height);
  window.end();
  window.callback(exportCancelled);
  window.set_modal();
  showKindOptions(d);
  KeyboardFocus previous = takeKeyboardFocus(window);
  if (window.shown()) Fl::focus(d.kind);
  while (window.shown()) Fl::wait();
  giveKeyboardFocusBack(previous);
  releaseKeysNoLongerHeld();
  return d.accepted;
}

// The progress window of a long export, like a compile's.
namespace {
CompileProgress exportProgress;
void stopExportPressed(Fl_Widget*, void*) { exportProgress.stopRequested = true; }
}  // namespace

bool showExportProgress(const std::string& text, bool finished) {
  if (finished) {
    if (!exportProgress.window) return true;
    exportProgress.window.reset();
    giveKeyboardFocusBack(exportProgress.focus);
    releaseKeysNoLongerHeld();
    return true;
  }
  if (terminationSignal()) return false;
  if (!exportProgress.window) {
    exportProgress.window = std::make_unique<Fl_Window>((Fl::w() - 340) / 2, (Fl::h() - 120) / 2, 340, 120);
    exportProgress.window->copy_label("Export");
    exportProgress.text = new Fl_Box(margin, margin, 340 - 2 * margin, 60);
    exportProgress.text->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
    Fl_Button* stop = new Fl_Button(340 - margin - buttonWidth, 120 - margin - buttonHeight, buttonWidth,
                                    buttonHeight, "Arrêter");
    stop->callback(stopExportPressed);
    exportProgress.window->end();
    exportProgress.window->callback(stopExportPressed);
    exportProgress.window->set_modal();
    exportProgress.focus = takeKeyboardFocus(*exportProgress.window);
    exportProgress.stopRequested = false;
  }
  exportProgress.text->copy_label(text.c_str());
  Fl::check();
  return !exportProgress.stopRequested;
}

// FLTK's help dialog: an HTML 3.2 view with back, forward and font size;
// its title follows the page's. Made once, on first use, and kept, so that
// it remembers where the user was.
void showHelpPage(const std::string& path) {
  static std::unique_ptr<Fl_Help_Dialog> help;
  if (!help) {
    fl_register_images();  // the pictures of the pieces are PNG files
    help = std::make_unique<Fl_Help_Dialog>();
    help->resize(help->x(), help->y(), 760, 640);
  }
  help->load(path.c_str());
  help->show();
}

// The window shows the pages; nothing is kept.
const std::vector<std::string>& helpPagesShown() {
  static const std::vector<std::string> none;
  return none;
}
