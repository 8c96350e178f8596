// The 17 piece kinds: their files, default colours, which are turned at load,
// the shared sub-part files, and the piece templates new pieces are copied
// from.
#pragma once

#include "model/model_table.h"

constexpr int SUBPART_COUNT = 8;

extern const char* const pieceFileNames[KIND_COUNT];     // in "vexo/Parts/"
extern const char* const subPartFileNames[SUBPART_COUNT];  // in "vexo/P/"
inline constexpr float kindColours[KIND_COUNT][4] = {
    {0.3f, 0.3f, 0.3f, 1.0f}, {0.6f, 0.6f, 0.6f, 1.0f}, {1.0f, 0.5f, 0.0f, 1.0f},
    {1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {0.8f, 0.0f, 0.8f, 1.0f},
    {1.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.8f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
    {1.0f, 0.5f, 0.25f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
    {0.0f, 0.0f, 0.8f, 1.0f}, {1.0f, 1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 1.0f},
    {0.5f, 0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 1.0f, 1.0f}};

// Rods (kinds 10 to 15) are turned 45 degrees about z when loaded.
inline bool isTurnedAtLoad(int kind) { return kind >= 10 && kind <= 15; }

// The record a new piece of each kind starts as: its kind and colour, used,
// at the origin, linked to nothing. Made at compile time, so that records
// copied from it while the program starts (a ghost piece) find it made.
constexpr PieceRecord pieceTemplate(int kind) {
  PieceRecord t{};
  t.kind = int16_t(kind);
  for (int i = 0; i < 4; ++i) t.colour[i] = kindColours[kind][i];
  for (int i = 0; i < 16; ++i) t.matrix.m[i] = i % 5 == 0 ? 1.0f : 0.0f;
  t.flags = PIECE_USED;
  return t;
}
inline constexpr PieceRecord pieceTemplates[KIND_COUNT] = {
    pieceTemplate(0),  pieceTemplate(1),  pieceTemplate(2),  pieceTemplate(3),  pieceTemplate(4),
    pieceTemplate(5),  pieceTemplate(6),  pieceTemplate(7),  pieceTemplate(8),  pieceTemplate(9),
    pieceTemplate(10), pieceTemplate(11), pieceTemplate(12), pieceTemplate(13), pieceTemplate(14),
    pieceTemplate(15), pieceTemplate(16)};
// The kind of the ghost piece at start-up.
constexpr int START_GHOST_KIND = 13;

// Index of a sub-part name (exact, case-sensitive), or -1.
int findSubPart(const char* name);
