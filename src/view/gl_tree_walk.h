// Walking the model's frame tree in the GL: every piece is drawn with its
// matrix composed onto its frame parent's, the modelview restored after its
// children. Drawing and picking share this walk.
#pragma once

#include <cstdint>

#include "model/frame_tree.h"

// Draws one piece at the current modelview (names it, draws it or its
// markers); context is the walk's caller's.
using PieceDrawer = void (*)(const void* context, const PieceRecord& record, int32_t piece);

// Indexes the table into tree, then walks the piece numbered start and its
// frame, or with start = NO_PIECE every root in table order.
void walkModelInGl(FrameTree& tree, const PieceRecord* table, int32_t start, PieceDrawer draw,
                   const void* context = nullptr);
