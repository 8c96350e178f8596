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
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/core_termination.h"
#include "platform/fltk_widgets.h"
#include "platform/window_system.h"

namespace {
constexpr int margin = 12, iconSize = 44, buttonWidth = 110, buttonHeight = 28;

// The program's frame, drawn from FLTK's checks (run before every wait of
// any event loop, GTK's file dialog's included) while a dialog is open.
void (*frameHook)() = nullptr;
int dialogsOpen = 0;

void drawFrameBehindDialog(void*) {
  if (dialogsOpen > 0 && frameHook) frameHook();
}

}  // namespace

void drawFrameIfDialogOpen() { drawFrameBehindDialog(nullptr); }

namespace {
struct DialogOpen {
  DialogOpen() { ++dialogsOpen; }
  ~DialogOpen() { --dialogsOpen; }
  DialogOpen(const DialogOpen&) = delete;
  DialogOpen& operator=(const DialogOpen&) = delete;
};

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

// A button as wide as its label needs, with room for the Enter glyph of a
// default button, and never narrower than the others.
int buttonWidthFor(const char* label, bool defaultButton) {
  fl_font(FL_HELVETICA, FL_NORMAL_SIZE);
  int width = 0, height = 0;
  fl_measure(label, width, height, 0);
  return std::max(buttonWidth, width + 24 + (defaultButton ? 26 : 0));
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
  std::vector<int> widths;
  int buttonsWidth = -margin;
  for (size_t i = 0; i < buttons.size(); ++i)
    buttonsWidth += margin + widths.emplace_back(buttonWidthFor(buttons[i], i == 0));
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
  for (size_t i = 0; i < buttons.size(); x += widths[i] + margin, ++i) {
    const int y = height - margin - buttonHeight;
    Fl_Button* button = i == 0 ? new Fl_Return_Button(x, y, widths[i], buttonHeight)
                               : new Fl_Button(x, y, widths[i], buttonHeight);
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
  const DialogOpen open;
  while (window.shown()) Fl::wait();
  giveKeyboardFocusBack(previous);
  releaseKeysNoLongerHeld();
  return state.answer < 0 ? cancelAnswer : state.answer;
}

// ------------------------------------------------------------ file dialogs

// GTK's file dialog is transient for the main window, but a window manager
// still busy giving the keys back to the main window after a question box
// (whose window is gone) raises it over the dialog it has just mapped. So
// the dialog waits, a second at most, until the window manager has made
// one of the program's windows the active one.
Window activeWindow() {
  Atom type;
  int format;
  unsigned long count = 0, left = 0;
  unsigned char* data = nullptr;
  Window active = 0;
  const Window root = RootWindow(fl_display, fl_screen);
  const Atom property = XInternAtom(fl_display, "_NET_ACTIVE_WINDOW", False);
  if (XGetWindowProperty(fl_display, root, property, 0, 1, False, XA_WINDOW, &type, &format, &count, &left,
                         &data) == Success && data && count == 1 && format == 32)
    active = *reinterpret_cast<const Window*>(data);
  if (data) XFree(data);
  return active;
}

bool isOurWindow(Window window) {
  for (Fl_Window* w = Fl::first_window(); w; w = Fl::next_window(w))
    if (w->shown() && fl_xid(w) == window) return true;
  return false;
}

bool hasWindowManager() {
  const Atom supported = XInternAtom(fl_display, "_NET_SUPPORTING_WM_CHECK", True);
  Atom type = None;
  int format;
  unsigned long count = 0, left = 0;
  unsigned char* data = nullptr;
  const bool found = supported != None &&
                     XGetWindowProperty(fl_display, RootWindow(fl_display, fl_screen), supported, 0, 1, False,
                                        XA_WINDOW, &type, &format, &count, &left, &data) == Success && count == 1;
  if (data) XFree(data);
  return found;
}

void waitForTheActiveWindow() {
  XSync(fl_display, False);
  if (!hasWindowManager()) return;
  for (int tries = 0; tries < 50 && !isOurWindow(activeWindow()); ++tries) Fl::wait(0.02);
}

// The chooser shown under its title; true when a name was chosen.
bool runFileChooser(Fl_Native_File_Chooser& chooser, const char* title) {
  waitForTheActiveWindow();
  chooser.title(title);
  enterDeafLoop();  // GTK's dialog runs a loop of its own
  const int result = [&] {
    const DialogOpen open;
    return chooser.show();
  }();
  leaveDeafLoop();
  releaseKeysNoLongerHeld();
  return result == 0 && chooser.filename() && *chooser.filename();
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
  ++dialogsOpen;
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

void setDialogFrameHook(void (*drawFrame)()) {
  if (!frameHook) Fl::add_check(drawFrameBehindDialog);
  frameHook = drawFrame;
}

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
  if (!runFileChooser(chooser, forSaving ? "Enregistrer le script" : "Ouvrir un script")) return false;
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
    if (progress.window) --dialogsOpen;
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

// ------------------------------------------------------------------ forms
namespace {
constexpr int formWidth = 600, formLabelWidth = 110, formRow = buttonHeight + 8, noteHeight = 48;
constexpr int fieldX = margin + formLabelWidth, fullFieldWidth = formWidth - fieldX - 2 * margin - buttonWidth;

struct FormWidgets {
  Form* form = nullptr;
  std::vector<Fl_Widget*> fields;  // an Fl_Choice or an Fl_Input, by field
  std::vector<Fl_Button*> browse;  // by field, nullptr where it has none
  bool accepted = false;
};

struct FieldButton {
  FormWidgets* widgets;
  int field;
};

// The form's fields take the widgets' values, or the widgets the fields'.
void readWidgets(FormWidgets& w) {
  for (size_t i = 0; i < w.fields.size(); ++i) {
    FormField& f = w.form->fields[i];
    if (f.type == FormField::LABEL) continue;
    if (f.type == FormField::CHOICE)
      f.chosen = std::max(0, static_cast<Fl_Choice*>(w.fields[i])->value());
    else
      f.value = static_cast<Fl_Input*>(w.fields[i])->value();
  }
}

void showWidgets(FormWidgets& w) {
  for (size_t i = 0; i < w.fields.size(); ++i) {
    const FormField& f = w.form->fields[i];
    if (f.type == FormField::LABEL) {
      if (f.value != w.fields[i]->label()) w.fields[i]->copy_label(literalLabel(f.value.c_str()).c_str());
    } else if (f.type == FormField::CHOICE) {
      Fl_Choice* choice = static_cast<Fl_Choice*>(w.fields[i]);
      if (choice->value() != f.chosen) choice->value(f.chosen);
    } else if (Fl_Input* input = static_cast<Fl_Input*>(w.fields[i]); f.value != input->value()) {
      input->value(f.value.c_str());
    }
    for (Fl_Widget* widget : {w.fields[i], static_cast<Fl_Widget*>(w.browse[i])})
      if (widget) f.active ? widget->activate() : widget->deactivate();
  }
}

void choicePicked(Fl_Widget*, void* data) {
  FieldButton& at = *static_cast<FieldButton*>(data);
  FormWidgets& w = *at.widgets;
  readWidgets(w);
  if (w.form->choiceChanged) w.form->choiceChanged(*w.form, at.field, w.form->context);
  showWidgets(w);
}

void textTyped(Fl_Widget*, void* data) {
  FieldButton& at = *static_cast<FieldButton*>(data);
  FormWidgets& w = *at.widgets;
  readWidgets(w);
  if (w.form->textChanged) w.form->textChanged(*w.form, at.field, w.form->context);
  showWidgets(w);
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
  if (!runFileChooser(chooser, type == Fl_Native_File_Chooser::BROWSE_FILE ? "Choisir un fichier" : "Enregistrer sous"))
    return false;
  out = chooser.filename();
  return true;
}

void browsePressed(Fl_Widget*, void* data) {
  FieldButton& at = *static_cast<FieldButton*>(data);
  const FormField& f = at.widgets->form->fields[size_t(at.field)];
  Fl_Input* input = static_cast<Fl_Input*>(at.widgets->fields[size_t(at.field)]);
  using Chooser = Fl_Native_File_Chooser;
  const Chooser::Type type = f.browse == FormField::SAVE_FOLDER ? Chooser::BROWSE_SAVE_DIRECTORY
                             : f.browse == FormField::OPEN_FILE ? Chooser::BROWSE_FILE
                                                                : Chooser::BROWSE_SAVE_FILE;
  std::string chosen;
  if (!choosePath(type, f.filter.empty() ? nullptr : f.filter.c_str(), input->value(), chosen)) return;
  input->value(chosen.c_str());
  if (at.widgets->form->textChanged) textTyped(input, data);
}

void formAccepted(Fl_Widget* button, void* data) {
  FormWidgets& w = *static_cast<FormWidgets*>(data);
  readWidgets(w);
  const std::string refusal = w.form->check ? w.form->check(*w.form, w.form->context) : "";
  if (!refusal.empty()) {
    messageBox(refusal.c_str(), w.form->checkCaption.c_str(), ICON_EXCLAMATION);
    return;
  }
  w.accepted = true;
  button->window()->hide();
}

void formCancelled(Fl_Widget* widget, void*) {
  (widget->as_window() ? widget->as_window() : widget->window())->hide();
}

Fl_Widget* makeField(const FormField& f, int x, int y, int width) {
  if (f.type == FormField::LABEL) {
    Fl_Box* text = new Fl_Box(x, y, width, buttonHeight);
    text->copy_label(literalLabel(f.value.c_str()).c_str());
    text->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    return text;
  }
  if (f.type == FormField::CHOICE) {
    Fl_Choice* choice = new Fl_Choice(x, y, width, buttonHeight);
    choice->copy_label(f.label.c_str());
    for (const std::string& entry : f.entries) choice->add(literalLabel(entry.c_str()).c_str());
    choice->value(f.chosen);
    return choice;
  }
  Fl_Input* input = f.type == FormField::INTEGER  ? new Fl_Int_Input(x, y, width, buttonHeight)
                    : f.type == FormField::NUMBER ? new Fl_Float_Input(x, y, width, buttonHeight)
                                                  : new Fl_Input(x, y, width, buttonHeight);
  input->copy_label(f.label.c_str());
  input->value(f.value.c_str());
  return input;
}

// One row per field from y down, a field beside the last one right of it
// after a label's width; the height the rows took.
int addFormFields(FormWidgets& w, std::vector<FieldButton>& buttons, int y) {
  const std::vector<FormField>& fields = w.form->fields;
  int x = fieldX, top = y - formRow;
  for (size_t i = 0; i < fields.size(); ++i) {
    const FormField& f = fields[i];
    if (i == 0 || !f.besideLast) top += formRow, x = fieldX;
    // A text with no label of its own follows the field before closely and
    // may take the rest of the row.
    const bool bareText = i > 0 && f.besideLast && f.label.empty();
    if (bareText) x -= formLabelWidth - margin;
    const int width = f.width > 0 ? f.width : bareText ? formWidth - margin - x : fullFieldWidth;
    w.fields.push_back(makeField(f, x, top, width));
    if (f.type == FormField::CHOICE) w.fields.back()->callback(choicePicked, &buttons[i]);
    if (f.type != FormField::CHOICE && f.type != FormField::LABEL && w.form->textChanged) {
      w.fields.back()->callback(textTyped, &buttons[i]);
      w.fields.back()->when(FL_WHEN_CHANGED);
    }
    Fl_Button* browse = nullptr;
    if (f.browse != FormField::NO_BROWSE) {
      browse = new Fl_Button(x + width + margin, top, buttonWidth, buttonHeight);
      browse->copy_label(f.browseLabel.c_str());
      browse->callback(browsePressed, &buttons[i]);
    }
    w.browse.push_back(browse);
    x += width + formLabelWidth;
  }
  return top + formRow - y;
}

void addFormButtons(FormWidgets& w, int height) {
  const int y = height - margin - buttonHeight, okWidth = buttonWidthFor(w.form->okLabel.c_str(), true);
  Fl_Button* ok = new Fl_Return_Button(formWidth - 2 * margin - buttonWidth - okWidth, y, okWidth, buttonHeight);
  ok->copy_label(w.form->okLabel.c_str());
  ok->callback(formAccepted, &w);
  (new Fl_Button(formWidth - margin - buttonWidth, y, buttonWidth, buttonHeight, "Annuler"))->callback(formCancelled);
}

int formRows(const Form& form) {
  int rows = 0;
  for (size_t i = 0; i < form.fields.size(); ++i) rows += i == 0 || !form.fields[i].besideLast;
  return rows;
}
}  // namespace

bool showForm(Form& form) {
  if (terminationSignal()) return false;
  const int height = margin + noteHeight + formRows(form) * formRow + margin + buttonHeight + margin;
  FormWidgets w;
  w.form = &form;
  std::vector<FieldButton> buttons;
  for (size_t i = 0; i < form.fields.size(); ++i) buttons.push_back({&w, int(i)});
  Fl_Window window((Fl::w() - formWidth) / 2, (Fl::h() - height) / 2, formWidth, height);
  window.copy_label(form.title.c_str());
  Fl_Box* note = new Fl_Box(margin, margin, formWidth - 2 * margin, noteHeight - 4);
  note->copy_label(literalLabel(form.note.c_str()).c_str());
  note->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_WRAP);
  addFormFields(w, buttons, margin + noteHeight);
  addFormButtons(w, height);
  window.end();
  window.callback(formCancelled);
  window.set_modal();
  showWidgets(w);
  KeyboardFocus previous = takeKeyboardFocus(window);
  if (window.shown() && !w.fields.empty()) {
    Fl::focus(w.fields.front());
    // A text field's value selected: typing replaces it.
    if (Fl_Input* input = form.fields.front().type == FormField::CHOICE || form.fields.front().type == FormField::LABEL
                              ? nullptr
                              : static_cast<Fl_Input*>(w.fields.front()))
      input->position(input->size(), 0);
  }
  const DialogOpen open;
  while (window.shown()) Fl::wait();
  giveKeyboardFocusBack(previous);
  releaseKeysNoLongerHeld();
  return w.accepted;
}

// The progress window of a long export, like a compile's.
namespace {
CompileProgress exportProgress;
void stopExportPressed(Fl_Widget*, void*) { exportProgress.stopRequested = true; }
}  // namespace

bool showExportProgress(const std::string& text, bool finished) {
  if (finished) {
    if (!exportProgress.window) return true;
    --dialogsOpen;
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
    ++dialogsOpen;
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
