#include "view/gl_tree_walk.h"

#include <GL/gl.h>

#include <memory>

namespace {
// savedModelview: the modelview saved on entering each piece, by depth in
// the tree, kept here rather than on GL's matrix stack, whose depth would
// limit the frame nesting. The deepest walk enters every piece of the table.
struct GlWalk {
  const PieceRecord* table;
  PieceDrawer draw;
  const void* context;
  float (*savedModelview)[16];
  int depth;
};

void enterPiece(void* context, int32_t piece) {
  GlWalk& walk = *static_cast<GlWalk*>(context);
  const PieceRecord& record = walk.table[piece];
  glGetFloatv(GL_MODELVIEW_MATRIX, walk.savedModelview[walk.depth++]);
  glMultMatrixf(record.matrix.m);
  walk.draw(walk.context, record, piece);
}

void leavePiece(void* context, int32_t) {
  GlWalk& walk = *static_cast<GlWalk*>(context);
  glLoadMatrixf(walk.savedModelview[--walk.depth]);
}
}  // namespace

void walkModelInGl(FrameTree& tree, const PieceRecord* table, int32_t start, PieceDrawer draw,
                   const void* context) {
  buildFrameTree(tree, table);
  const auto saved = std::make_unique_for_overwrite<float[][16]>(size_t(tree.count) + 1);
  GlWalk walk{table, draw, context, saved.get(), 0};
  const FrameVisitor visitor{enterPiece, leavePiece, &walk};
  if (start == NO_PIECE)
    walkFrameForest(tree, visitor);
  else
    walkFrameTree(tree, start, visitor);
}
