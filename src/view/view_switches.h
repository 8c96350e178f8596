// The switches of the desktop program's one window, which its key switches
// flip and from which its frames' view state is made (windowViewState in
// the shell).
#pragma once

#include <cstdint>

#include "view/view_state.h"

extern uint32_t displayMode;
extern uint8_t lightingOn;
extern uint8_t lightingEnabled;
extern uint8_t showAxes;
extern uint8_t showRoom;
extern int32_t highlightedLine;
// How the window draws the model: fast, small pieces simpler.
extern ModelDrawing modelDrawing;

// Back to the values at program start.
void resetViewSwitches();
