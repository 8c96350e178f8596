// Plain geometry shared by the pieces, the view, picking and the exports:
// points, faces, boxes and spheres, and points placed by a matrix. No GL.
#pragma once

#include <array>
#include <vector>

#include "model/matrix.h"

struct Point3 {
  float x, y, z;
};

using MeshTriangle = std::array<Point3, 3>;
using MeshEdge = std::array<Point3, 2>;

struct MeshFace {
  int count;  // 3 or 4 corners, clockwise seen from outside as in the files
  Point3 p[4];
};

// M x p in single precision, the products summed in order as the GL does.
Point3 placedPoint(const Matrix& M, const Point3& p);

struct Box {
  float low[3] = {1e30f, 1e30f, 1e30f};  // low above high: empty
  float high[3] = {-1e30f, -1e30f, -1e30f};
};

bool isEmpty(const Box& box);
// A point beyond float's range (a placement gone to infinity) is left out.
void addPoint(Box& box, const float point[3]);
// The eight corners of box placed by M, added to into.
void addPlacedBox(Box& into, const Box& box, const Matrix& M);
// The same corners appended to a list, leaving out those beyond float's range.
void addPlacedCorners(std::vector<Point3>& into, const Box& box, const Matrix& M);

struct BoundingSphere {
  Point3 centre;
  float radius;  // 0 for a mesh without a point
};

// The sphere through the box's corners, a little over; radius 0 for an
// empty box.
BoundingSphere sphereAround(const Box& box);
