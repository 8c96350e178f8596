// The 3-D window: creation with its GL context and the view's data, release,
// and the window procedure of view navigation.
#include "shell/gl_window.h"

#include <cstdlib>
#include <cstring>

#include "insertion/insertion.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "platform/window_system.h"
#include "shell/key_switches.h"
#include "model/connection.h"
#include "shell/panes.h"
#include "shell/shared_state.h"
#include "shell/view_status.h"
#include "view/camera.h"
#include "view/camera_gl.h"
#include "view/kept_model.h"
#include "view/overlay.h"
#include "view/renderer.h"
#include "view/scene.h"

namespace {
// The GL resources of the window's context: the exports draw with renderers
// of their own and never touch these.
Renderer windowRenderer;

// A left-button press, followed until its release. The release is a click
// only when the pointer stayed within dragSlop pixels of where the button
// went down and the wheel did not turn meanwhile: what the user did decides,
// not which messages happened to arrive between the two (FLTK may deliver
// the movements of a quick drag after the release).
constexpr int dragSlop = 4;
struct LeftPress {
  bool held = false;
  int x = 0, y = 0;
  bool dragged = false;
  bool wheelTurned = false;
  bool control = false;  // Ctrl held at the press: a click selects, even in insertion mode
};
LeftPress leftPress;
uintptr_t buttonsHeld = 0;  // MK_LBUTTON and MK_RBUTTON, from the button messages
// Whether the view had the keyboard when the left button went down: a
// click that only gives it the keyboard inserts nothing.
bool pressFoundKeys = true;
// The pointer is over the view: from its first move there until it leaves.
bool pointerInView = false;

// The last drawn model, kept for the frames in which only the overlay
// changes, and the preview shown for the pointer, worked out again only when
// the pointer, the model or the ghost changed.
KeptModel keptModel;
struct Preview {
  bool worked = false;
  int32_t x = 0, y = 0;
  uint64_t model = 0;
  PieceRecord ghost{};
  int32_t ghostPortKind = 0;
  float ghostPlace = 0.0f;
  uint8_t options = 0;
  InsertionPlan plan;
  PickedPoint picked;
};
Preview preview;

bool viewHasKeys() { return windowHasFocus(desktop.hMainWindow) || windowHasFocus(desktop.hGlWindow); }

void notePointer(int x, int y) {
  if (leftPress.held && (std::abs(x - leftPress.x) > dragSlop || std::abs(y - leftPress.y) > dragSlop))
    leftPress.dragged = true;
}

const char* failureText(GlWindowFailure failure) {
  switch (failure) {
    case GlWindowFailure::WindowCreation: return "Window Creation Error.";
    case GlWindowFailure::PixelFormat: return "Ne peut pas trouver un pixelformat.";
    case GlWindowFailure::Context: return "Ne peut pas créer un GL rendering context.";
    default: return "Can't Activate the gl rendering context.";
  }
}

void turnOrMoveView(int x, int y, uintptr_t buttons) {
  const int dx = x - desktop.view.mouseX, dy = y - desktop.view.mouseY;
  const bool left = buttons & MK_LBUTTON, right = buttons & MK_RBUTTON;
  if (left && !right)
    rotateViewByDrag(desktop.view.camera, dy, dx);
  else if (right && !left)
    translateView(desktop.view.camera, dx, -dy, 0);
  else if (left && right)
    translateView(desktop.view.camera, dx, 0, 4 * dy);
}
// A release outside the view is not seen, so what is held is taken anew
// from each press.
void pressButton(uintptr_t button, uintptr_t flags, int x, int y) {
  if (button == MK_LBUTTON) pressFoundKeys = viewHasKeys();
  pointerInView = true;
  setFocus(desktop.hMainWindow);
  desktop.windowActive = 1;
  buttonsHeld = (flags & (MK_LBUTTON | MK_RBUTTON)) | button;
  if (button == MK_LBUTTON) leftPress = {true, x, y, false, false, (flags & MK_CONTROL) != 0};
  desktop.view.mouseX = x;
  desktop.view.mouseY = y;
}

void movePointer(int x, int y, uintptr_t buttons) {
  if (x != desktop.view.mouseX || y != desktop.view.mouseY) forgetClickMessage();
  pointerInView = true;
  turnOrMoveView(x, y, buttons);
  notePointer(x, y);
  desktop.view.mouseX = x;
  desktop.view.mouseY = y;
}

// A release away from the last seen position ends the drag there, with the
// buttons that were held, so a quick flick turns the view as far as it went.
void releaseButton(uintptr_t button, int x, int y) {
  if (x != desktop.view.mouseX || y != desktop.view.mouseY) movePointer(x, y, buttonsHeld);
  buttonsHeld &= ~button;
  if (button != MK_LBUTTON || !leftPress.held) return;
  const bool click = !leftPress.dragged && !leftPress.wheelTurned;
  const bool select = !desktop.insertion.insertionMode || leftPress.control;
  leftPress = {};
  if (click && select)
    selectPieceAtMouse();
  else if (click && !pressFoundKeys)
    sayKeyboardTaken();
  else if (click)
    insertAtPointer();
}

// An insertion changes the text and the model alike: a model that was the
// text's stays so.
template <typename Insertion>
void changeTextAndModel(Insertion insertion) {
  const bool modelWasText = !textChangedSinceModel();
  insertion();
  if (modelWasText) noteModelMatchesText();
}

// What a click at the pointer would insert, as the ghost shows it.
void showPlan(GhostView& ghost, const InsertionPlan& plan, const PickedPoint& picked) {
  ghost.placed = insertsPiece(plan);
  ghost.world = plan.world;
  ghost.refused = !ghost.placed && plan.outcome != InsertionOutcome::NoPoint;
  ghost.targetShown = plan.outcome == InsertionOutcome::Joins || plan.outcome == InsertionOutcome::RefusedPair;
  if (!ghost.targetShown) return;
  ConnectionPoint target = makeConnectionPoint(uint8_t(picked.portKind), double(picked.place));
  placeConnectionPoint(target, *picked.piece, true, false);
  ghost.target = worldPlacement(*picked.piece);
  multiplyRight(ghost.target, target.frame);
}

bool previewIsCurrent(uint64_t model) {
  const InsertionState& s = desktop.insertion;
  const uint8_t options = uint8_t(s.relativeReferences | s.frameMarkerRequest << 1 | s.ampersandOption << 2);
  const bool current = preview.worked && preview.x == desktop.view.mouseX && preview.y == desktop.view.mouseY &&
                       preview.model == model && preview.ghostPortKind == s.ghostPortKind &&
                       preview.ghostPlace == s.ghostPlace && preview.options == options &&
                       std::memcmp(&preview.ghost, &s.ghostPiece, sizeof preview.ghost) == 0;
  preview.worked = true;
  preview.x = desktop.view.mouseX, preview.y = desktop.view.mouseY, preview.model = model;
  preview.ghost = s.ghostPiece, preview.ghostPortKind = s.ghostPortKind, preview.ghostPlace = s.ghostPlace;
  preview.options = options;
  return current;
}

// The ghost of the frame: hidden outside the view and with insertion off;
// while no button is held, the preview of a click at the pointer.
void updateGhost(uint64_t model) {
  GhostView& ghost = desktop.view.ghost;
  ghost = ghostView(desktop.insertion);
  ghost.shown = ghost.shown && pointerInView;
  if (!ghost.shown || buttonsHeld) return;
  if (!previewIsCurrent(model)) {
    preview.plan = planClickAt(desktop.insertion, desktop.view, &preview.picked);
    sayPreview(preview.plan);
  }
  showPlan(ghost, preview.plan, preview.picked);
}

}  // namespace

// In insertion mode the wheel changes the ghost and the piece just inserted;
// otherwise it zooms towards the pointer.
intptr_t turnWheel(uint32_t wParam, int x, int y) {
  if (desktop.insertion.insertionMode) {
    changeTextAndModel([&] { handleInsertionWheel(desktop.insertion, desktop.hEditor, desktop.view, wParam); });
    return 0;
  }
  zoomViewByWheel(desktop.view.camera, int16_t(hiWord(wParam)), x, y);
  return 0;
}

bool createGlWindow(const char* title, int width, int height, int) {
  GlWindowFailure failure = GlWindowFailure::Nothing;
  desktop.hGlWindow =
      createGlChildWindow(desktop.hMainWindow, title, editorWidth, 0, width, height, glWindowProc, &failure);
  if (!desktop.hGlWindow) {
    destroyGlWindow();
    showMessage(failureText(failure), "Erreur", ICON_EXCLAMATION);
    return false;
  }
  setFocus(desktop.hGlWindow);
  resizeGlView(width, height);
  if (!startGlWindowRenderer()) {
    destroyGlWindow();
    showMessage("Initialization ratée(initgl)", "Erreur", ICON_EXCLAMATION);
    return false;
  }
  return true;
}

bool startGlWindowRenderer() {
  if (!startRenderer(windowRenderer, dataDir)) return false;
  desktop.view.lightingOn = desktop.view.lightingEnabled = 1;
  resetView(desktop.view.camera);
  return true;
}

const Renderer& glWindowRenderer() { return windowRenderer; }

void insertAtPointer() {
  changeTextAndModel([] { sayClick(insertPiece(desktop.insertion, desktop.hEditor, desktop.view, nullptr)); });
}

void drawViewFrame() {
  const uint64_t model = modelFingerprint(modelTable, desktop.view);
  updateGhost(model);
  desktop.view.keyboardFrame = viewHasKeys();
  const int width = desktop.view.camera.viewportWidth, height = desktop.view.camera.viewportHeight;
  if (!restoreModel(keptModel, width, height, model)) {
    drawModelLayer(windowRenderer, modelTable, desktop.view);
    // Kept while the pointer may hover next; a drag, a held key or any
    // frame while the view moves draws the model again at once anyway
    // (keeping each of those took a fifth of a moving frame's time).
    if (pointerInView && !buttonsHeld && !desktop.view.drawing.moving) keepModel(keptModel, width, height, model);
  }
  drawOverlay(windowRenderer, desktop.view);
}

intptr_t viewKeyMessage(uint32_t message, uintptr_t wParam) {
  if (message == WM_KEYDOWN && wParam == VK_F11)
    reportPieceUnderMouse();
  else if (message == WM_KEYDOWN)
    recordKeyDown(desktop.keys, int(wParam));
  else if (message == WM_KEYUP)
    recordKeyUp(desktop.keys, int(wParam));
  return 0;
}

void resizeGlView(int width, int height) {
  setViewport(desktop.view.camera, width, height);
  loadCameraProjection(desktop.view.camera);
}

void destroyGlWindow() {
  windowRenderer = Renderer{};  // the context goes with the window
  keptModel = KeptModel{};
  preview = Preview{};
  pointerInView = false;
  if (!desktop.hGlWindow) return;
  WindowHandle window = desktop.hGlWindow;
  desktop.hGlWindow = nullptr;
  destroyWindow(window);
}

intptr_t glWindowProc(WindowHandle, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const int x = loWord(uintptr_t(lParam)), y = hiWord(uintptr_t(lParam));
  requestRedraw();  // whatever the message, the next pass draws
  if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
      message == WM_LBUTTONUP || message == WM_MOUSEWHEEL)
    runSwitchesBeforeClick(desktop.keys, desktop.view, desktop.insertion);
  switch (message) {
    case WM_ACTIVATE: desktop.windowActive = hiWord(wParam) == 0; return 0;
    case WM_SYSCOMMAND: return 0;  // the screen saver and monitor power-off are swallowed too
    case WM_CLOSE: postQuitMessage(0); return 0;
    case WM_KEYDOWN:
    case WM_KEYUP: return viewKeyMessage(message, wParam);
    case WM_SYSKEYDOWN: recordKeyDown(desktop.keys, int(wParam)); return 0;
    case WM_SYSKEYUP: recordKeyUp(desktop.keys, int(wParam)); return 0;
    case WM_SIZE: resizeGlView(x, y); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: pressButton(message == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, wParam, x, y); return 0;
    case WM_MOUSEMOVE: movePointer(x, y, wParam); return 0;
    case WM_MOUSELEAVE:
      pointerInView = false;
      forgetClickMessage();
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: releaseButton(message == WM_LBUTTONUP ? MK_LBUTTON : MK_RBUTTON, x, y); return 0;
    case WM_MBUTTONDOWN:
      pointerInView = true;
      if (!desktop.insertion.insertionMode) return 0;
      if (viewHasKeys())
        insertAtPointer();
      else
        sayKeyboardTaken();
      setFocus(desktop.hMainWindow);
      return 0;
    case WM_MOUSEWHEEL:
      if (leftPress.held) leftPress.wheelTurned = true;
      return turnWheel(uint32_t(wParam), x, y);
    default: return 0;
  }
}
