// The switches that decide what the 3-D view shows. The key switches of the
// main loop flip them; drawing reads them.
#pragma once

#include <cstdint>

constexpr uint32_t DISPLAY_EDGES = 1;
constexpr uint32_t DISPLAY_SOLIDS = 2;
extern uint32_t displayMode;

extern uint8_t lightingOn;
// Whether GL lighting is on while the model is drawn. F2 and F3 set it beside
// displayMode and lightingOn, the axes turn it on again after them while
// lightingOn is set, and drawScene hands it to GL.
extern uint8_t lightingEnabled;
extern uint8_t showAxes;
extern uint8_t showRoom;

// Back to the values at program start.
// Pieces made by this script line (see PieceRecord) are drawn highlighted;
// 0 highlights none.
extern int32_t highlightedLine;

// How drawing shows each piece, by piece number, beside highlightedLine: a
// step of a building booklet hides the later pieces and highlights its own.
enum PieceLook : uint8_t { LOOK_OWN_COLOURS, LOOK_HIGHLIGHTED, LOOK_HIDDEN };
// MODEL_CAPACITY entries; nullptr (the default) draws every piece as usual.
extern const uint8_t* pieceLooks;

void resetViewSwitches();
