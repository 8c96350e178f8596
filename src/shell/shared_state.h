// The switches and state shared by the windows, the main loop and the view.
// All are process-wide and touched only by the one program thread.
#pragma once

#include <cstdint>

// Current document: its full path, or "sans titre".
extern char documentName[260];
// Text last given to the main window's caption.
extern char windowTitle[280];

constexpr int editorWidth = 400;

extern uint8_t windowActive;   // draw only while set

// Back to the values at program start (for tests). The view switches, the
// keys and insertion's state have their own resets.
void resetSharedState();
