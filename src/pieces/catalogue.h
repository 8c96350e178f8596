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

extern PieceRecord pieceTemplates[KIND_COUNT];
// The half-transparent piece shown at the mouse and copied by insertion.
extern PieceRecord ghostPiece;

// Fills the templates with the given display lists (all 0 without a GL
// context), clears the model table and makes the ghost a copy of kind 13.
void initPieceTemplates(const unsigned solidLists[KIND_COUNT], const unsigned edgeLists[KIND_COUNT]);
// The same without display lists, for the command-line modes and tests.
void initPieceTemplatesHeadless();
// Makes headless templates unless a library was built already.
void ensurePieceTemplates();

// Index of a sub-part name (exact, case-sensitive), or -1.
int findSubPart(const char* name);
