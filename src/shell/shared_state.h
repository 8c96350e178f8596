// The switches and state shared by the windows, the main loop and the view.
// All are process-wide and touched only by the one program thread.
#pragma once

#include <cstdint>

#include "view/view_state.h"

// Current document: its full path, or "sans titre".
extern char documentName[260];
// Text last given to the main window's caption.
extern char windowTitle[280];

constexpr int editorWidth = 400;

extern uint8_t windowActive;   // draw only while set

// Everything the program decides back to its values at start-up: the
// document's name, insertion's switches and ghost, the view switches, the
// keys, the camera, the model and the key bindings (for tests).
void resetSharedState();

// How the window's frames are drawn now: its camera and switches, and the
// ghost piece while insertion mode is on. The offscreen view of the command
// line and the tests draws the same way.
ViewState currentViewState();
