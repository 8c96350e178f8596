// The 17 piece kinds: their files, default colours, which are turned at load,
// the shared sub-part files, and the piece templates new pieces are copied
// from.
#pragma once

#include "model/model_table.h"

constexpr int SUBPART_COUNT = 8;

extern const char* const pieceFileNames[KIND_COUNT];     // in "vexo/Parts/"
extern const char* const subPartFileNames[SUBPART_COUNT];  // in "vexo/P/"
extern const float kindColours[KIND_COUNT][4];

// Rods (kinds 10 to 15) are turned 45 degrees about z when loaded.
inline bool isTurnedAtLoad(int kind) { return kind >= 10 && kind <= 15; }

// The record a new piece of each kind starts as: its kind and colour, used,
// at the origin, linked to nothing.
extern const PieceRecord pieceTemplates[KIND_COUNT];
// The half-transparent piece shown at the mouse and copied by insertion.
extern PieceRecord ghostPiece;

// The ghost as at start-up: a copy of kind 13.
void resetGhostPiece();

// Index of a sub-part name (exact, case-sensitive), or -1.
int findSubPart(const char* name);
