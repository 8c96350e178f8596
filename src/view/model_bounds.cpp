// The model's bounds: the frame tree walked as drawing walks it, with the
// placements composed on a stack instead of the GL's modelview.
#include "view/model_bounds.h"

#include <memory>
#include <vector>

#include "model/frame_tree.h"

namespace {
struct BoundsWalk {
  const PieceRecord* table;
  std::vector<Matrix> placements;  // of the pieces entered and not yet left
  std::vector<Point3> corners;
};

void enterPiece(void* context, int32_t piece) {
  BoundsWalk& walk = *static_cast<BoundsWalk*>(context);
  const PieceRecord& record = walk.table[piece];
  Matrix placement = record.matrix;
  if (!walk.placements.empty()) multiplyLeft(walk.placements.back(), placement);
  walk.placements.push_back(placement);
  addPlacedCorners(walk.corners, kindBounds(record.kind), placement);
}

void leavePiece(void* context, int32_t) { static_cast<BoundsWalk*>(context)->placements.pop_back(); }
}  // namespace

std::vector<Point3> modelCorners(const PieceRecord* table) {
  const auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, table);
  BoundsWalk walk{table, {}, {}};
  walkFrameForest(*tree, FrameVisitor{enterPiece, leavePiece, &walk});
  return walk.corners;
}
