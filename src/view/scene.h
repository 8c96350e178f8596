// Drawing one frame of the 3-D view with a renderer: room, axes, the model
// as a tree of frames, and the ghost piece at the mouse, as a view state
// says. Drawing reads the view state and the table and writes neither.
#pragma once

#include "model/model_table.h"
#include "view/renderer.h"
#include "view/view_state.h"

// The whole frame through the view's camera, the ghost last.
void drawScene(const Renderer& renderer, const PieceRecord* table, const ViewState& view);
// The half-transparent ghost piece of the view, when shown; drawn after the
// scene, in eye coordinates.
void drawGhostPiece(const Renderer& renderer, const ViewState& view);
// One piece at the current modelview in its own colours, solids and edges
// as the view's display mode says.
void drawPiece(const Renderer& renderer, const PieceRecord& record, const ViewState& view);
// A piece of the highlighted line, or one whose look is LOOK_HIGHLIGHTED, is
// drawn with these display lists of its kind in the highlight's colours;
// false for any other.
bool drawnHighlighted(const PieceRecord& record, const ViewState& view, unsigned solids, unsigned edges);
// Whether the view's pieceLooks hides the record (never a record outside
// the table).
bool hiddenPiece(const PieceRecord& record, const ViewState& view);
// Every root of the table in table order, each followed at once by the
// pieces in its frame, each under its piece number as selection name, with
// one pass to index the frame tree for all of them.
void drawModelTrees(const Renderer& renderer, const PieceRecord* table, const ViewState& view);
