// A camera of the 3-D view: the accumulated turns and moves, the distance
// of the turning centre in front of the eye, the projection and the
// viewport, as plain math. Each view state holds one; drawing, picking and
// the ghost piece read it, and the GL matrices are loaded from it
// (view/camera_gl.h).
#pragma once

#include <cstdint>

#include "model/matrix.h"
#include "pieces/kind_mesh.h"

// The perspective of every view: vertical field of view in degrees, near
// and far planes.
constexpr double FIELD_OF_VIEW = 45.0;
constexpr double NEAR_PLANE = 0.1;
constexpr double FAR_PLANE = 100000.0;

struct Camera {
  Matrix viewMatrix = identityMatrix();  // every turn and move, in eye axes
  float viewDistance = -400.0f;          // eye-space z of the turning centre
  int viewportWidth = 600;               // pixels
  int viewportHeight = 600;              // pixels, never 0
};

// viewMatrix := N x viewMatrix: each change is taken in eye axes, about the
// turning centre, whatever came before.
void rotateViewByDrag(Camera& c, int32_t a, int32_t b);  // a degrees about eye x, then b about eye y
void rotateViewByKeys(Camera& c, float a, float b);      // a degrees about eye y, then b about eye x
void translateView(Camera& c, int32_t x, int32_t y, int32_t z);  // 1.2 units per step, eye axes

// One frame of the arrow keys: h = right - left, v = down - up, 0.3 degree
// each times steps (1 for one frame's step); no turn when both are 0.
void turnViewByArrowKeys(Camera& c, int h, int v, float steps = 1.0f);
// One frame of Page Down (nearer, never nearer than -10) and Page Up
// (farther, without limit).
void moveViewNearer(Camera& c);
void moveViewFarther(Camera& c);

// Identity matrix and distance -400; the viewport stays.
void resetView(Camera& c);

// The angles of a view: tilt degrees about the eye's x axis (positive looks
// down on the model) after turn degrees about the vertical axis.
struct ViewAngles {
  float tilt = 0.0f;
  float turn = 0.0f;
};
// The three-quarter view that fitting gives unless other angles are asked.
constexpr ViewAngles THREE_QUARTER_VIEW{30.0f, -35.0f};
// The start-up view (resetView) turned by the angles about its turning centre.
void turnStartView(Camera& c, ViewAngles angles);
// Turned by the angles about the centre of the points' box (world axes), at
// the distance where every point fits the viewport's width and height with a
// small margin, however long the model (only the far plane limits it). No
// point gives the turned start-up view.
void fitView(Camera& c, const std::vector<Point3>& points, ViewAngles angles);
// One wheel step of delta (120 a notch, positive away from the user) brings
// the turning centre nearer by a fraction of its distance, never nearer than
// Page Down goes; negative steps move away. The eye moves along the line
// through the pointer (pixel x, y from the view's top left), so what lies
// under it at the turning centre's depth stays under it; a pointer outside
// the view zooms towards the centre.
void zoomViewByWheel(Camera& c, int delta, int x, int y);
// A view of width x height pixels; height 0 counts as 1.
void setViewport(Camera& c, int width, int height);

// Eye from world: the move to viewDistance behind viewMatrix.
Matrix modelviewOf(const Camera& c);
// The perspective for the viewport's aspect, computed as gluPerspective does
// (in double, rounded once), so loading it gives the same GL matrix.
Matrix projectionOf(const Camera& c);
