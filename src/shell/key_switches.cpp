// The built-in key switches. Most are edge-triggered through keyLatch, which
// the script's key bindings use in the opposite sense (a switch acts when its
// latch byte is 0 and then sets it).
#include "shell/key_switches.h"

#include <cstring>

#include "insertion/insertion.h"
#include "platform/core_window_messages.h"
#include "shell/main_window.h"
#include "shell/shared_state.h"
#include "view/camera.h"
#include "view/view_switches.h"

uint8_t keyState[256];
uint8_t keyLatch[256];

namespace {
template <typename Action>
void latchedSwitch(int key, Action action) {
  if (!keyState[key]) {
    keyLatch[key] = 0;
    return;
  }
  if (keyLatch[key]) return;
  keyLatch[key] = 1;
  action();
  // The key may have been released while the action held a modal box.
  if (!keyState[key]) keyLatch[key] = 0;
}

void toggle(uint8_t& flag) { flag = !flag; }

void switchSolidsAndEdges() {
  if (displayMode & DISPLAY_SOLIDS) {
    displayMode = (displayMode & ~DISPLAY_SOLIDS) | DISPLAY_EDGES;
    lightingEnabled = 0;
  } else {
    lightingEnabled = 1;
    displayMode = (displayMode & ~DISPLAY_EDGES) | DISPLAY_SOLIDS;
  }
}

void switchLighting() {
  toggle(lightingOn);
  lightingEnabled = lightingOn;
  if (!lightingOn) {
    displayMode |= DISPLAY_EDGES | DISPLAY_SOLIDS;
  } else {
    displayMode = (displayMode & ~DISPLAY_EDGES) | DISPLAY_SOLIDS;
  }
}
}  // namespace

namespace {
uint8_t pressedSinceFrame[256];
uint8_t releaseAfterFrame[256];
}  // namespace

void resetKeys() {
  std::memset(keyState, 0, sizeof keyState);
  std::memset(keyLatch, 0, sizeof keyLatch);
  std::memset(pressedSinceFrame, 0, sizeof pressedSinceFrame);
  std::memset(releaseAfterFrame, 0, sizeof releaseAfterFrame);
}

void recordKeyDown(int key) {
  keyState[key & 0xFF] = 1;
  pressedSinceFrame[key & 0xFF] = 1;
  releaseAfterFrame[key & 0xFF] = 0;
}

void recordKeyUp(int key) {
  if (pressedSinceFrame[key & 0xFF])
    releaseAfterFrame[key & 0xFF] = 1;
  else
    keyState[key & 0xFF] = 0;
}

void endOfFrameKeys() {
  for (int k = 0; k < 256; ++k) {
    if (releaseAfterFrame[k]) keyState[k] = 0;
    releaseAfterFrame[k] = pressedSinceFrame[k] = 0;
  }
}

bool anyKeyHeld() {
  for (const uint8_t held : keyState)
    if (held) return true;
  return false;
}

void runKeySwitches() {
  latchedSwitch(VK_F1, [] { toggle(showRoom); });
  latchedSwitch(VK_F2, switchSolidsAndEdges);
  latchedSwitch(VK_F3, switchLighting);
  latchedSwitch(VK_F4, [] { toggle(insertionMode); });
  latchedSwitch(VK_F5, [] { toggle(showAxes); });
  // F6 runs once per key-down message, not once per press.
  if (keyState[VK_F6]) {
    showStatistics();
    keyState[VK_F6] = 0;
  }
  latchedSwitch(VK_F7, [] { toggle(relativeReferences); });
  latchedSwitch(VK_F8, [] { frameMarkerRequest = 1; });
  latchedSwitch(VK_F9, [] { sendCommand(CMD_UNDO_INSERTION); });
  latchedSwitch(VK_F12, [] { sendCommand(CMD_COMPILE); });
  latchedSwitch(VK_HOME, [] { sendCommand(CMD_FIT_VIEW); });
  latchedSwitch('1', [] { toggle(ampersandOption); });
  if (keyState[VK_NEXT]) moveViewNearer(camera);
  if (keyState[VK_PRIOR]) moveViewFarther(camera);
}

void turnViewByArrows() {
  const int h = (keyState[VK_RIGHT] ? 1 : 0) - (keyState[VK_LEFT] ? 1 : 0);
  const int v = (keyState[VK_DOWN] ? 1 : 0) - (keyState[VK_UP] ? 1 : 0);
  turnViewByArrowKeys(camera, h, v);
}
