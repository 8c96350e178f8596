#include "model/model_table.h"

#include <cstring>

PieceRecord modelTable[MODEL_CAPACITY];

uint32_t modelGeneration = 0;

void clearModel() {
  std::memset(static_cast<void*>(modelTable), 0, sizeof modelTable);
  ++modelGeneration;
}

PieceRecord* findFreeRecord() {
  for (PieceRecord& p : modelTable)
    if (!isUsed(p)) return &p;
  return nullptr;
}

int countPieces() {
  int count = 0;
  for (const PieceRecord& p : modelTable)
    if (isUsed(p)) ++count;
  return count;
}

int usedPrefixLength() { return usedPrefixLength(modelTable); }

int usedPrefixLength(const PieceRecord* table) {
  int n = 0;
  while (n < MODEL_CAPACITY && isUsed(table[n])) ++n;
  return n;
}

int pieceNumber(const PieceRecord* p) {
  if (p < modelTable || p >= modelTable + MODEL_CAPACITY) return -1;
  return int(p - modelTable);
}

PieceRecord* pieceAt(int number) {
  if (number < 0 || number >= MODEL_CAPACITY) return nullptr;
  return &modelTable[number];
}

Matrix worldPlacement(const PieceRecord& piece) {
  Matrix world = piece.matrix;
  const PieceRecord* q = &piece;
  for (int steps = 0; isInFrame(*q) && q->frameParent && steps < MAX_CHAIN_STEPS; ++steps) {
    q = q->frameParent;
    multiplyLeft(q->matrix, world);
  }
  return world;
}

void referToPiece(PieceRecord& piece, PieceRecord& target) {
  piece.matrix = worldPlacement(target);
  piece.attachedTo = &target;
}

PieceRecord* findFrameAncestor(PieceRecord* start, int32_t n) {
  if (!start) return nullptr;
  if (n < 1) return start;
  PieceRecord* p = start;
  for (int steps = 0; p && steps <= MAX_CHAIN_STEPS; ++steps) {
    if (isFrameMarker(*p) && --n == 0) return p;
    p = p->frameParent ? p->frameParent : p->attachedTo;
  }
  return nullptr;
}

void rebaseOnFrame(PieceRecord* piece, int32_t n) {
  if (!piece) return;
  PieceRecord* ancestor = findFrameAncestor(piece->attachedTo, n);
  piece->frameParent = ancestor;
  setIdentity(piece->matrix);
  PieceRecord* q = piece->attachedTo;
  for (int steps = 0; q && q != ancestor && steps < MAX_CHAIN_STEPS; ++steps) {
    multiplyLeft(q->matrix, piece->matrix);
    q = q->frameParent;
  }
  if (ancestor) piece->flags |= PIECE_IN_FRAME;
}
