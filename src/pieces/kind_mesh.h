// The geometry each piece kind is drawn with, read from the same piece and
// sub-part files as its display lists but without GL: for answers computed
// on the CPU (picking, culling) that must meet exactly what the view draws.
#pragma once

#include <array>
#include <vector>

#include "model/matrix.h"
#include "pieces/piece_file.h"

using MeshTriangle = std::array<Point3, 3>;
using MeshEdge = std::array<Point3, 2>;

// One group of a kind's geometry as its list issues it: a sub-part under the
// placement of its form 1 line, or the file's own faces and edges (placed =
// false, no matrix of their own).
struct MeshPart {
  bool placed;
  Matrix placement;
  int firstTriangle, triangleCount;
  int firstEdge, edgeCount;
  // A sphere holding the part's corners and edge ends, in its own frame
  // (before its placement).
  Point3 centre;
  float radius;
};

struct KindMesh {
  // Rods are shown turned 45 degrees about z: applied before every part.
  bool turned;
  std::vector<MeshPart> parts;  // in list order
  // Quadrilaterals split into (0 1 2) and (0 2 3), corners clockwise as
  // seen from outside, as the file lists them.
  std::vector<MeshTriangle> triangles;
  std::vector<MeshEdge> edges;
  // A sphere holding every corner and edge end, in the kind's frame.
  Point3 centre;
  float radius;
};

// The full-detail mesh of a kind, loaded from the files under dataDir on
// first use and again when dataDir changes. Files that cannot be read or
// sub-part names not found add nothing, silently: building the display
// lists already reported them. A number that is no kind has an empty mesh.
const KindMesh& kindMesh(int kind);

// The turn of rods as glRotatef(45, 0, 0, 1) builds it in single precision.
Matrix kindTurn();
