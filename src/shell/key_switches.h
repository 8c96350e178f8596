// The keys as the main loop sees them, and the built-in key switches it runs
// after each drawn frame: display toggles, insertion options, F6 statistics,
// F9 and F12 commands, and the view keys (arrows, Page Up / Page Down).
#pragma once

#include <cstdint>

// By virtual-key code: 1 while the key is held.
extern uint8_t keyState[256];
// Per-key latch shared, in opposite senses, by the built-in key switches and
// the script's key bindings.
extern uint8_t keyLatch[256];

// No key held, every latch 0, no tap waiting for the end of a frame.
void resetKeys();

// The arrow keys turn the camera, once per frame while held.
void turnViewByArrows();
void runKeySwitches();

// Key messages of both windows go through these. A key pressed and released
// between two frames (a quick tap while frames are slow) still reads as held
// for one frame: its release waits until endOfFrameKeys.
void recordKeyDown(int key);
void recordKeyUp(int key);
void endOfFrameKeys();
// Some key reads as held.
bool anyKeyHeld();
