// Picking in OpenGL selection mode: the piece under the mouse and the
// connection point under the mouse. Connection points are made pickable by
// small cubes, the markers, drawn at every port in selection mode only.
#pragma once

#include <cstdint>

#include "model/model_table.h"

// Last mouse position in the 3-D view, y down.
extern int32_t mouseX, mouseY;

extern PieceRecord* pickedPiece;
extern int32_t pickedPortKind;
extern float pickedPlace;

constexpr int SELECT_BUFFER_ENTRIES = 512;
constexpr float MARKER_HALF_SIZE = 12.5f;

// Number of the nearest piece under the mouse, or -1.
int32_t pickPiece(PieceRecord* table);
// Sets pickedPiece (nullptr when nothing is hit) and, on a hit, the port.
void pickConnectionPoint(PieceRecord* table);

// One marker cube centred on the current origin.
void drawMarkerCube();
// Every marker of the piece in the current modelview frame; with names, each
// under 100 x port kind + place.
void drawPortMarkers(const PieceRecord& piece, bool withNames);
// The piece's markers and those of every piece in its frame, each piece
// under its number plus one as selection name. The table is indexed once.
void drawMarkerTree(const PieceRecord* piece, const PieceRecord* table);
// The same for every root of the table in table order, with one index of the
// frame tree for all of them.
void drawMarkerForest(const PieceRecord* table);
