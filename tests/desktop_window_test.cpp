// The main window's commands, the key switches, the script's key bindings
// and view navigation, driven through the two window procedures with messages
// sent by the tests, as the FLTK layer sends them, and through the main
// loop's own frame. No display and no GL context: the windows are headless,
// the editor is the headless one, and the frame's GL calls fall on no context.
// And the document files behind the window: opening and saving keep a file's
// bytes, its encoding and its line ends; lines stay whole; a failing save
// leaves the old file; saving keeps a file's protection, owner, mode and
// links; bad files are refused with a reason; a cancelled dialog changes
// nothing.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_editor.h"
#include "platform/dialogs.h"
#include "platform/core_messages.h"
#include "platform/window_system.h"
#include "script/key_bindings.h"
#include "shell/desktop_program.h"
#include "shell/documents.h"
#include "shell/example_documents.h"
#include "shell/gl_window.h"
#include "shell/key_switches.h"
#include "shell/main_window.h"
#include "shell/panes.h"
#include "shell/shared_state.h"
#include "support/process.h"
#include "view/camera.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> shown;  // "CAPTION: TEXT" of each box
void keepMessage(const char* text, const char* cap, MessageIcon) { shown.push_back(std::string(cap) + ": " + text); }

SaveAnswer answer = SaveAnswer::Cancel;
int questionsAsked = 0;
SaveAnswer answerQuestion(const char*, const char*) { return ++questionsAsked, answer; }

std::string chosenPath;  // what the file dialog returns; "" cancels it
bool askedForSaving = false;
std::string dialogShown;  // the current document's path it was shown with
bool chooseGivenPath(bool saving, const std::string& current, std::string* p) {
  return askedForSaving = saving, dialogShown = current, *p = chosenPath, !p->empty();
}

// A frame clock that moves on by frameStep at each frame: 60 frames a
// second unless a test says otherwise.
std::chrono::steady_clock::time_point frameTime;
std::chrono::steady_clock::duration frameStep;
std::chrono::steady_clock::time_point steppingClock() { return frameTime += frameStep; }

class DesktopWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSharedState();
    frameStep = std::chrono::nanoseconds(1000000000 / 60);
    setFrameClock(steppingClock);
    shown.clear();
    setMessageSink(keepMessage);
    questionsAsked = 0;
    answer = SaveAnswer::Cancel;
    desktop.dialogs = DesktopDialogs{};
    desktop.dialogs.askToSave = answerQuestion;
    setFileNameChooser(chooseGivenPath);
    chosenPath.clear();
    clearQuitMessage();
    desktop.hEditor = makeHeadlessEditor();
    desktop.hMainWindow = createHeadlessWindow(mainWindowProc);
    desktop.hGlWindow = createHeadlessWindow(glWindowProc);
    createPanes(nullptr, 1000, 622);
    newDocument(desktop.documentName, desktop.hEditor);
    dir = makeTempDir();
    ::setenv("XDG_STATE_HOME", dir.c_str(), 1);  // recovery copies stay in the test
  }
  void TearDown() override {
    destroyGlWindow();
    destroyPanes();
    destroyWindow(desktop.hMainWindow);
    destroyHeadlessEditor(desktop.hEditor);
    fs::remove_all(dir);
  }

  static void key(WindowHandle w, int key, bool down = true) {
    (w == desktop.hGlWindow ? glWindowProc : mainWindowProc)(w, down ? WM_KEYDOWN : WM_KEYUP, uintptr_t(key), 1);
  }
  static void command(int id) { mainWindowProc(desktop.hMainWindow, WM_COMMAND, uintptr_t(id), 0); }
  static void mouse(uint32_t message, int x, int y, uintptr_t flags = 0) {
    glWindowProc(desktop.hGlWindow, message, flags, makeLParam(x, y));
  }
  // Passes of the main loop, each with something to draw.
  static void frames(int n) {
    for (int i = 0; i < n; ++i) {
      requestRedraw();
      ASSERT_TRUE(runFrame().drawn);
    }
  }
  std::string path(const char* name) { return dir + "/" + name; }
  std::string file(const char* name, const std::string& bytes) { return writeFile(path(name), bytes), path(name); }

  std::string dir;
};

// A key held for many frames acts once; its key-up may reach the other
// window; a key pressed and released between two frames is seen by one frame.
TEST_F(DesktopWindows, SwitchKeysActOncePerPressFromEitherWindow) {
  const struct { int key, (*state)(), pressed /* after one press; the next restores it */; } cases[] = {
      {VK_F1, [] { return int(desktop.view.showRoom); }, 1}, {VK_F2, [] { return int(desktop.view.displayMode); }, DISPLAY_EDGES},
      {VK_F3, [] { return desktop.view.lightingOn * 10 + int(desktop.view.displayMode); }, DISPLAY_EDGES | DISPLAY_SOLIDS},
      {VK_F4, [] { return int(desktop.insertion.insertionMode); }, 0}, {VK_F5, [] { return int(desktop.view.showAxes); }, 0},
      {VK_F7, [] { return int(desktop.insertion.relativeReferences); }, 0}, {'1', [] { return int(desktop.insertion.ampersandOption); }, 1},
      {VK_F8, [] { return int(desktop.insertion.frameMarkerRequest); }, 1}};
  for (const auto& c : cases) {
    const int before = c.state();
    key(desktop.hGlWindow, c.key);
    frames(20);
    EXPECT_EQ(c.state(), c.pressed) << "key " << c.key;
    key(desktop.hMainWindow, c.key, false);
    frames(2);
    key(desktop.hMainWindow, c.key);
    key(desktop.hMainWindow, c.key, false);
    frames(1);
    EXPECT_EQ(c.state(), c.key == VK_F8 ? 1 : before) << "key " << c.key;  // F8 only asks; the ask stays
    EXPECT_EQ(desktop.keys.keyState[c.key], 0) << "released after that frame";
  }
}

// The check items of Affichage and RenduGL show the switches as the keys
// leave them, and work them as the keys do.
TEST_F(DesktopWindows, TheSwitchesCheckItemsFollowTheKeysAndWorkAsTheKeysDo) {
  auto state = [] {
    const ViewState& v = desktop.view;
    const InsertionState& i = desktop.insertion;
    return std::to_string(v.showRoom) + std::to_string(v.displayMode) + std::to_string(v.lightingOn) +
           std::to_string(i.insertionMode) + std::to_string(v.showAxes) + std::to_string(i.relativeReferences) +
           std::to_string(i.frameMarkerRequest);
  };
  auto checked = [](int k) { return menuItemChecked(desktop.hMainWindow, CMD_SWITCH_FIRST + k); };
  frames(1);
  const std::string marks = {char('0' + checked(VK_F1)), char('0' + checked(VK_F2)), char('0' + checked(VK_F3)),
                             char('0' + checked(VK_F4)), char('0' + checked(VK_F5)), char('0' + checked(VK_F7)),
                             char('0' + checked(VK_F8))};
  EXPECT_EQ(marks, "0111110") << "no room; faces, lighting, insertion, axes, relative references; no marker";
  for (const int k : {VK_F1, VK_F2, VK_F3, VK_F4, VK_F5, VK_F7}) {
    const std::string before = state();
    const bool on = checked(k);
    key(desktop.hGlWindow, k), frames(1), key(desktop.hGlWindow, k, false), frames(1);
    EXPECT_NE(checked(k), on) << "key " << k;
    const std::string pressed = state();
    command(CMD_SWITCH_FIRST + k);
    frames(1);
    EXPECT_EQ(checked(k), on) << "key " << k;
    EXPECT_EQ(state(), before) << "key " << k;
    command(CMD_SWITCH_FIRST + k);
    EXPECT_EQ(state(), pressed) << "the item does what the key did, key " << k;
    command(CMD_SWITCH_FIRST + k);
  }
  command(CMD_SWITCH_FIRST + VK_F8);
  frames(1);
  EXPECT_TRUE(checked(VK_F8)) << "the next piece will be a frame marker";
}

// The bindings a script declares (their compile: tests/scripts/bindings-*.vxo)
// fired over keys held for some frames, beside the built-in switches.
TEST_F(DesktopWindows, ScriptKeyBindingsFireOverHeldKeys) {
  // Held for the frames of each press; then x, y and turn about z of each piece.
  const struct { const char* script; int key; std::vector<int> holds; const char* pieces; } cases[] = {
      {"#8\ndeclare a R %p1 1 rot 0 0 -1 findeclare", 'R', {100, 3}, "0 0 2 "},  // one-shot: once per press
      {"#8\ndeclare b S %p1 0 rot 0 0 -1 findeclare", 'S', {100}, "0 0 100 "},    // continuous: every frame
      {"#8\n#8\ndeclare d T %p2 0 trans 1 0 0 autre %p1 trans 0 5 0 findeclare", 'T', {2}, "2 0 0 0 10 0 "},
      {"#8\n#8\ndeclare old K %p2 0 trans 1 0 0\ndeclare new K %p1 1 trans 1 0 0 findeclare", 'K', {5},
       "1 0 0 1 0 0 "},  // the newest decides for its chain: one-shot
      {"#8\ndeclare z 1 %p1 1 trans 1 0 0 findeclare", '1', {10}, "10 0 0 "},  // shared with the "&" switch
      {"#8\ndeclare a A %zz 0 trans 1 0 0 autre %p5 autre %10000 findeclare", 'A', {3}, "0 0 0 "},
  };
  for (const auto& c : cases) {
    setEditorTextUtf8(desktop.hEditor, c.script);
    command(CMD_COMPILE);
    frames(1);  // as the loop runs before any key is pressed
    for (int n : c.holds) {
      key(desktop.hGlWindow, c.key);
      frames(n);
      key(desktop.hGlWindow, c.key, false);
      frames(1);
    }
    std::string pieces;
    for (int i = 0; i < countPieces(); ++i) {
      const float* m = modelTable[i].matrix.m;
      for (double v : {double(m[12]), double(m[13]), std::atan2(m[1], m[0]) * 180 / M_PI})
        pieces += std::to_string(int(std::lround(v))) + " ";
    }
    EXPECT_EQ(pieces, c.pieces) << c.script;
  }
  EXPECT_EQ(shown, std::vector<std::string>{"ID inconnue: %zz n'est pas valide comme identificateur!"});
}

TEST_F(DesktopWindows, ReportsAndOneBoxPerRepeatedMessage) {
  loadEditorLines(desktop.hEditor, {"#0", "#5 %0"});
  key(desktop.hGlWindow, VK_F12);
  frames(1);
  key(desktop.hGlWindow, VK_F6);
  frames(3);  // F6 reports once per key-down message
  key(desktop.hGlWindow, VK_F11);  // the view hands its keys to the same procedure
  EXPECT_EQ(shown, (std::vector<std::string>{"Statistiques: Nombre de pièces: 2",
                                             "Besoin d'une adresse?: Numéro du vexo: -1"}));

  shown.clear();
  loadEditorLines(desktop.hEditor, {"repete 5000", "rot 0 0 1", "finrepete", "rot"});
  command(CMD_COMPILE);
  EXPECT_EQ(shown, (std::vector<std::string>{
                       "Erreur de syntaxe: Ligne 2, la rotation est impossible, la sorte n'a été spécifiée.\n",
                       "Erreur de syntaxe: Ligne 4, la rotation est impossible, la sorte n'a été spécifiée.\n",
                       "Messages répétés: 4999 messages répétés n'ont pas été affichés.\nUn même message d'une "
                       "même ligne n'est montré qu'une fois par compilation."}));
  command(CMD_COMPILE);  // a new compile shows its messages again
  EXPECT_EQ(shown.size(), 6u);
}

// Every message of the compile with its line, where it has one; a click on
// it takes the caret there; the status bar follows F4 and F7.
// Without message boxes (a preference) they are in the list only.
TEST_F(DesktopWindows, MessagesListTheirLinesAndTheStatusBarFollowsTheSwitches) {
  loadEditorLines(desktop.hEditor, {"#8", "repete 3", "#5 %zz", "finrepete", "finrepete"});
  desktop.preferences.messageBoxes = false;
  command(CMD_COMPILE);
  frames(1);
  EXPECT_EQ(shown, std::vector<std::string>{});
  EXPECT_EQ(messageListItems(desktop.hMessageList),
            (std::vector<std::string>{"Ligne 3 - ID inconnue: id=zz n'est pas valide comme ID!",
                                      "Ligne 5 - Erreur de syntaxe: un finrepete est en trop!",
                                      "Messages répétés: 2 messages répétés n'ont pas été affichés. Un même "
                                      "message d'une même ligne n'est montré qu'une fois par compilation."}));
  pickMessageListItem(desktop.hMessageList, 0);
  EXPECT_EQ(editorCaretLine(desktop.hEditor), 3);
  const std::string before = statusText(desktop.hStatusBar);
  for (int k : {VK_F4, VK_F7}) key(desktop.hGlWindow, k), frames(1), key(desktop.hGlWindow, k, false), frames(1);
  for (const std::string& status : {before, statusText(desktop.hStatusBar)})
    EXPECT_EQ(status.substr(status.find(" ms, ")), " ms, 3 messages") << status;
  EXPECT_EQ(before.substr(0, before.find(" | Compilation")),
            "Insertion (F4): oui, Tige 424 par c1 | Réf. relatives (F7): oui | Repère (F8): non | & (1): non | "
            "Pièces: 4");
  const std::string after = statusText(desktop.hStatusBar);
  EXPECT_EQ(after.substr(0, after.find(" | Pièces")),
            "Insertion (F4): non | Réf. relatives (F7): non | Repère (F8): non | & (1): non");
}

// "Vérifier le modèle": the findings below the compile's messages, no box;
// a click on a collision takes the caret to its line and highlights both
// pieces until the caret moves; the status bar counts them; the next compile
// takes them away.
TEST_F(DesktopWindows, VerifyingListsFindingsAndAClickHighlightsTheirPieces) {
  const std::string savedDataDir = dataDir;
  dataDir = VEXOCAD_BINARY_DIR "/";
  loadEditorLines(desktop.hEditor, {"#13", "#13 trans 212 0 -212 rot 0 90 0", "#8 %p1 @ c2 h9", "#8 %zz trans 0 500 0"});
  command(CMD_COMPILE);
  shown.clear();
  command(CMD_VERIFY);
  frames(1);
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(messageListItems(desktop.hMessageList),
            (std::vector<std::string>{"Ligne 4 - ID inconnue: id=zz n'est pas valide comme ID!",
                                      "Ligne 2 - Vérification: la pièce 1 (sorte 13) traverse la pièce 0 (sorte 13, "
                                      "ligne 1) : leurs solides se recouvrent",
                                      "Ligne 3 - Vérification: la pièce 2 (sorte 8) n'a pas de pince 9 : ses pinces "
                                      "vont de 1 à 8"}));
  const std::string status = statusText(desktop.hStatusBar);
  EXPECT_EQ(status.substr(status.rfind(" | ")), " | Vérification: 2 constats");
  pickMessageListItem(desktop.hMessageList, 1);
  frames(1);
  EXPECT_EQ(editorCaretLine(desktop.hEditor), 2);
  const uint8_t* looks = desktop.view.pieceLooks;  // as the window's frames draw
  ASSERT_NE(looks, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(looks, looks + 4),
            (std::vector<uint8_t>{LOOK_HIGHLIGHTED, LOOK_HIGHLIGHTED, LOOK_OWN_COLOURS, LOOK_OWN_COLOURS}));
  EXPECT_EQ(desktop.view.highlightedLine, 0) << "the finding's pieces, not every piece of its line";
  pickMessageListItem(desktop.hMessageList, 0);
  frames(1);
  EXPECT_EQ(desktop.view.pieceLooks, nullptr);
  EXPECT_EQ(desktop.view.highlightedLine, 4);
  loadEditorLines(desktop.hEditor, {"#8"});
  command(CMD_COMPILE);
  frames(1);
  EXPECT_EQ(statusText(desktop.hStatusBar).find("Vérification"), std::string::npos);
  command(CMD_VERIFY);
  frames(1);
  EXPECT_EQ(messageListItems(desktop.hMessageList), (std::vector<std::string>{"Vérification: rien à signaler"}));
  EXPECT_NE(statusText(desktop.hStatusBar).find(" | Vérification: 0 constat"), std::string::npos);
  dataDir = savedDataDir;
}

TEST_F(DesktopWindows, OpeningAFileCompilesItFitsTheViewAndNamesTheWindow) {
  const std::string model = chosenPath = file("model.vxo", "#0\r\n#5 %0\r\n#5 %0\r\n");
  desktop.view.camera.viewDistance = -900.0f;
  command(CMD_OPEN);
  EXPECT_EQ(dialogShown, "") << "an untitled document has no folder";
  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(countPieces(), 3);
  EXPECT_FLOAT_EQ(desktop.view.camera.viewDistance, -400.0f) << "pieces without files: the start-up distance";
  const std::string named = std::string(desktop.windowTitle) + " | " + desktop.documentName;
  EXPECT_EQ(named, "VexoCad - " + model + " | " + model);

  // Cancelled dialogs: no message, and nothing changes.
  chosenPath.clear();
  command(CMD_OPEN);
  command(CMD_SAVE_AS);
  EXPECT_EQ(dialogShown, model) << "the dialogs open in its folder, its name proposed";
  EXPECT_EQ(shown, std::vector<std::string>{});
  EXPECT_EQ(std::string(desktop.windowTitle) + " | " + desktop.documentName, named);

  // A save that cannot be done says why, on a line of its own.
  fs::permissions(model, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  command(CMD_SAVE);
  EXPECT_EQ(shown.back(), "Erreur: Erreur lors de la sauvegarde du fichier!\n"
                          "Ce fichier est protégé en écriture (lecture seule).");
}

// What the window says and shows around insertion: the pane with the
// keyboard, the preview's line, a click that only gives the view the
// keyboard (nothing inserted), what a click did, the unsaved mark in the
// caption, a model older than the text (undo and redo included); the ghost
// only over the view and with insertion on.
TEST_F(DesktopWindows, TheStatusBarAndCaptionSayTheStateAndTheGhostShowsOnlyOverTheView) {
  desktop.hEditorControl = createHeadlessWindow([](WindowHandle, uint32_t, uintptr_t, intptr_t) -> intptr_t { return 0; });
  const std::string model = chosenPath = file("modele.vxo", "#8 rot 90 0 0\n");
  command(CMD_OPEN);
  command(CMD_RESET_VIEW);  // clip 3 of the connector at (202, 300)
  setFocus(desktop.hEditorControl);
  frames(1);
  const std::string title = "VexoCad - " + model;
  auto status = [] { return statusText(desktop.hStatusBar); };
  auto says = [&](const std::string& text) { return status().find(text) != std::string::npos; };
  EXPECT_EQ(status().rfind("Clavier : éditeur | Insertion (F4): oui", 0), 0u) << status();
  EXPECT_FALSE(desktop.view.ghost.shown) << "the pointer never came over the view";
  EXPECT_EQ(desktop.windowTitle, title);

  mouse(WM_MOUSEMOVE, 202, 300);
  frames(1);
  EXPECT_TRUE(desktop.view.ghost.shown && desktop.view.ghost.placed && desktop.view.ghost.targetShown);
  EXPECT_TRUE(says("| Un clic insère : #13 %p1 @ h3 c1 |")) << status();
  auto click = [&] {
    mouse(WM_LBUTTONDOWN, 202, 300, MK_LBUTTON);
    mouse(WM_LBUTTONUP, 202, 300);
    frames(1);
  };
  click();
  EXPECT_EQ(editorTextUtf8(desktop.hEditor), "#8 rot 90 0 0\n") << "the click gave the view the keyboard only";
  EXPECT_EQ(status().rfind("Clavier : vue | La vue prend le clavier : rien n'est inséré", 0), 0u) << status();
  click();
  EXPECT_EQ(editorTextUtf8(desktop.hEditor), "#8 rot 90 0 0\n\n#13 %p1 @ h3 c1");
  EXPECT_TRUE(says("| Inséré : #13 %p1 @ h3 c1 |")) << status();
  EXPECT_FALSE(says("modifié depuis la compilation")) << "the model is the text's";
  EXPECT_EQ(desktop.windowTitle, title + " *");

  mouse(WM_MOUSELEAVE, 0, 0);
  frames(1);
  EXPECT_FALSE(desktop.view.ghost.shown) << "the pointer left the view";
  mouse(WM_MOUSEMOVE, 100, 100);
  frames(1);
  EXPECT_TRUE(desktop.view.ghost.shown && !desktop.view.ghost.placed) << "no point there: at the pointer";
  EXPECT_TRUE(says("Clavier : vue | Insertion (F4)")) << "nothing to say there: " << status();
  // F4 and a click before the next frame: the click selects, inserting nothing.
  key(desktop.hGlWindow, VK_F4), key(desktop.hGlWindow, VK_F4, false);
  mouse(WM_LBUTTONDOWN, 202, 300, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 202, 300);
  EXPECT_EQ(editorTextUtf8(desktop.hEditor), "#8 rot 90 0 0\n\n#13 %p1 @ h3 c1");
  frames(1);
  EXPECT_FALSE(desktop.view.ghost.shown) << "insertion off";
  EXPECT_FALSE(desktop.insertion.insertionMode) << "F4 acted once";

  // Typing, undo and redo against the model of the last compile.
  const struct { std::function<void()> change; bool older; } steps[] = {
      {[] { desktop.hEditor.ops->typeCharacter(desktop.hEditor.state, 'x'); }, true},
      {[] { command(CMD_UNDO); }, false},  // the text the click left
      {[] { command(CMD_UNDO); }, true},   // the inserted line taken back, the piece still drawn
      {[] { command(CMD_REDO); }, false},
      {[] { command(CMD_UNDO); }, true},
      {[] { command(CMD_COMPILE); }, false}};
  for (const auto& step : steps) {
    step.change();
    frames(1);
    EXPECT_EQ(says("| modifié depuis la compilation (F12) |"), step.older) << editorTextUtf8(desktop.hEditor);
  }
  EXPECT_EQ(desktop.windowTitle, title) << "the text is the saved one again";
  command(CMD_REDO);
  command(CMD_SAVE);
  EXPECT_EQ(desktop.windowTitle, title);
  EXPECT_EQ(readFile(model), "#8 rot 90 0 0\n\n#13 %p1 @ h3 c1");
  EXPECT_TRUE(shown.empty()) << "no box";
  destroyWindow(desktop.hEditorControl);
  desktop.hEditorControl = nullptr;
}

// A missing file keeps its name, a file that is no script becomes "sans
// titre": neither is written by a Save without the dialog.
TEST_F(DesktopWindows, ABadFileAtStartUpIsNeverTheTargetOfASave) {
  for (const std::string& p : {dir + "/missing.vxo", file("picture.vxo", std::string("\0\1\2", 3))}) {
    std::snprintf(desktop.documentName, sizeof desktop.documentName, "%s", p.c_str());
    command(CMD_OPEN_AT_START);
    appendEditorLine(desktop.hEditor, "#1");
    command(CMD_SAVE);  // the dialog, cancelled: nothing more is said
    EXPECT_EQ(shown.size(), 1u) << "the file's error";
    EXPECT_TRUE(p.find("missing") != std::string::npos ? !fs::exists(p) : fs::file_size(p) == 3) << p;
    shown.clear();
  }
}

TEST_F(DesktopWindows, ChangedTextIsNotLostByNewOpenCloseQuitOrEscape) {
  const std::string path = file("doc.vxo", "#0\ndeclare tourne R 0 0\nrot 0 2 0\nfindeclare\n");
  std::snprintf(desktop.documentName, sizeof desktop.documentName, "%s", path.c_str());
  command(CMD_OPEN_AT_START);
  ASSERT_EQ(countPieces(), 1);
  ASSERT_NE(allKeyBindings, nullptr);
  command(CMD_NEW);  // unchanged: at once, and nothing of the old model is left to draw, click or run
  EXPECT_EQ(questionsAsked, 0);
  EXPECT_STREQ(desktop.documentName, "sans titre");
  EXPECT_EQ(countPieces(), 0);
  EXPECT_EQ(allKeyBindings, nullptr);

  appendEditorLine(desktop.hEditor, "#1");
  answer = SaveAnswer::Cancel;
  command(CMD_NEW);
  mainWindowProc(desktop.hMainWindow, WM_CLOSE, 0, 0);
  command(CMD_QUIT);
  chosenPath = path;
  command(CMD_OPEN);
  EXPECT_EQ(questionsAsked, 4);
  EXPECT_EQ(readEditorLines(desktop.hEditor), (std::vector<std::string>{"", "#1"}));
  EXPECT_FALSE(quitMessagePosted());

  answer = SaveAnswer::Save;  // untitled: Save goes through the dialog
  chosenPath = dir + "/saved.vxo";
  command(CMD_NEW);
  EXPECT_TRUE(fs::exists(chosenPath));
  EXPECT_EQ(editorTextUtf8(desktop.hEditor), "");

  // Escape in the real frame: asks, may be cancelled, then ends with 0.
  appendEditorLine(desktop.hEditor, "#1");
  answer = SaveAnswer::Cancel;
  key(desktop.hGlWindow, VK_ESCAPE);
  EXPECT_FALSE(runFrame().ended) << "the question was cancelled";
  answer = SaveAnswer::Discard;
  key(desktop.hMainWindow, VK_ESCAPE);
  const FrameResult last = runFrame();
  EXPECT_TRUE(last.ended && last.exitCode == 0);
  EXPECT_EQ(questionsAsked, 7);
}

// Fichier > Exemples lists the examples folder's scripts and opens one as a
// copy without a name: saving it asks where, and the example stays as it was.
TEST_F(DesktopWindows, ExamplesOpenAsUnsavedCopiesOfTheInstalledFiles) {
  const std::string savedDataDir = dataDir;
  dataDir = dir + "/";
  fs::create_directories(path("examples/c.vxo"));
  ASSERT_EQ(::mkfifo(path("examples/d.vxo").c_str(), 0600), 0);
  for (const char* name : {"examples/b.vxo", "examples/.cache.vxo", "examples/notes.txt"})
    file(name, "#8\n#13 %p1 @ h1 c1\n");
  file("examples/a&b.vxo", "#0\r\n");
  file("examples/E.VXO", "#2\n");
  findExamples();
  std::vector<std::string> fileMenu;  // from "Ouvrir..." to "Sauver"
  for (const MenuEntry& entry : menuWithExamples(mainMenu, mainMenuLength))
    if (entry.command == CMD_OPEN || entry.command == CMD_SAVE ||
        (entry.command >= CMD_EXAMPLE_FIRST && entry.command < CMD_EXAMPLE_FIRST + maxExamples))
      fileMenu.push_back(entry.path);
  EXPECT_EQ(fileMenu, (std::vector<std::string>{"&Fichier/&Ouvrir...", "&Fichier/&Exemples/a&&b",
                                                 "&Fichier/&Exemples/b", "&Fichier/&Exemples/E",
                                                 "&Fichier/&Sauver"}));

  appendEditorLine(desktop.hEditor, "#1");
  command(CMD_EXAMPLE_FIRST + 1);  // the question cancelled: nothing changes
  EXPECT_EQ(readEditorLines(desktop.hEditor), (std::vector<std::string>{"", "#1"}));
  answer = SaveAnswer::Discard;
  command(CMD_EXAMPLE_FIRST + 1);
  EXPECT_EQ(questionsAsked, 2);
  EXPECT_EQ(editorTextUtf8(desktop.hEditor), "#8\n#13 %p1 @ h1 c1\n");
  EXPECT_EQ(countPieces(), 2);
  EXPECT_EQ(std::string(desktop.windowTitle), "VexoCad - sans titre");
  EXPECT_FALSE(documentChanged(desktop.hEditor)) << "closing it at once asks nothing";
  appendEditorLine(desktop.hEditor, "#1");
  command(CMD_SAVE);  // the dialog, cancelled
  EXPECT_TRUE(askedForSaving && dialogShown.empty());
  EXPECT_EQ(readFile(path("examples/b.vxo")), "#8\n#13 %p1 @ h1 c1\n");

  fs::remove(path("examples/a&b.vxo"));
  command(CMD_EXAMPLE_FIRST);
  EXPECT_EQ(shown.back(), "Erreur d'ouverture du fichier suivant:: " + path("examples/a&b.vxo"));
  EXPECT_EQ(countPieces(), 2);
  dataDir = savedDataDir;
}

// Below 60 frames a second a held arrow turns as far as 60 frames would in
// the frame's time, 6 steps at most, so that a large model drawn slowly
// still turns at 18 degrees a second.
TEST_F(DesktopWindows, SlowFramesTurnTheViewByTheTimeTheyTook) {
  const auto turnedDegrees = [] { return std::asin(desktop.view.camera.viewMatrix.m[8]) * 180.0 / M_PI; };
  frameStep = std::chrono::milliseconds(50);
  key(desktop.hGlWindow, VK_RIGHT);
  frames(3);  // the first frame of the hold turns one step, the next ones three each
  EXPECT_NEAR(turnedDegrees(), 7 * 0.3, 1e-4);
  frameStep = std::chrono::seconds(1);
  frames(1);
  EXPECT_NEAR(turnedDegrees(), 13 * 0.3, 1e-4);
}

// The first frame and the frames drawn while the view turns are the quick
// ones; the still picture follows the first frame at once, and comes a
// quarter of a second after a turn stops, unasked, then no other.
TEST_F(DesktopWindows, TheStillPictureFollowsOnceTheViewRests) {
  frames(1);
  EXPECT_TRUE(desktop.view.drawing.moving) << "the first picture is a quick one";
  const FrameResult first = runFrame();
  EXPECT_TRUE(first.drawn) << "the still picture is drawn at once, unasked";
  EXPECT_FALSE(desktop.view.drawing.moving);
  EXPECT_FALSE(runFrame().drawn);
  key(desktop.hGlWindow, VK_RIGHT);
  frames(2);
  EXPECT_TRUE(desktop.view.drawing.moving);
  key(desktop.hGlWindow, VK_RIGHT, false);
  frames(1);
  EXPECT_TRUE(desktop.view.drawing.moving) << "a frame right after the turn";
  frameStep = std::chrono::milliseconds(100);
  FrameResult rest = runFrame();
  EXPECT_FALSE(rest.drawn);
  EXPECT_NEAR(rest.stillDueIn, 0.25 - 0.1 - 1.0 / 60, 1e-6) << "the loop waits no longer";
  EXPECT_FALSE(runFrame().drawn);
  EXPECT_TRUE(runFrame().drawn);
  EXPECT_FALSE(desktop.view.drawing.moving);
  rest = runFrame();
  EXPECT_FALSE(rest.drawn);
  EXPECT_LT(rest.stillDueIn, 0.0);
}

TEST_F(DesktopWindows, ViewKeysDragsAndSizeMoveTheCamera) {
  key(desktop.hGlWindow, VK_RIGHT);
  frames(2);  // two turns of 0.3 degree about the eye's y axis
  EXPECT_NEAR(desktop.view.camera.viewMatrix.m[8], std::sin(0.6 * M_PI / 180.0), 1e-6);
  key(desktop.hMainWindow, VK_LEFT);  // left and right together: no turn
  frames(1);
  EXPECT_NEAR(desktop.view.camera.viewMatrix.m[8], std::sin(0.6 * M_PI / 180.0), 1e-6);
  key(desktop.hGlWindow, VK_RIGHT, false);
  key(desktop.hGlWindow, VK_LEFT, false);
  command(CMD_RESET_VIEW);
  key(desktop.hGlWindow, VK_NEXT);
  frames(43);
  EXPECT_FLOAT_EQ(desktop.view.camera.viewDistance, -10.0f) << "no nearer";
  key(desktop.hGlWindow, VK_NEXT, false);
  key(desktop.hGlWindow, VK_PRIOR);
  frames(100);
  EXPECT_FLOAT_EQ(desktop.view.camera.viewDistance, -1010.0f);
  command(CMD_RESET_VIEW);
  EXPECT_FLOAT_EQ(desktop.view.camera.viewDistance, -400.0f);

  // A flick: the movement is seen only with the release, 90 pixels down,
  // and turns the view a quarter turn about x all the same.
  mouse(WM_LBUTTONDOWN, 300, 200, MK_LBUTTON);
  mouse(WM_LBUTTONUP, 300, 290);
  mouse(WM_MOUSEMOVE, 300, 290);
  EXPECT_NEAR(desktop.view.camera.viewMatrix.m[5], 0.0f, 1e-5);  // y axis turned onto z
  EXPECT_NEAR(std::fabs(desktop.view.camera.viewMatrix.m[6]), 1.0f, 1e-5);
  EXPECT_EQ(desktop.view.mouseX * 1000 + desktop.view.mouseY, 300290);
  command(CMD_RESET_VIEW);
  mouse(WM_RBUTTONDOWN, 100, 100, MK_RBUTTON);
  mouse(WM_MOUSEMOVE, 110, 90, MK_RBUTTON);  // right 10, up 10
  auto moved = [] { return std::to_string(desktop.view.camera.viewMatrix.m[12]) + " " + std::to_string(desktop.view.camera.viewMatrix.m[13]) +
                           " " + std::to_string(desktop.view.camera.viewMatrix.m[14]); };
  EXPECT_EQ(moved(), "12.000000 12.000000 0.000000");
  mouse(WM_MOUSEMOVE, 110, 100, MK_RBUTTON | MK_LBUTTON);  // both: down 10 comes nearer
  mouse(WM_MOUSEMOVE, 500, 500);  // no button: only the position
  EXPECT_EQ(moved(), "12.000000 12.000000 48.000000");
  EXPECT_EQ(desktop.view.mouseX, 500);

  glWindowProc(desktop.hGlWindow, WM_SIZE, 0, makeLParam(500, 300));
  EXPECT_EQ(desktop.view.camera.viewportWidth * 1000 + desktop.view.camera.viewportHeight, 500300);
  glWindowProc(desktop.hGlWindow, WM_SIZE, 0, makeLParam(600, 0));
  EXPECT_EQ(desktop.view.camera.viewportHeight, 1);
  glWindowProc(desktop.hGlWindow, WM_ACTIVATE, WA_INACTIVE | (1u << 16), 0);
  EXPECT_FALSE(runFrame().drawn) << "nothing is drawn while minimised";
  glWindowProc(desktop.hGlWindow, WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_TRUE(runFrame().drawn);
  glWindowProc(desktop.hGlWindow, WM_CLOSE, 0, 0);
  EXPECT_TRUE(quitMessagePosted());
}

// With insertion off the wheel zooms towards the pointer: a connector facing
// the eye near the view's corner stays under it, nearer and farther.
TEST_F(DesktopWindows, TheWheelZoomsTowardsThePointer) {
  const std::string savedDataDir = dataDir;
  dataDir = VEXOCAD_BINARY_DIR "/";  // the pieces' shapes, for picking
  loadEditorLines(desktop.hEditor, {"#8 rot 90 0 0", "#8 translation 120 80 0 rot 90 0 0"});
  command(CMD_COMPILE);
  command(CMD_RESET_VIEW);
  desktop.insertion.insertionMode = 0;
  mouse(WM_MOUSEMOVE, 560, 155);  // on the second connector's ring, right of its hole
  ASSERT_EQ(pickPiece(modelTable, desktop.view), 1);
  for (const int notch : {120, 120, 120, 120, 120, -120, -120, -120, -120, -120, -120}) {
    const float before = desktop.view.camera.viewDistance;
    mouse(WM_MOUSEWHEEL, 560, 155, uintptr_t(uint16_t(notch)) << 16);
    EXPECT_EQ(desktop.view.camera.viewDistance > before, notch > 0) << "nearer away from the user";
    EXPECT_EQ(pickPiece(modelTable, desktop.view), 1) << "at distance " << desktop.view.camera.viewDistance;
  }
  dataDir = savedDataDir;
}

// The document operations on the main window's editor and document name.
class Documents : public DesktopWindows {
 protected:
  bool open(const std::string& p, const char* text = nullptr) {
    std::snprintf(desktop.documentName, sizeof desktop.documentName, "%s", p.c_str());
    const bool opened = openDocumentFile(desktop.documentName, desktop.hEditor);
    if (text) setEditorTextUtf8(desktop.hEditor, text);
    return opened;
  }
  // Why a save failed, None when it did not.
  static DocumentError error(bool saved) { return saved ? DocumentError::None : lastDocumentError(); }
  // Saves with the file size limited to 4 kB: the write itself fails, even for root.
  DocumentError saveOnAFullDisk(bool (*save)(char*, const Editor&)) {
    rlimit old;
    ::getrlimit(RLIMIT_FSIZE, &old);
    const rlimit small{4096, old.rlim_max};
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const DocumentError saved = error(save(desktop.documentName, desktop.hEditor));
    ::setrlimit(RLIMIT_FSIZE, &old);
    return saved;
  }
};

// Opened, then saved unchanged or edited: one editor line per file line, in
// Windows-1252 for the compiler, and the file's own bytes, encoding and line
// ends. The mixed ends and the marks were found by fuzzing the reader: a
// file mixing CR LF and LF was saved with the first line's end everywhere,
// and a byte-order mark in front of Windows-1252 text was dropped.
TEST_F(Documents, FilesKeepTheirBytesAndEditedTextTheirForm) {
  const std::string longLine(300, 'x');
  const struct {
    std::string before;
    std::vector<std::string> lines = {};  // as opened, when given
    std::string text = "", after = "";    // edited (UTF-8) and saved, when given
  } cases[] = {
      {"#0\r\n#5 %0\r\n@ c o1"},                                  // CR LF, no final line end
      {"#0\n#5 %0\n"},                                            // LF
      {"\xA4" "3 %p \xA7 rem \xE9t\xE9\n#0"},                     // Windows-1252 bytes
      {"rem \xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xE4\xBD\xA0\n#0\n"},  // UTF-8, with a character 1252 lacks
      {"\xEF\xBB\xBF#0\r\nrem \xC3\xA9\r\n"},                     // UTF-8 with a byte-order mark
      {"#0\n" + longLine + "\n" + std::string(258, 'y') + "\n"},  // long lines
      {""},
      {"a\r\r\nb"},                                               // a lone CR inside a line
      {"\r\n\n"},                                                 // mixed ends, as the fuzzer found them
      {"#8\r\n#13 %p1 @ h3 c1\n#8\r\n"},                          // CR LF first, then LF
      {"#8\n#13\r\n", {"#8", "#13\r", ""}},                       // LF first: the CR stays, a blank
      {"\xEF\xBB\xBF\x8F"},                                       // a mark, as the fuzzer found it
      {"\xEF\xBB\xBF\xA4" "8 \xE9\n"},                            // a mark, then Windows-1252
      {"#0\r\n" + longLine + "\r\nrem \xE9\r\n", {"#0", longLine, "rem \xE9", ""},
       "#0\n" + longLine + "\nrem \xC3\xA9\n\n#5 %0 \xC2\xA4", "#0\r\n" + longLine + "\r\nrem \xE9\r\n\r\n#5 %0 \xA4"},
      {"\xC2\xA4" "1 rem \xC3\xA9\n", {"\xA4" "1 rem \xE9", ""}, "\xC2\xA4" "1\n\xC2\xA4" "2",
       "\xC2\xA4" "1\n\xC2\xA4" "2"},
      {"// c\r#0\r", {"// c", "#0", ""}, "// c\n#0\n\n#5 %0", "// c\r#0\r\r#5 %0"},  // CR alone
      {"#0\n", {"#0", ""}, "#0\nrem \xE4\xBD\xA0", "#0\nrem \xE4\xBD\xA0"},  // 1252 cannot hold it: UTF-8
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(open(file("doc.vxo", c.before)));
    if (!c.lines.empty()) {
      EXPECT_EQ(readEditorLines(desktop.hEditor), c.lines);
    }
    if (!c.text.empty()) setEditorTextUtf8(desktop.hEditor, c.text);
    EXPECT_TRUE(saveDocument(desktop.documentName, desktop.hEditor));
    EXPECT_EQ(readFile(path("doc.vxo")), c.text.empty() ? c.before : c.after);
  }
}

TEST_F(Documents, NewDocumentsAreSavedAsWindows1252WithLineFeedsThroughTheDialog) {
  appendEditorLine(desktop.hEditor, "\xA4" "0 \xE9");
  EXPECT_TRUE(documentChanged(desktop.hEditor));
  chosenPath = path("new.vxo");
  ASSERT_TRUE(saveDocument(desktop.documentName, desktop.hEditor));
  EXPECT_TRUE(askedForSaving);
  EXPECT_EQ(std::string(desktop.documentName), chosenPath);
  EXPECT_EQ(readFile(chosenPath), "\n\xA4" "0 \xE9");
  EXPECT_FALSE(documentChanged(desktop.hEditor));
  EXPECT_NE(fs::status(chosenPath).permissions() & fs::perms(0044), fs::perms::none) << "not a temporary file's mode";
  appendEditorLine(desktop.hEditor, "#0");
  undoInsertion(desktop.hEditor);
  EXPECT_FALSE(documentChanged(desktop.hEditor)) << "undoing back to the saved text is no change";
}

TEST_F(Documents, AFailingSaveKeepsTheOldFileAndTheNameAndSaysWhy) {
  const std::string p = file("keep.vxo", "#0\n#1 %0\n");
  ASSERT_TRUE(open(p));
  setEditorTextUtf8(desktop.hEditor, std::string(200000, 'x'));
  EXPECT_EQ(saveOnAFullDisk(saveDocument), DocumentError::DiskFull);
  EXPECT_EQ(readFile(p), "#0\n#1 %0\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary left";
  EXPECT_TRUE(documentChanged(desktop.hEditor));

  fs::create_hard_link(p, path("other.vxo"));  // written in place: the old content is put back whole
  EXPECT_EQ(saveOnAFullDisk(saveDocument), DocumentError::DiskFull);
  EXPECT_EQ(readFile(path("other.vxo")), "#0\n#1 %0\n");

  const struct { std::string chosenPath; DocumentError error; } saveAs[] = {
      {path("new.vxo"), DocumentError::DiskFull}, {dir, DocumentError::NotAFile},
      {path("missing/x.vxo"), DocumentError::FolderMissing}};
  for (const auto& c : saveAs) {
    chosenPath = c.chosenPath;
    EXPECT_EQ(saveOnAFullDisk(saveDocumentAs), c.error) << c.chosenPath;
    EXPECT_EQ(std::string(desktop.documentName), p);
    EXPECT_STRNE(documentErrorReason(c.error), "");
  }
}

TEST_F(Documents, SavingKeepsProtectionOwnerGroupModeAndHardLinks) {
  const std::string locked = file("locked.vxo", "old"), p = file("theirs.vxo", "old");
  ::chmod(locked.c_str(), 0444);  // nobody may write it: refused even for root, and it stays
  ASSERT_TRUE(open(locked, "new"));
  EXPECT_EQ(error(saveDocument(desktop.documentName, desktop.hEditor)), DocumentError::ReadOnly);
  EXPECT_EQ(readFile(locked), "old");
  EXPECT_EQ(fs::status(locked).permissions(), fs::perms(0444));

  ::chmod(p.c_str(), 0640);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(p.c_str(), 4321, 4322), 0);  // another user's file
  }
  ASSERT_TRUE(open(p, "new"));
  ASSERT_TRUE(saveDocument(desktop.documentName, desktop.hEditor));
  struct stat st {};
  ASSERT_EQ(::stat(p.c_str(), &st), 0);
  EXPECT_EQ(readFile(p), "new");
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(!root || (st.st_uid == 4321u && st.st_gid == 4322u)) << st.st_uid << ":" << st.st_gid;
  fs::create_hard_link(p, path("link.vxo"));
  setEditorTextUtf8(desktop.hEditor, "newer");
  ASSERT_TRUE(saveDocument(desktop.documentName, desktop.hEditor));
  EXPECT_EQ(readFile(path("link.vxo")), "newer");
  EXPECT_EQ(fs::hard_link_count(p), 2u);
}

TEST_F(Documents, SymbolicLinksAreFollowedAndANameNeverOpenedIsAskedFor) {
  open(path("missing.vxo"), "new");  // as start-up leaves it
  EXPECT_EQ(error(saveDocument(desktop.documentName, desktop.hEditor)), DocumentError::Cancelled) << "through the dialog, cancelled";
  EXPECT_FALSE(fs::exists(path("missing.vxo")));

  fs::create_symlink(file("real.vxo", "old"), path("link.vxo"));
  ASSERT_TRUE(open(path("link.vxo"), "new"));
  ASSERT_TRUE(saveDocument(desktop.documentName, desktop.hEditor));
  EXPECT_TRUE(fs::is_symlink(path("link.vxo")));
  EXPECT_EQ(readFile(path("real.vxo")), "new");
  // A dangling link makes the file it names, when its folder exists.
  fs::create_symlink("made.vxo", path("dangling.vxo"));
  fs::create_symlink(path("nowhere/x.vxo"), path("lost.vxo"));
  chosenPath = path("dangling.vxo");
  ASSERT_TRUE(saveDocumentAs(desktop.documentName, desktop.hEditor));
  EXPECT_TRUE(fs::is_symlink(path("dangling.vxo")));
  EXPECT_EQ(readFile(path("made.vxo")), "new");
  chosenPath = path("lost.vxo");
  EXPECT_EQ(error(saveDocumentAs(desktop.documentName, desktop.hEditor)), DocumentError::FolderMissing);
  EXPECT_TRUE(fs::is_symlink(path("lost.vxo")));
}

// Bad files, a file that cannot be read, and a cancelled dialog: refused
// with a reason, and the document keeps its name and its text.
TEST_F(Documents, BadFilesAndCancelledDialogsChangeNothing) {
  ASSERT_TRUE(open(file("a.vxo", "#0")));
  fs::create_directory(path("folder.vxo"));
  fs::resize_file(file("big.vxo", ""), uintmax_t(maxDocumentBytes) + 1);  // sparse: costs no disk
  const struct { std::string file; DocumentError error; } cases[] = {
      {path("missing.vxo"), DocumentError::CannotOpen}, {"/nonexistent/b.vxo", DocumentError::CannotOpen},
      {file("binary.vxo", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)), DocumentError::Binary},
      {path("folder.vxo"), DocumentError::NotAFile}, {path("big.vxo"), DocumentError::TooLarge},
      {"", DocumentError::Cancelled}};
  for (const auto& c : cases) {
    chosenPath = c.file;
    EXPECT_EQ(error(openDocumentDialog(desktop.documentName, desktop.hEditor)), c.error) << c.file;
    EXPECT_EQ(std::string(desktop.documentName), path("a.vxo"));
    EXPECT_EQ(readEditorLines(desktop.hEditor), std::vector<std::string>{"#0"});
  }
  EXPECT_FALSE(saveDocumentAs(desktop.documentName, desktop.hEditor));  // cancelled
  EXPECT_EQ(std::string(desktop.documentName), path("a.vxo"));
}

}  // namespace

// "Aide" opens the guide's pages from the data folder in the help window, and
// says so when the guide is missing or is no file.
TEST_F(DesktopWindows, AideMenuOpensTheGuideOrSaysItIsMissing) {
  const std::string savedDataDir = dataDir;
  dataDir = dir + "/";
  fs::create_directories(dir + "/guide/index.html");  // a folder, no page
  writeFile(dir + "/guide/raccourcis.html", "<p>F1</p>");
  const struct { int command; const char* menuPath; bool opens; } cases[] = {
      {CMD_SHORTCUTS, "Aide/&Raccourcis", true}, {CMD_GUIDE, "Aide/&Guide", false}};
  for (const auto& c : cases) {
    auto entry = std::find_if(mainMenu, mainMenu + mainMenuLength, [&](auto& e) { return e.command == c.command; });
    EXPECT_STREQ(entry != mainMenu + mainMenuLength ? entry->path : "", c.menuPath);
    shown.clear();
    command(c.command);
    EXPECT_EQ(shown.empty(), c.opens);
  }
  EXPECT_EQ(helpPagesShown(), std::vector<std::string>{dir + "/guide/raccourcis.html"});
  EXPECT_EQ(shown, std::vector<std::string>{"Aide: Le guide est introuvable :\n" + dir + "/guide/index.html\nIl est fait "
                                            "avec le programme (sources dans docs/) et installé avec lui dans "
                                            "share/vexocad/guide."});
  dataDir = savedDataDir;
}
