// The built-in key switches the main loop runs after each drawn frame:
// display toggles, insertion options, F6 statistics, F9 and F12 commands and
// Page Up / Page Down distance.
#pragma once

void runKeySwitches();
