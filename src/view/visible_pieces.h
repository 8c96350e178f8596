// Drawing a large model fast on a machine without a graphics card: pieces
// outside the view are skipped, pieces seen small are drawn with their
// kind's coarse or tiny mesh, from the indexed buffers of
// pieces/simpler_meshes_gl.h (one flat list each where the GL has no buffer
// objects). The
// nested lists of the piece library stay for picking and the ghost piece.
#pragma once

#include "model/model_table.h"
#include "view/renderer.h"
#include "view/view_state.h"

// Pieces whose details span fewer pixels across (the diameter of the kind's
// detail sphere on screen) are drawn coarse or tiny, unless nearest to the
// eye. Below 16 pixels a connector's jaws are a pixel or two: drawn without
// them rather than only below 12, the image comparison with full detail
// finds 3 more changed cells of the tall tower's 2757 seen from 1500 and
// none more elsewhere, and a block of 10000 pieces draws in two thirds of
// the time.
constexpr float COARSE_BELOW_PIXELS = 48.0f;
constexpr float TINY_BELOW_PIXELS = 16.0f;
// While the view moves, pieces whose details span fewer pixels are drawn
// as marks (pieces/mark_meshes.h), the whole model's in one batch.
constexpr float MARK_BELOW_PIXELS = 16.0f;

// The model table as drawModelTrees walks it, at the current modelview,
// seen through the view's camera and at its drawing's detail.
void drawVisiblePieces(const Renderer& renderer, const PieceRecord* table, const ViewState& view);
