// The keys as the main loop sees them, and the built-in key switches it runs
// before each drawn frame: display toggles, insertion options, F6
// statistics, F9, F12 and Home commands, and the view keys (arrows, Page Up /
// Page Down). The switches act on the view state and the insertion state
// they are given, and ask the window for the rest.
#pragma once

#include <cstdint>

#include "insertion/insertion.h"
#include "view/view_state.h"

struct KeyboardState {
  // By virtual-key code: 1 while the key is held.
  uint8_t keyState[256] = {};
  // Per-key latch shared, in opposite senses, by the built-in key switches
  // and the script's key bindings.
  uint8_t keyLatch[256] = {};
  // Keys pressed since the last frame ended, and those among them released
  // again, whose release waits until the frame is over.
  uint8_t pressedSinceFrame[256] = {};
  uint8_t releaseAfterFrame[256] = {};
};

// What the key switches ask of the window they serve.
struct WindowCommands {
  void (*sendCommand)(int command);  // a menu command (MenuCommand)
  void (*showStatistics)();          // the F6 report
};

// One key's switch (F1 to F5, F7, F8, the 1 key) as its key works it, for
// the menu's check items too, and whether it is on (F2: the faces are drawn;
// F8: a frame marker is asked for the next inserted piece).
void runSwitch(int key, ViewState& view, InsertionState& insertion);
bool switchIsOn(int key, const ViewState& view, const InsertionState& insertion);
// The arrow keys turn the camera while held: steps of one frame's turn (1
// for a frame's, more for a slow frame's).
void turnViewByArrows(const KeyboardState& keys, Camera& camera, float steps = 1.0f);
// Whether an arrow key is held.
bool arrowHeld(const KeyboardState& keys);
void runKeySwitches(KeyboardState& keys, ViewState& view, InsertionState& insertion, const WindowCommands& window);
// The switches that decide what a click or the wheel does in the view (F4,
// F7, F8, the 1 key), pressed since the last frame, act at once: F4 and a
// quick click after it must not insert in the mode F4 turned off. They act
// once per press still, the frame's pass finding them done.
void runSwitchesBeforeClick(KeyboardState& keys, ViewState& view, InsertionState& insertion);

// Key messages of both windows go through these. A key pressed and released
// between two frames (a quick tap while frames are slow) still reads as held
// for one frame: its release waits until endOfFrameKeys.
void recordKeyDown(KeyboardState& keys, int key);
void recordKeyUp(KeyboardState& keys, int key);
void endOfFrameKeys(KeyboardState& keys);
// Some key reads as held.
bool anyKeyHeld(const KeyboardState& keys);
