// One frame of the 3-D view: the room, the axes, the model as a tree of
// frames (each piece drawn under its piece number as selection name) and the
// half-transparent ghost piece hanging at the mouse.
#include "view/scene.h"

#include <GL/gl.h>

#include <memory>

#include "model/connection.h"
#include "model/frame_tree.h"
#include "view/camera_gl.h"
#include "view/gl_tree_walk.h"
#include "view/piece_drawing.h"
#include "view/visible_pieces.h"

namespace {

constexpr float AXIS_LENGTH = 1000.0f;

// The window the ghost piece's placement was laid out for: 600 x 600, whose
// centre lies on the view axis, with the ghost 730 units in front of the eye.
constexpr float GHOST_HALF_WINDOW = 300.0f;
constexpr float GHOST_DEPTH = -730.0f;

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

// In eye coordinates, so it stays under the mouse however the view turns;
// without depth test, so it is never hidden by the model. The modelview
// matrix is kept.
void drawGhostPiece(const Renderer& renderer, const ViewState& view) {
  const GhostView& g = view.ghost;
  if (!g.shown) return;
  // Other view sizes keep the ghost under the mouse and scale it with the
  // view's height, as the model itself scales; 600 x 600 gives the layout
  // above exactly.
  const int width = view.camera.viewportWidth, height = view.camera.viewportHeight;
  const float scale = height > 0 ? 2.0f * GHOST_HALF_WINDOW / float(height) : 1.0f;
  const float centreX = width > 0 ? 0.5f * float(width) : GHOST_HALF_WINDOW;
  const float centreY = height > 0 ? 0.5f * float(height) : GHOST_HALF_WINDOW;
  glPushMatrix();
  glLoadIdentity();
  glTranslatef((float(view.mouseX) - centreX) * scale, (centreY - float(view.mouseY)) * scale, GHOST_DEPTH);
  if (g.portKind >= PORT_PINCE && g.portKind <= PORT_BARRE) glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
  PieceRecord ghost = g.piece;
  ghost.colour[3] = 0.5f;
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  // The ghost hangs by the port it will attach with.
  // A port kind that does not fit a byte stays invalid (identity frame)
  // instead of wrapping onto a valid one.
  const bool fits = g.portKind >= 0 && g.portKind <= 255;
  ConnectionPoint port = makeConnectionPoint(uint8_t(fits ? g.portKind : 255), double(g.place));
  placeConnectionPoint(port, ghost, false, false);
  glMultMatrixf(port.frame.m);
  drawPiece(renderer, ghost, view);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glPopMatrix();
}

void drawModelTrees(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  const auto tree = std::make_unique<FrameTree>();
  const SceneWalk walk{renderer, view};
  walkModelInGl(*tree, table, NO_PIECE, drawNamedPiece, &walk);
}

void drawScene(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
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
  drawGhostPiece(renderer, view);
}
