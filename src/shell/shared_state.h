// The switches and state shared by the windows, the main loop, the view and
// insertion. All are process-wide and touched only by the one program thread.
#pragma once

#include <cstdint>
#include <string>

// Program directory with its final separator; data paths begin with it.
extern std::string dataDir;

// Current document: its full path, or "sans titre".
extern char documentName[260];
// Text last given to the main window's caption.
extern char windowTitle[280];

constexpr int editorWidth = 400;

extern uint8_t windowActive;   // draw only while set
extern int32_t mouseX, mouseY;  // last mouse position in the 3-D view, y down

extern uint8_t relativeReferences;
extern uint8_t frameMarkerRequest;
extern uint8_t ampersandOption;

// Port by which the ghost piece will hang, and its position code.
extern int32_t ghostPortKind;
extern float ghostPlace;

// Back to the values at program start (for tests). The view switches and the
// keys have their own: resetViewSwitches and resetKeys.
void resetSharedState();
