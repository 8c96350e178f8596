// Drawing one frame of the 3-D view: room, axes, the model as a tree of
// frames, and the ghost piece at the mouse.
#pragma once

#include "model/model_table.h"

// Through the camera, with the view switches as they are; the camera is
// only read.
void drawScene();
// The half-transparent ghost piece at the mouse (y down), hanging by the
// port it will attach with; drawn after the scene.
void drawGhostPiece(PieceRecord& ghost, int32_t portKind, float place, int32_t mouseX, int32_t mouseY);
void drawPiece(const PieceRecord& record);
// A piece of the highlighted line (see highlightedLine), or one whose look
// is LOOK_HIGHLIGHTED, is drawn with these display lists of its kind in the
// highlight's colours; false for any other.
bool drawnHighlighted(const PieceRecord& record, unsigned solids, unsigned edges);
// Whether pieceLooks hides the record (never a record outside the table).
bool hiddenPiece(const PieceRecord& record);
void drawPieceTree(const PieceRecord* record, const PieceRecord* table);
// Every root of the table in table order, each followed at once by the
// pieces in its frame, as drawPieceTree draws them, with one pass to index
// the frame tree for all of them: use this rather than drawPieceTree once
// per root, which would index the table once per root.
void drawModelTrees(const PieceRecord* table);
