// One frame of the 3-D view: the room, the axes, the model as a tree of
// frames (each piece drawn under its piece number as selection name) and the
// half-transparent ghost piece hanging at the mouse.
#include "view/scene.h"

#include <GL/gl.h>

#include <memory>

#include "model/frame_tree.h"
#include "view/camera_gl.h"
#include "view/gl_tree_walk.h"
#include "view/overlay.h"
#include "view/piece_drawing.h"
#include "view/visible_pieces.h"

namespace {

constexpr float AXIS_LENGTH = 1000.0f;

struct SceneWalk {
  const Renderer& renderer;
  const ViewState& view;
};

void drawNamedPiece(const void* context, const PieceRecord& record, int32_t piece) {
  const SceneWalk& walk = *static_cast<const SceneWalk*>(context);
  if (hiddenPiece(record, walk.view)) return;
  glLoadName(GLuint(piece));
  const PieceLibrary& library = walk.renderer.pieces;
  if (!drawnHighlighted(record, walk.view, kindList(library, record.kind, false), kindList(library, record.kind, true)))
    drawPiece(walk.renderer, record, walk.view);
}

// With lightingOn the axes are drawn unlit and leave lighting on after them
// (see axesLeaveLightingOn).
void drawAxes(const ViewState& view) {
  if (view.lightingOn) glDisable(GL_LIGHTING);
  glBegin(GL_LINES);
  glColor3f(1.0f, 0.0f, 0.0f);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glVertex3f(AXIS_LENGTH, 0.0f, 0.0f);
  glColor3f(0.0f, 1.0f, 0.0f);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glVertex3f(0.0f, AXIS_LENGTH, 0.0f);
  glColor3f(0.5f, 0.5f, 1.0f);
  glVertex3f(0.0f, 0.0f, 0.0f);
  glVertex3f(0.0f, 0.0f, AXIS_LENGTH);
  glEnd();
  if (view.lightingOn) glEnable(GL_LIGHTING);
}

}  // namespace

void drawModelTrees(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  const auto tree = std::make_unique<FrameTree>();
  const SceneWalk walk{renderer, view};
  walkModelInGl(*tree, table, NO_PIECE, drawNamedPiece, &walk);
}

void drawModelLayer(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (view.lightingEnabled)
    glEnable(GL_LIGHTING);
  else
    glDisable(GL_LIGHTING);
  loadCameraModelview(view.camera);
  glPushMatrix();
  glColor3f(1.0f, 1.0f, 1.0f);
  if (view.showRoom) drawRoom(renderer.room);
  if (view.showAxes) drawAxes(view);
  if (view.drawing.fast)
    drawVisiblePieces(renderer, table, view);
  else
    drawModelTrees(renderer, table, view);
  glPopMatrix();
}

void drawScene(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  drawModelLayer(renderer, table, view);
  drawOverlay(renderer, view);
}
