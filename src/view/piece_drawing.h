// One piece as a view state shows it, at the current modelview: the scene,
// the fast drawing of large models and the part pictures draw each piece
// through these.
#pragma once

#include "model/model_table.h"
#include "view/renderer.h"
#include "view/view_state.h"

// One piece at the current modelview in its own colours, solids and edges
// as the view's display mode says.
void drawPiece(const Renderer& renderer, const PieceRecord& record, const ViewState& view);
// Whether the piece is of the highlighted line or its look is
// LOOK_HIGHLIGHTED.
bool highlightedPiece(const PieceRecord& record, const ViewState& view);
// A piece of the highlighted line, or one whose look is LOOK_HIGHLIGHTED, is
// drawn with these display lists of its kind in the highlight's colours;
// false for any other.
bool drawnHighlighted(const PieceRecord& record, const ViewState& view, unsigned solids, unsigned edges);
// Whether the view's pieceLooks hides the record (never a record outside
// the table).
bool hiddenPiece(const PieceRecord& record, const ViewState& view);
