// Drawing one frame of the 3-D view: room, axes, the model as a tree of
// frames, and the ghost piece at the mouse.
#pragma once

#include "model/model_table.h"

void drawScene();
void drawPiece(const PieceRecord& record);
void drawPieceTree(const PieceRecord* record, const PieceRecord* table);
