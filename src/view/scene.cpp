// One frame of the 3-D view: the room, the axes, the model as a tree of
// frames (each piece drawn under its piece number as selection name) and the
// half-transparent ghost piece hanging at the mouse.
#include "view/scene.h"

#include <GL/gl.h>

#include "model/connection.h"
#include "model/frame_tree.h"
#include "pieces/catalogue.h"
#include "view/camera.h"
#include "view/camera_gl.h"
#include "pieces/piece_library_gl.h"
#include "platform/core_window_messages.h"
#include "view/gl_tree_walk.h"
#include "view/room.h"
#include "view/view_switches.h"
#include "view/visible_pieces.h"

namespace {

constexpr float AXIS_LENGTH = 1000.0f;

// The window the ghost piece's placement was laid out for: 600 x 600, whose
// centre lies on the view axis, with the ghost 730 units in front of the eye.
constexpr float GHOST_HALF_WINDOW = 300.0f;
constexpr float GHOST_DEPTH = -730.0f;

// Index of the frame tree, rebuilt for every walk of the model.
FrameTree sceneTree;

void drawNamedPiece(const PieceRecord& record, int32_t piece) {
  if (hiddenPiece(record)) return;
  glLoadName(GLuint(piece));
  if (!drawnHighlighted(record, kindList(record.kind, false), kindList(record.kind, true))) drawPiece(record);
}

void drawAxes() {
  if (lightingOn) glDisable(GL_LIGHTING);
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
  if (lightingOn) {
    glEnable(GL_LIGHTING);
    lightingEnabled = 1;  // on from here, also for later frames, whatever F2 said
  }
}

}  // namespace

// In eye coordinates, so it stays under the mouse however the view turns;
// without depth test, so it is never hidden by the model. The modelview
// matrix is kept.
void drawGhostPiece(PieceRecord& ghost, int32_t portKind, float place, int32_t mouseX, int32_t mouseY) {
  // Other view sizes keep the ghost under the mouse and scale it with the
  // view's height, as the model itself scales; 600 x 600 gives the layout
  // above exactly.
  const int width = camera.viewportWidth, height = camera.viewportHeight;
  const float scale = height > 0 ? 2.0f * GHOST_HALF_WINDOW / float(height) : 1.0f;
  const float centreX = width > 0 ? 0.5f * float(width) : GHOST_HALF_WINDOW;
  const float centreY = height > 0 ? 0.5f * float(height) : GHOST_HALF_WINDOW;
  glPushMatrix();
  glLoadIdentity();
  glTranslatef((float(mouseX) - centreX) * scale, (centreY - float(mouseY)) * scale, GHOST_DEPTH);
  if (portKind >= PORT_PINCE && portKind <= PORT_BARRE) glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
  ghost.colour[3] = 0.5f;
  glEnable(GL_BLEND);
  glDisable(GL_DEPTH_TEST);
  // The ghost hangs by the port it will attach with.
  // A port kind that does not fit a byte stays invalid (identity frame)
  // instead of wrapping onto a valid one.
  const bool fits = portKind >= 0 && portKind <= 255;
  ConnectionPoint port =
      makeConnectionPoint(uint8_t(fits ? portKind : 255), double(place));
  placeConnectionPoint(port, ghost, false, false);
  glMultMatrixf(port.frame.m);
  drawPiece(ghost);
  glDisable(GL_BLEND);
  glEnable(GL_DEPTH_TEST);
  glPopMatrix();
}

// Cyan, a colour no kind has, whatever the piece's own colour, with its
// edges in black over it: seen at once in the model, lit or not.
bool drawnHighlighted(const PieceRecord& record, unsigned solids, unsigned edges) {
  const int number = pieceNumber(&record);
  const bool looked = pieceLooks && number >= 0 && pieceLooks[number] == LOOK_HIGHLIGHTED;
  if (!looked && (highlightedLine <= 0 || record.scriptLine != highlightedLine)) return false;
  glColor4f(0.0f, 1.0f, 1.0f, 1.0f);
  glCallList(solids);
  glColor3f(0.0f, 0.0f, 0.0f);
  glCallList(edges);
  return true;
}

bool hiddenPiece(const PieceRecord& record) {
  const int number = pieceNumber(&record);
  return pieceLooks && number >= 0 && pieceLooks[number] == LOOK_HIDDEN;
}

void drawPiece(const PieceRecord& record) {
  const float* c = record.colour;
  glColor4fv(c);
  if (displayMode & DISPLAY_SOLIDS) glCallList(kindList(record.kind, false));
  // Edges over solids are drawn at half brightness so both stay visible.
  if ((displayMode & DISPLAY_SOLIDS) && (displayMode & DISPLAY_EDGES))
    glColor3f(c[0] * 0.5f, c[1] * 0.5f, c[2] * 0.5f);
  if (displayMode & DISPLAY_EDGES) glCallList(kindList(record.kind, true));
}

void drawPieceTree(const PieceRecord* record, const PieceRecord* table) {
  if (!record) return;
  const int32_t number = recordNumber(table, record);
  if (number == NO_PIECE) {
    // Not a record of the table: it has no number and no frame children.
    float saved[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, saved);
    glMultMatrixf(record->matrix.m);
    glLoadName(GLuint(NO_PIECE));
    drawPiece(*record);
    glLoadMatrixf(saved);
    return;
  }
  walkModelInGl(sceneTree, table, number, drawNamedPiece);
}

void drawModelTrees(const PieceRecord* table) {
  walkModelInGl(sceneTree, table, NO_PIECE, drawNamedPiece);
}

void drawScene() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  if (lightingEnabled)
    glEnable(GL_LIGHTING);
  else
    glDisable(GL_LIGHTING);
  loadCameraModelview(camera);
  glPushMatrix();
  glColor3f(1.0f, 1.0f, 1.0f);
  if (showRoom) drawRoom();
  if (showAxes) drawAxes();
  if (modelDrawing.fast)
    drawVisiblePieces(modelTable, camera, modelDrawing.detail);
  else
    drawModelTrees(modelTable);
  glPopMatrix();
}
