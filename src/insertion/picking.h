// The piece under the mouse and the connection point under the mouse.
// Connection points are made pickable by small cubes, the markers, one at
// every port. The pickers answer from the model on the CPU with exactly the
// answers OpenGL selection gives through a one-pixel pick region at the
// mouse, but for one: with more pieces under the mouse than the selection
// buffer holds records, the GL reports no hit at all, and these pickers
// still give the nearest. The selection-mode pickers remain as the
// reference to check and time them against.
#pragma once

#include <cstdint>

#include "model/model_table.h"
#include "view/renderer.h"
#include "view/view_state.h"

// Every picker looks through a view state: its camera, at the pixel of its
// mouse, meeting what its display mode draws.

// A connection point: the piece (nullptr for none), the kind of its port and
// the port's place (see makeConnectionPoint).
struct PickedPoint {
  PieceRecord* piece = nullptr;
  int32_t portKind = 1;
  float place = 1.0f;
};

// Depths of the nearest hits of a pick, as selection hit records store them
// (0 nearest, 2^32 - 1 farthest): of the piece found (by either picker), and
// of the marker found by the connection-point pickers.
// hits: the number of pieces hit by the (first) pass, -1 when the
// selection buffer overflowed (the GL pickers only).
struct PickDepths {
  uint32_t piece = 0;
  uint32_t marker = 0;
  int hits = 0;
};

constexpr int SELECT_BUFFER_ENTRIES = 512;

// Number of the nearest piece under the mouse, or -1. Needs no GL.
int32_t pickPiece(PieceRecord* table, const ViewState& view, PickDepths* depths = nullptr);
// Sets picked.piece (nullptr when nothing is hit) and, on a hit, the port.
// Needs no GL.
void pickConnectionPoint(PieceRecord* table, const ViewState& view, PickedPoint& picked,
                         PickDepths* depths = nullptr);

// The same answers through OpenGL selection mode, in the current context.
// Pieces are drawn with their display lists, as the view draws them, or
// with the same triangles and lines issued one by one: Mesa's software
// driver loses in selection mode the triangles that follow quadrilaterals
// in a display list (sub-parts with both), which the view shows all the same.
// The display lists are the renderer's, of the current context; without a
// renderer the plain primitives are drawn.
enum class SelectDrawing { DisplayLists, PlainPrimitives };
int32_t pickPieceGlSelect(PieceRecord* table, const ViewState& view,
                          SelectDrawing drawing = SelectDrawing::PlainPrimitives, const Renderer* renderer = nullptr,
                          PickDepths* depths = nullptr);
void pickConnectionPointGlSelect(PieceRecord* table, const ViewState& view, PickedPoint& picked,
                                 PickDepths* depths = nullptr);

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
