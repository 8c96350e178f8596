// The frame tree of a model table as an index built in one pass: for every
// piece, the pieces placed in its frame, in table order. Drawing and picking
// walk the whole model through it in time linear in the pieces, without
// recursion, and every walk ends whatever loops the frame links form.
#pragma once

#include <cstdint>

#include "model/model_table.h"

constexpr int32_t NO_PIECE = -1;

// Children of a piece are the records of the used prefix (records before the
// first unused one) that have PIECE_IN_FRAME set and whose frameParent is
// that piece. Pieces are named by their number in the table the index was
// built from.
struct FrameTree {
  const PieceRecord* table;
  int32_t count;                       // records in the used prefix
  int32_t parent[MODEL_CAPACITY];      // frame parent of a child, else NO_PIECE
  int32_t firstChild[MODEL_CAPACITY];  // by parent number, anywhere in the table
  int32_t nextSibling[MODEL_CAPACITY];
  bool built;
};

// Rebuilds the index for the table's current contents. Costs time linear in
// the used prefix (a tree used before is reset entry by entry, not whole).
void buildFrameTree(FrameTree& tree, const PieceRecord* table);

// A walk calls enter before a piece's children and leave after them.
struct FrameVisitor {
  void (*enter)(void* context, int32_t piece);
  void (*leave)(void* context, int32_t piece);
  void* context;
};

// The piece numbered start and everything placed in its frame, depth first,
// children in table order. A start outside the table visits nothing. If
// start lies on a loop of frame links, it is visited once and not again as
// anyone's child.
void walkFrameTree(const FrameTree& tree, int32_t start, const FrameVisitor& visitor);
// Every root of the used prefix (no PIECE_IN_FRAME) in table order, each
// followed at once by its frame tree. Pieces whose frame parent is never
// reached (null, unused, outside the prefix, or a loop) are not visited.
void walkFrameForest(const FrameTree& tree, const FrameVisitor& visitor);

// The number of a record of the table, or NO_PIECE for nullptr and any
// reference outside it.
int32_t recordNumber(const PieceRecord* table, const PieceRecord* record);
