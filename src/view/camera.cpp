// The camera's operations. Every turn and move is a change N multiplied onto
// the accumulated view from the eye side, so it is taken in eye axes about
// the turning centre (0, 0, viewDistance) of eye space.
#include "view/camera.h"

#include <cmath>
#include <numbers>

constexpr float DEGREES_PER_PIXEL = 1.0f;
constexpr float UNITS_PER_STEP = 1.2f;
constexpr float KEY_TURN_DEGREES = 0.3f;
constexpr float DISTANCE_STEP = 10.0f;
constexpr float NEAREST_DISTANCE = -10.0f;

Camera camera;

namespace {

// A turn about the eye's x (axis 0) or y (axis 1) axis, as glRotatef makes it.
Matrix turnAbout(int axis, float degrees) {
  const double radians = double(degrees) * std::numbers::pi / 180.0;
  const float s = float(std::sin(radians)), c = float(std::cos(radians));
  Matrix N = identityMatrix();
  const int u = axis == 0 ? 1 : 2, v = axis == 0 ? 2 : 0;  // the plane turned, u towards v
  N.m[5 * u] = c;
  N.m[4 * u + v] = s;
  N.m[4 * v + u] = -s;
  N.m[5 * v] = c;
  return N;
}

void turnView(Camera& c, int axis, float degrees) {
  if (degrees != 0.0f) multiplyLeft(turnAbout(axis, degrees), c.viewMatrix);
}

}  // namespace

void rotateViewByDrag(Camera& c, int32_t a, int32_t b) {
  if (a != 0) turnView(c, 0, float(a) * DEGREES_PER_PIXEL);
  if (b != 0) turnView(c, 1, float(b) * DEGREES_PER_PIXEL);
}

void rotateViewByKeys(Camera& c, float a, float b) {
  turnView(c, 1, a);
  turnView(c, 0, b);
}

void translateView(Camera& c, int32_t x, int32_t y, int32_t z) {
  Matrix N;
  setTranslation(N, float(x) * UNITS_PER_STEP, float(y) * UNITS_PER_STEP, float(z) * UNITS_PER_STEP);
  multiplyLeft(N, c.viewMatrix);
}

void turnViewByArrowKeys(Camera& c, int h, int v) {
  if (h != 0 || v != 0) rotateViewByKeys(c, float(h) * KEY_TURN_DEGREES, float(v) * KEY_TURN_DEGREES);
}

void moveViewNearer(Camera& c) {
  if (c.viewDistance < NEAREST_DISTANCE) c.viewDistance += DISTANCE_STEP;
}

void moveViewFarther(Camera& c) { c.viewDistance -= DISTANCE_STEP; }

void resetView(Camera& c) {
  setIdentity(c.viewMatrix);
  c.viewDistance = -400.0f;
}

void setViewport(Camera& c, int width, int height) {
  c.viewportWidth = width;
  c.viewportHeight = height == 0 ? 1 : height;
}

Matrix modelviewOf(const Camera& c) {
  Matrix modelview = c.viewMatrix;
  Matrix move;
  setTranslation(move, 0.0f, 0.0f, c.viewDistance);
  multiplyLeft(move, modelview);
  return modelview;
}

Matrix projectionOf(const Camera& c) {
  const double aspect = double(c.viewportWidth) / double(c.viewportHeight);
  if (aspect == 0.0) return identityMatrix();  // as gluPerspective, which then changes nothing
  const double radians = FIELD_OF_VIEW / 2 * std::numbers::pi / 180;
  const double cotangent = std::cos(radians) / std::sin(radians);
  const double depth = FAR_PLANE - NEAR_PLANE;
  Matrix p{};
  p.m[0] = float(cotangent / aspect);
  p.m[5] = float(cotangent);
  p.m[10] = float(-(FAR_PLANE + NEAR_PLANE) / depth);
  p.m[11] = -1.0f;
  p.m[14] = float(-2 * NEAR_PLANE * FAR_PLANE / depth);
  return p;
}
