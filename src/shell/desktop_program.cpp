// Start-up of the desktop program and its main loop: events are taken
// without waiting; whenever none is left, runFrame does the rest of the pass
// (while the view is active and something asked for it: the key switches
// and the script's key bindings, then one frame drawn and shown). With nothing
// to draw the loop sleeps until the next event.
#include "shell/desktop_program.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include <unistd.h>

#include "insertion/insertion.h"
#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "platform/core_editor.h"
#include "platform/core_messages.h"
#include "platform/core_termination.h"
#include "platform/dialogs.h"
#include "platform/gl_offscreen.h"
#include "platform/window_system.h"
#include "script/key_bindings.h"
#include "script/syntax_colours.h"
#include "shell/documents.h"
#include "shell/example_documents.h"
#include "shell/export_dialog.h"
#include "shell/gl_window.h"
#include "shell/key_switches.h"
#include "shell/main_menu.h"
#include "shell/main_window.h"
#include "shell/panes.h"
#include "shell/recovery.h"
#include "shell/shared_state.h"
#include "shell/view_status.h"

namespace {
using Clock = std::chrono::steady_clock;

// The view's 600 x 600 beside the editor, and the status bar under both.
constexpr int clientWidth = 1000, clientHeight = 600 + statusBarHeight;
// An idle loop wakes this often without any event, for the recovery copy's
// schedule and the signals that end the program.
constexpr double idleWaitSeconds = 0.5;

void drawViewBehindDialog();

void useDesktopDialogs() {
  installMessageBoxes();
  setFileNameChooser(chooseDocumentFileName);
  desktop.dialogs.askToSave = askSaveQuestion;
  desktop.dialogs.compileProgress = showCompileProgress;
  desktop.dialogs.chooseExport = askExportChoices;
  desktop.dialogs.exportProgress = showExportProgress;
  desktop.dialogs.form = showForm;
  setDialogFrameHook(drawViewBehindDialog);
}

// The window where the user left it, as large as it was; else the
// program's own place and size.
WindowPlacement startPlacement() {
  WindowPlacement w = desktop.preferences.window;
  if (w.width <= 0) return {10, 10, clientWidth, clientHeight};
  w.width = std::max(w.width, editorWidth + 200), w.height = std::max(w.height, 300);
  return w;
}

bool createWindows() {
  findExamples();
  const std::vector<MenuEntry> menu = fullMenu();
  const WindowPlacement at = startPlacement();
  desktop.hMainWindow = createMainWindow(desktop.windowTitle, at.x, at.y, at.width, at.height, mainWindowProc,
                                         menu.data(), int(menu.size()));
  if (!desktop.hMainWindow) {
    showMessage("Pas possible de créer la fenêtre!", "Erreur", ICON_ERROR);
    return false;
  }
  const WindowPlacement made = windowPlacement(desktop.hMainWindow);
  createPanes(desktop.hMainWindow, made.width, made.height);
  desktop.hEditorControl = createEditorControl(desktop.hMainWindow, 0, 0, editorWidth - viewDividerWidth,
                                       made.height - statusBarHeight - messageListMinHeight);
  if (!desktop.hEditorControl) {
    showMessage("Pas possible de créer la fenêtre éditeur!", "Erreur", ICON_ERROR);
    return false;
  }
  desktop.hEditor = editorOfControl(desktop.hEditorControl);
  setEditorStyling(desktop.hEditorControl, scriptStyling());
  showWindow(desktop.hMainWindow);
  return true;
}

void openDocumentOfCommandLine(const std::string& path) {
  if (path.empty()) return;
  if (path.size() >= sizeof desktop.documentName) {
    const std::string text = path + "\n" + documentErrorReason(DocumentError::NameTooLong);
    showMessage(text.c_str(), "Erreur d'ouverture du fichier suivant:", ICON_ERROR);
    return;
  }
  std::strcpy(desktop.documentName, path.c_str());
  mainWindowProc(desktop.hMainWindow, WM_COMMAND, CMD_OPEN_AT_START, 0);
}

const char recoveryCaption[] = "Texte non enregistré retrouvé";

void sayCopyStays(const LeftCopy& copy) {
  const std::string text =
      "Une copie de secours ne peut pas être rétablie ; elle reste où elle est :\n" + copy.path + "\n" + copy.problem;
  showMessage(text.c_str(), recoveryCaption, ICON_EXCLAMATION);
}

// The restored text becomes a new unsaved document. True once the editor
// holds the whole text and this instance's own copy holds it too: only then
// may the old copy go.
bool restoreLeftCopy(LeftCopy& copy) {
  newDocument(desktop.documentName, desktop.hEditor);
  setEditorTextUtf8(desktop.hEditor, copy.text);
  const bool whole = editorTextUtf8(desktop.hEditor) == copy.text;
  const bool kept = whole && keepRecoveryCopy(desktop.hEditor, true);
  setDocumentTitle();
  mainWindowProc(desktop.hMainWindow, WM_COMMAND, CMD_COMPILE, 0);
  if (!whole) copy.problem = "L'éditeur n'en a pas gardé tout le texte.", sayCopyStays(copy);
  return kept;
}

// Unsaved text of an instance that was killed or crashed comes back as a new
// unsaved document; one copy per start, the others wait for a later one. A
// copy that cannot be restored whole is never deleted.
void offerRecoveryCopy() {
  for (const std::string& path : orphanedRecoveryCopies()) {
    LeftCopy copy;
    if (!claimRecoveryCopy(path, &copy)) continue;
    if (!copy.problem.empty()) {
      sayCopyStays(copy);
      releaseRecoveryCopy(copy, false);
      continue;
    }
    const RecoveryAnswer answer = askRecoveryQuestion(
        "VexoCad s'est arrêté sans enregistrer un texte modifié.\n"
        "Voulez-vous le rétablir comme nouveau document ?",
        recoveryCaption);
    const bool restored = answer == RecoveryAnswer::Restore && restoreLeftCopy(copy);
    releaseRecoveryCopy(copy, answer == RecoveryAnswer::Drop || restored);
    if (answer != RecoveryAnswer::Drop) return;
  }
}

// A termination signal keeps the text at once, from whichever event loop
// runs when it comes; then the boxes close and the main loop ends the
// program. A loop that cannot be left in time (a mesh being written) is
// cut short, the text being safe.
void keepTextAtTerminationSignal() { keepRecoveryCopy(desktop.hEditor, true); }

// With VEXOCAD_FRAME_STATS set, the time to the first frame and to the
// first still picture, and the frame rate go to standard error, for
// measuring the program as users run it: the rate over the whole run, and
// the rate while the view moves (the time from each moving frame to the
// next, both moving).
struct FrameStatistics {
  bool wanted = std::getenv("VEXOCAD_FRAME_STATS") != nullptr;
  Clock::time_point start = Clock::now(), firstFrame, lastFrame;
  long long frames = 0, movingSteps = 0;
  bool lastMoving = false, stillDrawn = false;
  double movingSeconds = 0.0;

  void say(const char* what, Clock::time_point now) const {
    if (wanted)
      std::fprintf(stderr, "vexocad: %s after %.0f ms\n", what,
                   std::chrono::duration<double, std::milli>(now - start).count());
  }
  void frameDrawn(bool moving) {
    const Clock::time_point now = Clock::now();
    if (frames++ == 0) {
      firstFrame = now;
      say("first frame", now);
    } else if (moving && lastMoving) {
      ++movingSteps;
      movingSeconds += std::chrono::duration<double>(now - lastFrame).count();
    }
    if (!moving && !stillDrawn) stillDrawn = true, say("first still picture", now);
    lastFrame = now, lastMoving = moving;
  }
  void report() const {
    if (!wanted || frames < 2) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - firstFrame).count();
    std::fprintf(stderr, "vexocad: %lld frames in %.2f s, %.1f frames per second\n", frames, seconds,
                 double(frames - 1) / seconds);
    if (movingSteps > 0)
      std::fprintf(stderr, "vexocad: while the view moved, %lld frames in %.2f s, %.1f frames per second\n",
                   movingSteps, movingSeconds, double(movingSteps) / movingSeconds);
  }
};

// With no file and no model, the view says how to begin.
std::vector<std::string> startHint() {
  if (countPieces() > 0 || !isUntitled(desktop.documentName)) return {};
  return {"Pour commencer :",
          "  • Fichier > Exemples ouvre un modèle tout fait ;",
          "  • Aide > Guide présente le langage pas à pas ;",
          "  • ou tapez un script à gauche, par exemple #8,",
          "    puis appuyez sur F12 pour le voir ici."};
}

// The view's frame (model and overlay), the hint over it, shown.
void showViewFrame() {
  drawViewFrame();
  axesLeaveLightingOn(desktop.view);
  drawGlWindowText(desktop.hGlWindow, startHint());
  swapGlBuffers(desktop.hGlWindow);
}

// While a box is open the view is drawn again as it stands when something
// asked for it (the box moved, a menu closed over it, the progress window
// of an export went over it), its keys left for after. An export that draws
// in a context of its own (pictures, booklets) lends it back meanwhile.
void drawViewBehindDialog() {
  if (!desktop.windowActive || !desktop.hGlWindow || !takeRedrawRequest()) return;
  const bool windowWasCurrent = glWindowIsCurrent(desktop.hGlWindow);
  const bool exportWasCurrent = offscreenContextCurrent();
  if (!windowWasCurrent) suspendOffscreenContext(), makeGlWindowCurrent(desktop.hGlWindow);
  if (glWindowIsCurrent(desktop.hGlWindow)) showViewFrame();
  if (windowWasCurrent) return;
  releaseGlWindowContext(desktop.hGlWindow);
  if (exportWasCurrent) resumeOffscreenContext();
}

// While the view moves (its camera changed less than settleTime ago) frames
// are drawn the quick way (ModelDrawing::moving); once it has rested that
// long, the still picture is drawn, the one every frame showed before.
// The pause spares a user who stops a drag for a moment the wait of a full
// picture of a large model before the view follows again.
// The first frame is drawn the quick way too, with the still picture due at
// once after it: a large model opened at start-up shows in half the time,
// and its full picture follows in the next pass of the loop.
constexpr auto settleTime = std::chrono::milliseconds(250);

struct ViewMotion {
  Camera drawn;  // the camera of the last frame drawn
  bool drawnAny = false, movedAny = false;
  bool moving = false;
  Clock::time_point changed;  // when the camera last changed

  // Whether the frame about to be drawn with this camera is a moving one.
  bool frameMoves(const Camera& camera, Clock::time_point now) {
    const bool same = std::memcmp(camera.viewMatrix.m, drawn.viewMatrix.m, sizeof camera.viewMatrix.m) == 0 &&
                      camera.viewDistance == drawn.viewDistance && camera.viewportWidth == drawn.viewportWidth &&
                      camera.viewportHeight == drawn.viewportHeight;
    const bool first = !drawnAny;
    if (first)
      changed = now - settleTime, movedAny = true;
    else if (!same)
      changed = now, movedAny = true;
    drawnAny = true;
    drawn = camera;
    moving = first || (movedAny && now - changed < settleTime);
    return moving;
  }
  // How long the loop may wait for messages before the still picture is
  // due; negative when none is.
  double secondsToStill(Clock::time_point now) const {
    return moving ? std::chrono::duration<double>(changed + settleTime - now).count() : -1.0;
  }
};
ViewMotion viewMotion;

// Held arrows turn the view by 0.3 degree a frame, as they always did at 60
// frames a second and more; slower frames turn as far as 60 frames would
// have in their time, up to 6 steps, so that a large model keeps turning at
// 18 degrees a second where it would crawl at a step a frame.
constexpr double stepsPerSecond = 60.0;
constexpr float mostSteps = 6.0f;

struct ArrowClock {
  bool held = false;
  Clock::time_point last;

  float steps(bool arrowHeldNow, Clock::time_point now) {
    const float elapsed = held ? float(std::chrono::duration<double>(now - last).count() * stepsPerSecond) : 1.0f;
    held = arrowHeldNow;
    last = now;
    return std::clamp(elapsed, 1.0f, mostSteps);
  }
};
ArrowClock arrowClock;
FrameClock frameClock = nullptr;

Clock::time_point frameNow() { return frameClock ? frameClock() : Clock::now(); }

// Escape ends the program, unless that would lose changed text the user
// wants to keep.
bool escapeEndsProgram() {
  if (!desktop.keys.keyState[VK_ESCAPE]) return false;
  if (confirmDiscardChanges()) return true;
  recordKeyUp(desktop.keys, VK_ESCAPE);
  endOfFrameKeys(desktop.keys);
  return false;
}

int runMainLoop(FrameStatistics& statistics) {
  int exitCode = 0;
  for (;;) {
    pumpMessages();
    if (quitMessagePosted(&exitCode)) return exitCode;
    const FrameResult frame = runFrame();
    if (frame.ended) return frame.exitCode;
    if (frame.drawn)
      statistics.frameDrawn(viewMotion.moving);
    else
      waitForMessages(frame.stillDueIn >= 0.0 ? std::min(frame.stillDueIn, idleWaitSeconds) : idleWaitSeconds);
  }
}
}  // namespace

void setFrameClock(FrameClock clock) {
  frameClock = clock;
  viewMotion = ViewMotion{};
  arrowClock = ArrowClock{};
}

FrameResult runFrame() {
  // Killed, hung up or interrupted: the unsaved text is kept before the
  // program ends.
  if (const int signal = terminationSignal()) {
    keepRecoveryCopy(desktop.hEditor, true);
    return {true, 128 + signal, false};
  }
  keepRecoveryCopy(desktop.hEditor);
  keepWindowPlacement(false);
  if (!desktop.windowActive || !desktop.hGlWindow) return {};
  const Clock::time_point now = frameNow();
  // The view at rest after moving asks for its still picture itself.
  const double stillDueIn = viewMotion.secondsToStill(now);
  if (!takeRedrawRequest() && !(viewMotion.moving && stillDueIn <= 0.0)) return {false, 0, false, stillDueIn};
  if (escapeEndsProgram()) return {true, 0, false};
  // The keys act before the frame is drawn, so that the frame shows what
  // they switched (F4 off draws no ghost, F5 off no axes) at once.
  turnViewByArrows(desktop.keys, desktop.view.camera, arrowClock.steps(arrowHeld(desktop.keys), now));
  runKeySwitches(desktop.keys, desktop.view, desktop.insertion, WindowCommands{sendCommand, showStatistics});
  runKeyBindings(desktop.keys.keyState, desktop.keys.keyLatch);
  desktop.view.drawing.moving = viewMotion.frameMoves(desktop.view.camera, now);
  showViewFrame();
  // Held keys act once per frame, so frames keep coming while one is held.
  if (anyKeyHeld(desktop.keys)) requestRedraw();
  endOfFrameKeys(desktop.keys);
  updatePanes();
  followEditorChanges();
  showSwitchesInMenu();
  return {false, 0, true};
}

std::string documentPathFromArguments(const char* arguments) {
  std::string path = arguments ? arguments : "";
  if (!path.empty() && path.front() == '"') {
    path.erase(0, 1);
    if (!path.empty() && path.back() == '"') path.pop_back();
  }
  return path;
}

int runDesktopProgram(const char* arguments) {
  FrameStatistics statistics;
  if (dataDir.empty()) findDataDir(nullptr);
  useDesktopDialogs();
  loadDesktopPreferences();
  clearQuitMessage();
  catchTerminationSignals(keepTextAtTerminationSignal);
  std::strcpy(desktop.documentName, "sans titre");
  std::snprintf(desktop.windowTitle, sizeof desktop.windowTitle, "VexioCad - %s", desktop.documentName);
  if (!createWindows()) return -1;
  watchTerminationSignal();
  const WindowPlacement made = windowPlacement(desktop.hMainWindow);
  if (!createGlWindow("ma fenetre OPENGL", made.width - editorWidth, made.height - statusBarHeight, 16)) return 0;
  movePaneDividers(desktop.hMainWindow, {0, made.height - statusBarHeight - messageListHeight});
  movePaneDividers(desktop.hMainWindow, desktop.preferences.dividers);
  preferencesShown();
  setFocus(desktop.hEditorControl);
  setFocus(desktop.hGlWindow);
  openDocumentOfCommandLine(documentPathFromArguments(arguments));
  offerRecoveryCopy();
  const int exitCode = runMainLoop(statistics);
  if (!terminationSignal()) removeRecoveryCopy();  // the text was saved or dropped
  statistics.report();
  closeMainWindow();
  clearKeyBindings();
  return exitCode;
}
