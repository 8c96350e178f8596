// Drawing one frame of the 3-D view with a renderer: room, axes, the model
// as a tree of frames, and the ghost piece at the mouse, as a view state
// says. Drawing reads the view state and the table and writes neither.
#pragma once

#include "model/model_table.h"
#include "view/piece_drawing.h"
#include "view/renderer.h"
#include "view/view_state.h"

// The whole frame through the view's camera: the model layer, then the
// overlay (view/overlay.h).
void drawScene(const Renderer& renderer, const PieceRecord* table, const ViewState& view);
// The model pass: the frame cleared, the room, the axes and the model,
// without anything of the overlay.
void drawModelLayer(const Renderer& renderer, const PieceRecord* table, const ViewState& view);
// Every root of the table in table order, each followed at once by the
// pieces in its frame, each under its piece number as selection name, with
// one pass to index the frame tree for all of them.
void drawModelTrees(const Renderer& renderer, const PieceRecord* table, const ViewState& view);
