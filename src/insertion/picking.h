// The piece under the mouse and the connection point under the mouse.
// Connection points are made pickable by small cubes, the markers, one at
// every port. The pickers answer from the model on the CPU with exactly the
// answers OpenGL selection gives through a one-pixel pick region at the
// mouse; the selection-mode pickers remain as the reference to check and
// time them against.
#pragma once

#include <cstdint>

#include "model/model_table.h"
#include "view/renderer.h"

// Last mouse position in the 3-D view, y down.
extern int32_t mouseX, mouseY;

extern PieceRecord* pickedPiece;
extern int32_t pickedPortKind;
extern float pickedPlace;
// Depths of the nearest hits of the last pick, as selection hit records
// store them (0 nearest, 2^32 - 1 farthest): of the piece found (by either
// picker), and of the marker found by the connection-point pickers.
extern uint32_t pickedPieceDepth;
extern uint32_t pickedMarkerDepth;

constexpr int SELECT_BUFFER_ENTRIES = 512;

// Number of the nearest piece under the mouse, or -1. Needs no GL.
int32_t pickPiece(PieceRecord* table);
// Sets pickedPiece (nullptr when nothing is hit) and, on a hit, the port.
// Needs no GL.
void pickConnectionPoint(PieceRecord* table);

// The same answers through OpenGL selection mode, in the current context.
// Pieces are drawn with their display lists, as the view draws them, or
// with the same triangles and lines issued one by one: Mesa's software
// driver loses in selection mode the triangles that follow quadrilaterals
// in a display list (sub-parts with both), which the view shows all the same.
// The display lists are the renderer's, of the current context; without a
// renderer the plain primitives are drawn.
enum class SelectDrawing { DisplayLists, PlainPrimitives };
int32_t pickPieceGlSelect(PieceRecord* table, SelectDrawing drawing = SelectDrawing::PlainPrimitives,
                          const Renderer* renderer = nullptr);
void pickConnectionPointGlSelect(PieceRecord* table);

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
