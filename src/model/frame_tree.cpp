// Child index of the frame tree and its walks.
//
// Why the walks end: every piece except the start of a walk is entered only
// as a child of its one frame parent, so the pieces below the start form a
// tree unless a loop of links returns to the start itself; the start is
// therefore never entered again as a child. Climbing back up follows the
// recorded parent of each entered piece, which is the piece the walk came
// down from.
#include "model/frame_tree.h"

#include <cstddef>

int32_t recordNumber(const PieceRecord* table, const PieceRecord* record) {
  if (!table || !record) return NO_PIECE;
  // Compared as addresses: the record may belong to another array.
  const uintptr_t offset = uintptr_t(record) - uintptr_t(table);
  if (uintptr_t(record) < uintptr_t(table) || offset % sizeof(PieceRecord) != 0) return NO_PIECE;
  const uintptr_t number = offset / sizeof(PieceRecord);
  return number < uintptr_t(MODEL_CAPACITY) ? int32_t(number) : NO_PIECE;
}

namespace {

void resetIndex(FrameTree& tree) {
  if (!tree.built) {
    for (int32_t& child : tree.firstChild) child = NO_PIECE;
    tree.built = true;
    return;
  }
  // Only parents that had children need clearing.
  for (int32_t i = 0; i < tree.count; ++i)
    if (tree.parent[i] != NO_PIECE) tree.firstChild[tree.parent[i]] = NO_PIECE;
}

int32_t usedPrefix(const PieceRecord* table) {
  int32_t n = 0;
  while (n < MODEL_CAPACITY && isUsed(table[n])) ++n;
  return n;
}

// The start of a walk is never its own descendant.
int32_t skipStart(const FrameTree& tree, int32_t piece, int32_t start) {
  return piece == start ? tree.nextSibling[piece] : piece;
}

}  // namespace

void buildFrameTree(FrameTree& tree, const PieceRecord* table) {
  resetIndex(tree);
  tree.table = table;
  tree.count = table ? usedPrefix(table) : 0;
  // Backwards, so that pushing each child in front leaves table order.
  for (int32_t i = tree.count - 1; i >= 0; --i) {
    const PieceRecord& piece = table[i];
    const int32_t p = isInFrame(piece) ? recordNumber(table, piece.frameParent) : NO_PIECE;
    tree.parent[i] = p;
    tree.nextSibling[i] = NO_PIECE;
    if (p == NO_PIECE) continue;
    tree.nextSibling[i] = tree.firstChild[p];
    tree.firstChild[p] = i;
  }
}

void walkFrameTree(const FrameTree& tree, int32_t start, const FrameVisitor& visitor) {
  if (!tree.built || start < 0 || start >= MODEL_CAPACITY) return;
  int32_t node = start;
  visitor.enter(visitor.context, node);
  int32_t next = skipStart(tree, tree.firstChild[node], start);
  for (;;) {
    if (next != NO_PIECE) {
      node = next;
      visitor.enter(visitor.context, node);
      next = skipStart(tree, tree.firstChild[node], start);
      continue;
    }
    visitor.leave(visitor.context, node);
    if (node == start) return;
    next = skipStart(tree, tree.nextSibling[node], start);
    node = tree.parent[node];
  }
}

void walkFrameForest(const FrameTree& tree, const FrameVisitor& visitor) {
  if (!tree.built || !tree.table) return;
  for (int32_t i = 0; i < tree.count; ++i)
    if (!isInFrame(tree.table[i])) walkFrameTree(tree, i, visitor);
}
