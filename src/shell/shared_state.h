// The switches and state shared by the windows, the main loop and the view.
// All are process-wide and touched only by the one program thread.
#pragma once

#include <cstdint>

// Current document: its full path, or "sans titre".
extern char documentName[260];
// Text last given to the main window's caption.
extern char windowTitle[280];

constexpr int editorWidth = 400;

// By virtual-key code: 1 while the key is held.
extern uint8_t keyState[256];
// Per-key latch shared, in opposite senses, by the built-in key switches and
// the script's key bindings.
extern uint8_t keyLatch[256];

extern uint8_t windowActive;   // draw only while set

constexpr uint32_t DISPLAY_EDGES = 1;
constexpr uint32_t DISPLAY_SOLIDS = 2;
extern uint32_t displayMode;

extern uint8_t lightingOn;
extern uint8_t showAxes;
extern uint8_t showRoom;

// Back to the values at program start, with insertion's switches, ghost and
// mouse position (for tests).
void resetSharedState();
