// The overlay pass: the ghost piece hanging at the mouse or standing where
// a click would insert it, tinted when refused, the outline of the
// connection point it would join, and the keyboard frame.
#include "view/overlay.h"

#include <GL/gl.h>

#include "model/connection.h"
#include "view/camera_gl.h"
#include "view/piece_drawing.h"

namespace {

// The window the ghost piece's placement was laid out for: 600 x 600, whose
// centre lies on the view axis, with the ghost 730 units in front of the eye.
constexpr float GHOST_HALF_WINDOW = 300.0f;
constexpr float GHOST_DEPTH = -730.0f;
constexpr float GHOST_ALPHA = 0.5f;
// A refusal's tint, and the outline of the target point: yellow where a
// click joins, the refusal's red where it does not.
constexpr float REFUSED_COLOUR[4] = {1.0f, 0.1f, 0.05f, 0.6f};
constexpr float TARGET_COLOUR[3] = {1.0f, 0.9f, 0.0f};
constexpr float TARGET_HALF_SIZE = 14.0f;  // a little over a marker cube's half side
constexpr float KEYBOARD_FRAME_COLOUR[3] = {1.0f, 0.6f, 0.1f};
constexpr float KEYBOARD_FRAME_WIDTH = 2.0f;

PieceRecord ghostRecord(const GhostView& g) {
  PieceRecord ghost = g.piece;
  if (g.refused)
    for (int i = 0; i < 4; ++i) ghost.colour[i] = REFUSED_COLOUR[i];
  else
    ghost.colour[3] = GHOST_ALPHA;
  return ghost;
}

// Lit as the model's last pieces were: the axes turn lighting on after them
// (see axesLeaveLightingOn).
void useLighting(const ViewState& view) {
  if (view.lightingEnabled || (view.showAxes && view.lightingOn))
    glEnable(GL_LIGHTING);
  else
    glDisable(GL_LIGHTING);
}

// Hanging at the mouse by its port, in eye coordinates, so it stays under
// the mouse however the view turns. Other view sizes keep the ghost under
// the mouse and scale it with the view's height, as the model itself
// scales; 600 x 600 gives the layout above exactly.
void loadHangingPlacement(const ViewState& view) {
  const GhostView& g = view.ghost;
  const int width = view.camera.viewportWidth, height = view.camera.viewportHeight;
  const float scale = height > 0 ? 2.0f * GHOST_HALF_WINDOW / float(height) : 1.0f;
  const float centreX = width > 0 ? 0.5f * float(width) : GHOST_HALF_WINDOW;
  const float centreY = height > 0 ? 0.5f * float(height) : GHOST_HALF_WINDOW;
  glLoadIdentity();
  glTranslatef((float(view.mouseX) - centreX) * scale, (centreY - float(view.mouseY)) * scale, GHOST_DEPTH);
  if (g.portKind >= PORT_PINCE && g.portKind <= PORT_BARRE) glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
  // A port kind that does not fit a byte stays invalid (identity frame)
  // instead of wrapping onto a valid one.
  const bool fits = g.portKind >= 0 && g.portKind <= 255;
  ConnectionPoint port = makeConnectionPoint(uint8_t(fits ? g.portKind : 255), double(g.place));
  placeConnectionPoint(port, g.piece, false, false);
  glMultMatrixf(port.frame.m);
}

// The twelve edges of a cube around the target port, over everything.
void drawTargetOutline(const ViewState& view) {
  const GhostView& g = view.ghost;
  loadCameraModelview(view.camera);
  glMultMatrixf(g.target.m);
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glLineWidth(2.0f);
  if (g.refused)
    glColor3fv(REFUSED_COLOUR);
  else
    glColor3fv(TARGET_COLOUR);
  const float h = TARGET_HALF_SIZE;
  glBegin(GL_LINES);
  for (int axis = 0; axis < 3; ++axis)
    for (int corner = 0; corner < 4; ++corner) {
      float from[3], to[3];
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      from[axis] = -h, to[axis] = h;
      from[u] = to[u] = corner & 1 ? h : -h;
      from[v] = to[v] = corner & 2 ? h : -h;
      glVertex3fv(from);
      glVertex3fv(to);
    }
  glEnd();
  glLineWidth(1.0f);
}

// Along the viewport's edges, in pixels.
void drawKeyboardFrame(const ViewState& view) {
  const float w = float(view.camera.viewportWidth), h = float(view.camera.viewportHeight);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0.0, double(w), 0.0, double(h), -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glColor3fv(KEYBOARD_FRAME_COLOUR);
  const float d = KEYBOARD_FRAME_WIDTH;
  glRectf(0.0f, 0.0f, w, d);
  glRectf(0.0f, h - d, w, h);
  glRectf(0.0f, 0.0f, d, h);
  glRectf(w - d, 0.0f, w, h);
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

}  // namespace

void drawGhostPiece(const Renderer& renderer, const ViewState& view) {
  const GhostView& g = view.ghost;
  if (!g.shown) return;
  glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT);
  glPushMatrix();
  useLighting(view);
  glEnable(GL_BLEND);
  glDepthMask(GL_FALSE);
  if (g.placed) {
    loadCameraModelview(view.camera);
    glMultMatrixf(g.world.m);
  } else {
    glDisable(GL_DEPTH_TEST);
    loadHangingPlacement(view);
  }
  drawPiece(renderer, ghostRecord(g), view);
  glPopMatrix();
  glPopAttrib();
}

void drawOverlay(const Renderer& renderer, const ViewState& view) {
  glPushMatrix();
  drawGhostPiece(renderer, view);
  glPushAttrib(GL_ENABLE_BIT | GL_CURRENT_BIT | GL_LINE_BIT);
  if (view.ghost.shown && view.ghost.targetShown) drawTargetOutline(view);
  if (view.keyboardFrame) drawKeyboardFrame(view);
  glPopAttrib();
  glPopMatrix();
}
