// Picking in OpenGL selection mode: the piece under the mouse and the
// connection point under the mouse.
#pragma once

#include <cstdint>

#include "model/model_table.h"

extern PieceRecord* pickedPiece;
extern int32_t pickedPortKind;
extern float pickedPlace;

// Number of the nearest piece under the mouse, or -1.
int32_t pickPiece(PieceRecord* table);
// Sets pickedPiece (nullptr when nothing is hit) and, on a hit, the port.
void pickConnectionPoint(PieceRecord* table);
