// The built-in key switches. Most are edge-triggered through keyLatch, which
// the script's key bindings use in the opposite sense (a switch acts when its
// latch byte is 0 and then sets it).
#include "shell/key_switches.h"

#include "platform/core_window_messages.h"
#include "shell/menu_commands.h"
#include "view/camera.h"

namespace {
template <typename Action>
void latchedSwitch(KeyboardState& keys, int key, Action action) {
  if (!keys.keyState[key]) {
    keys.keyLatch[key] = 0;
    return;
  }
  if (keys.keyLatch[key]) return;
  keys.keyLatch[key] = 1;
  action();
  // The key may have been released while the action held a modal box.
  if (!keys.keyState[key]) keys.keyLatch[key] = 0;
}

void toggle(uint8_t& flag) { flag = !flag; }

void switchSolidsAndEdges(ViewState& view) {
  if (view.displayMode & DISPLAY_SOLIDS) {
    view.displayMode = (view.displayMode & ~DISPLAY_SOLIDS) | DISPLAY_EDGES;
    view.lightingEnabled = 0;
  } else {
    view.lightingEnabled = 1;
    view.displayMode = (view.displayMode & ~DISPLAY_EDGES) | DISPLAY_SOLIDS;
  }
}

void switchLighting(ViewState& view) {
  toggle(view.lightingOn);
  view.lightingEnabled = view.lightingOn;
  if (!view.lightingOn) {
    view.displayMode |= DISPLAY_EDGES | DISPLAY_SOLIDS;
  } else {
    view.displayMode = (view.displayMode & ~DISPLAY_EDGES) | DISPLAY_SOLIDS;
  }
}
}  // namespace

void recordKeyDown(KeyboardState& keys, int key) {
  keys.keyState[key & 0xFF] = 1;
  keys.pressedSinceFrame[key & 0xFF] = 1;
  keys.releaseAfterFrame[key & 0xFF] = 0;
}

void recordKeyUp(KeyboardState& keys, int key) {
  if (keys.pressedSinceFrame[key & 0xFF])
    keys.releaseAfterFrame[key & 0xFF] = 1;
  else
    keys.keyState[key & 0xFF] = 0;
}

void endOfFrameKeys(KeyboardState& keys) {
  for (int k = 0; k < 256; ++k) {
    if (keys.releaseAfterFrame[k]) keys.keyState[k] = 0;
    keys.releaseAfterFrame[k] = keys.pressedSinceFrame[k] = 0;
  }
}

bool anyKeyHeld(const KeyboardState& keys) {
  for (const uint8_t held : keys.keyState)
    if (held) return true;
  return false;
}

void runSwitch(int key, ViewState& view, InsertionState& insertion) {
  switch (key) {
    case VK_F1: toggle(view.showRoom); break;
    case VK_F2: switchSolidsAndEdges(view); break;
    case VK_F3: switchLighting(view); break;
    case VK_F4: toggle(insertion.insertionMode); break;
    case VK_F5: toggle(view.showAxes); break;
    case VK_F7: toggle(insertion.relativeReferences); break;
    case VK_F8: insertion.frameMarkerRequest = 1; break;
    case '1': toggle(insertion.ampersandOption); break;
    default: break;
  }
}

bool switchIsOn(int key, const ViewState& view, const InsertionState& insertion) {
  switch (key) {
    case VK_F1: return view.showRoom;
    case VK_F2: return view.displayMode & DISPLAY_SOLIDS;
    case VK_F3: return view.lightingOn;
    case VK_F4: return insertion.insertionMode;
    case VK_F5: return view.showAxes;
    case VK_F7: return insertion.relativeReferences;
    case VK_F8: return insertion.frameMarkerRequest;
    case '1': return insertion.ampersandOption;
    default: return false;
  }
}

void runKeySwitches(KeyboardState& keys, ViewState& view, InsertionState& insertion, const WindowCommands& window) {
  for (const int key : {VK_F1, VK_F2, VK_F3, VK_F4, VK_F5})
    latchedSwitch(keys, key, [&] { runSwitch(key, view, insertion); });
  // F6 runs once per key-down message, not once per press.
  if (keys.keyState[VK_F6]) {
    window.showStatistics();
    keys.keyState[VK_F6] = 0;
  }
  for (const int key : {VK_F7, VK_F8}) latchedSwitch(keys, key, [&] { runSwitch(key, view, insertion); });
  latchedSwitch(keys, VK_F9, [&] { window.sendCommand(CMD_UNDO_INSERTION); });
  latchedSwitch(keys, VK_F12, [&] { window.sendCommand(CMD_COMPILE); });
  latchedSwitch(keys, VK_HOME, [&] { window.sendCommand(CMD_FIT_VIEW); });
  latchedSwitch(keys, '1', [&] { runSwitch('1', view, insertion); });
  if (keys.keyState[VK_NEXT]) moveViewNearer(view.camera);
  if (keys.keyState[VK_PRIOR]) moveViewFarther(view.camera);
}

void runSwitchesBeforeClick(KeyboardState& keys, ViewState& view, InsertionState& insertion) {
  for (const int key : {VK_F4, VK_F7, VK_F8, int('1')})
    latchedSwitch(keys, key, [&] { runSwitch(key, view, insertion); });
}

void turnViewByArrows(const KeyboardState& keys, Camera& camera, float steps) {
  const int h = (keys.keyState[VK_RIGHT] ? 1 : 0) - (keys.keyState[VK_LEFT] ? 1 : 0);
  const int v = (keys.keyState[VK_DOWN] ? 1 : 0) - (keys.keyState[VK_UP] ? 1 : 0);
  turnViewByArrowKeys(camera, h, v, steps);
}

bool arrowHeld(const KeyboardState& keys) {
  return keys.keyState[VK_LEFT] || keys.keyState[VK_RIGHT] || keys.keyState[VK_UP] || keys.keyState[VK_DOWN];
}
