#include "insertion/picking.h"

// Picking is not built yet: nothing is ever under the mouse.
PieceRecord* pickedPiece = nullptr;
int32_t pickedPortKind = 1;
float pickedPlace = 1.0f;

int32_t pickPiece(PieceRecord*) { return -1; }
void pickConnectionPoint(PieceRecord*) { pickedPiece = nullptr; }
