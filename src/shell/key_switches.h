// The built-in key switches the main loop runs after each drawn frame:
// display toggles, insertion options, F6 statistics, F9 and F12 commands and
// Page Up / Page Down distance.
#pragma once

void runKeySwitches();

// Key messages of both windows go through these. A key pressed and released
// between two frames (a quick tap while frames are slow) still reads as held
// for one frame: its release waits until endOfFrameKeys.
void recordKeyDown(int key);
void recordKeyUp(int key);
void endOfFrameKeys();
