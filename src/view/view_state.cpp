// The view state and the three operations that change it. Each builds the
// change N in the GL modelview matrix and multiplies the accumulated view
// onto it, so every turn and move is taken in eye axes, about the turning
// centre, whatever came before.
#include "view/view_state.h"

#include <GL/gl.h>

constexpr float DEGREES_PER_PIXEL = 1.0f;
constexpr float UNITS_PER_STEP = 1.2f;

Matrix viewMatrix = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
float viewDistance = -400.0f;

namespace {

// Starts N from the identity in the modelview matrix.
void beginViewChange() {
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

// viewMatrix := N x viewMatrix. The modelview keeps the product, which
// drawing replaces before it uses it.
void endViewChange() {
  glMultMatrixf(viewMatrix.m);
  glGetFloatv(GL_MODELVIEW_MATRIX, viewMatrix.m);
}

}  // namespace

void rotateViewByDrag(int32_t a, int32_t b) {
  beginViewChange();
  if (a != 0) glRotatef(float(a) * DEGREES_PER_PIXEL, 1.0f, 0.0f, 0.0f);
  if (b != 0) glRotatef(float(b) * DEGREES_PER_PIXEL, 0.0f, 1.0f, 0.0f);
  endViewChange();
}

void rotateViewByKeys(float a, float b) {
  beginViewChange();
  if (a != 0.0f) glRotatef(a, 0.0f, 1.0f, 0.0f);
  if (b != 0.0f) glRotatef(b, 1.0f, 0.0f, 0.0f);
  endViewChange();
}

void translateView(int32_t x, int32_t y, int32_t z) {
  beginViewChange();
  glTranslatef(float(x) * UNITS_PER_STEP, float(y) * UNITS_PER_STEP, float(z) * UNITS_PER_STEP);
  endViewChange();
}

void resetView() {
  setIdentity(viewMatrix);
  viewDistance = -400.0f;
}
