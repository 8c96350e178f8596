// The markers that make connection points pickable: a cube at every port
// of a piece, named 100 x port kind + place (the hole 1, clip n 100 + n,
// rod end n 200 + n, body place n 300 + n). Both pickers read them here.
#pragma once

#include <cstdint>

#include "model/matrix.h"
#include "pieces/piece_file.h"

constexpr float MARKER_HALF_SIZE = 12.5f;
constexpr int MAX_MARKERS = 2 + 28;

struct PortMarker {
  uint32_t name;
  Matrix frame;  // outward frame of the port on its piece
};

struct KindMarkers {
  int count;
  PortMarker markers[MAX_MARKERS];
  // A sphere around every marker cube, in the kind's frame.
  float centre[3];
  float radius;
};

// Clips before the hole, rod ends before body places; kind 16 and numbers
// that are no kind have none.
const KindMarkers& portMarkersOf(int kind);

// The cube's six faces in drawing order, four corners each, wound
// clockwise seen from outside as the piece meshes are: face f lies on axis
// f / 2, on its negative side for even f.
using MarkerCubeFaces = Point3[6][4];
const MarkerCubeFaces& markerCubeFaces();
