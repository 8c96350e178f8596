// The camera's operations. Every turn and move is a change N multiplied onto
// the accumulated view from the eye side, so it is taken in eye axes about
// the turning centre (0, 0, viewDistance) of eye space.
#include "view/camera.h"

#include <algorithm>
#include <cmath>
#include <numbers>

constexpr float DEGREES_PER_PIXEL = 1.0f;
constexpr float UNITS_PER_STEP = 1.2f;
constexpr float KEY_TURN_DEGREES = 0.3f;
constexpr float DISTANCE_STEP = 10.0f;
constexpr float NEAREST_DISTANCE = -10.0f;
// A fitted model fills this part of the view's height or width.
constexpr double FIT_FILL = 0.9;
// A fitted model's farthest point stays this much of the far plane's
// distance away from the eye, so that the far plane never cuts it.
constexpr double FIT_DEPTH_FILL = 0.9;
// A wheel notch away from the user brings the view this much of the way nearer.
constexpr double WHEEL_ZOOM_PER_NOTCH = 0.85;

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

void turnViewByArrowKeys(Camera& c, int h, int v, float steps) {
  if (h != 0 || v != 0)
    rotateViewByKeys(c, float(h) * KEY_TURN_DEGREES * steps, float(v) * KEY_TURN_DEGREES * steps);
}

void moveViewNearer(Camera& c) {
  if (c.viewDistance < NEAREST_DISTANCE) c.viewDistance += DISTANCE_STEP;
}

void moveViewFarther(Camera& c) { c.viewDistance -= DISTANCE_STEP; }

void resetView(Camera& c) {
  setIdentity(c.viewMatrix);
  c.viewDistance = -400.0f;
}

void turnStartView(Camera& c, ViewAngles angles) {
  resetView(c);
  turnView(c, 1, angles.turn);
  turnView(c, 0, angles.tilt);
}

// Each point, taken into eye axes about the centre, must lie inside the
// frustum narrowed by the margin: that gives the least distance of the
// centre from the eye.
void fitView(Camera& c, const std::vector<Point3>& points, ViewAngles angles) {
  turnStartView(c, angles);
  Box world;
  for (const Point3& p : points) {
    const float point[3] = {p.x, p.y, p.z};
    addPoint(world, point);
  }
  if (isEmpty(world)) return;
  float centre[3];
  for (int i = 0; i < 3; ++i) centre[i] = 0.5f * (world.low[i] + world.high[i]);
  const double tanHalfHeight = std::tan(FIELD_OF_VIEW / 2 * std::numbers::pi / 180) * FIT_FILL;
  const double tanHalfWidth = tanHalfHeight * double(c.viewportWidth) / double(c.viewportHeight);
  double distance = -NEAREST_DISTANCE, deepest = 0.0;  // deepest: farthest behind the centre
  for (const Point3& point : points) {
    const float p[3] = {point.x, point.y, point.z};
    double eye[3];
    for (int r = 0; r < 3; ++r)
      eye[r] = c.viewMatrix.m[r] * (p[0] - centre[0]) + c.viewMatrix.m[4 + r] * (p[1] - centre[1]) +
               c.viewMatrix.m[8 + r] * (p[2] - centre[2]);
    if (tanHalfWidth > 0) distance = std::max(distance, eye[2] + std::fabs(eye[0]) / tanHalfWidth);
    distance = std::max(distance, eye[2] + std::fabs(eye[1]) / tanHalfHeight);
    deepest = std::max(deepest, -eye[2]);
  }
  Matrix toCentre;
  setTranslation(toCentre, -centre[0], -centre[1], -centre[2]);
  multiplyRight(c.viewMatrix, toCentre);
  // Only a model too deep for the far plane is left larger than the view:
  // its middle at half the far plane, where most of it is in sight, rather
  // than at the nearest distance, where one piece fills the view.
  const double farthest = std::max(FAR_PLANE * FIT_DEPTH_FILL - deepest, FAR_PLANE / 2);
  c.viewDistance = float(-std::min(distance, farthest));
}

// Page Up may have gone farther than the wheel goes: the wheel never pulls
// the view in from there.
void zoomViewByWheel(Camera& c, int delta, int x, int y) {
  const float farthest = std::min(c.viewDistance, float(-FAR_PLANE / 2)), before = c.viewDistance;
  c.viewDistance *= float(std::pow(WHEEL_ZOOM_PER_NOTCH, double(delta) / 120.0));
  c.viewDistance = std::clamp(c.viewDistance, farthest, NEAREST_DISTANCE);
  if (x < 0 || y < 0 || x >= c.viewportWidth || y >= c.viewportHeight) return;
  // The pointer's line leaves the eye through (right, up, -1) in eye axes;
  // the point of it at the old distance comes to the new distance on the
  // same line when the model moves sideways by the change times (right, up).
  const double tanHalfHeight = std::tan(FIELD_OF_VIEW / 2 * std::numbers::pi / 180);
  const double right = (2.0 * (x + 0.5) / c.viewportWidth - 1.0) * tanHalfHeight * c.viewportWidth / c.viewportHeight;
  const double up = (1.0 - 2.0 * (y + 0.5) / c.viewportHeight) * tanHalfHeight;
  const double change = double(before) - double(c.viewDistance);  // eye-space depth gained: nearer is negative
  Matrix sideways;
  setTranslation(sideways, float(right * change), float(up * change), 0.0f);
  multiplyLeft(sideways, c.viewMatrix);
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
