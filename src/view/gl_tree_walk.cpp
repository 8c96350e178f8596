#include "view/gl_tree_walk.h"

#include <GL/gl.h>

namespace {
// The modelview saved on entering each piece, by depth in the tree: kept
// here rather than on GL's matrix stack, whose depth would limit the frame
// nesting. The deepest walk enters every piece of the table plus its start.
float savedModelview[MODEL_CAPACITY + 1][16];

struct GlWalk {
  const PieceRecord* table;
  PieceDrawer draw;
  const void* context;
  int depth;
};

void enterPiece(void* context, int32_t piece) {
  GlWalk& walk = *static_cast<GlWalk*>(context);
  const PieceRecord& record = walk.table[piece];
  glGetFloatv(GL_MODELVIEW_MATRIX, savedModelview[walk.depth++]);
  glMultMatrixf(record.matrix.m);
  walk.draw(walk.context, record, piece);
}

void leavePiece(void* context, int32_t) {
  GlWalk& walk = *static_cast<GlWalk*>(context);
  glLoadMatrixf(savedModelview[--walk.depth]);
}
}  // namespace

void walkModelInGl(FrameTree& tree, const PieceRecord* table, int32_t start, PieceDrawer draw,
                   const void* context) {
  GlWalk walk{table, draw, context, 0};
  buildFrameTree(tree, table);
  const FrameVisitor visitor{enterPiece, leavePiece, &walk};
  if (start == NO_PIECE)
    walkFrameForest(tree, visitor);
  else
    walkFrameTree(tree, start, visitor);
}
