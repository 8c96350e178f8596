// The whole mesh of a piece kind in the kind's own frame, with the sub-parts
// its file places already moved into place and the rods' 45 degree turn
// applied: one flat list of faces and one of edges. Drawing sends it in one
// batch per kind; its bounding sphere tells drawing what can be skipped.
// No GL here, so that anything working on the pieces' shapes (bounds, rays)
// can use it.
#pragma once

#include <vector>

#include "pieces/piece_bounds.h"
#include "pieces/piece_file.h"

struct MeshFace {
  int count;  // 3 or 4 corners, clockwise seen from outside as in the files
  Point3 p[4];
};

struct FlatMesh {
  std::vector<MeshFace> faces;  // in the order the piece file draws them
  std::vector<Point3> edges;    // two ends each
  bool cut = false;  // more than MAX_KIND_FACES faces or edges: the rest left out
};

// A piece file may place a sub-part any number of times; flattened, a file
// of a few megabytes could fill the memory. Real pieces have a few thousand.
constexpr size_t MAX_KIND_FACES = 1 << 16;

// FULL is the files the library draws; COARSE and TINY the simpler variants
// made for pieces seen small, in "vexo/Coarse/" (fewer segments around,
// plain rod ends) and "vexo/Tiny/" (each piece one solid of its outline, no
// clip jaws). A simpler file that is missing falls back to the full one.
enum class MeshDetail { FULL, COARSE, TINY };

// Reads the 17 piece files and their sub-parts, indexed by kind. Silent: a
// file that cannot be read adds nothing (the library build reports it).
std::vector<FlatMesh> loadFlatMeshes(MeshDetail detail);

struct BoundingSphere {
  Point3 centre;
  float radius;  // 0 for a mesh without a point
};

// A sphere holding every corner and edge end of the mesh (centre of the
// bounding box, so not the smallest, but cheap and stable); of infinite
// radius for a cut mesh, whose bounds are not known.
BoundingSphere boundingSphereOf(const FlatMesh& mesh);
// The sphere through the box's corners; radius 0 for an empty box.
BoundingSphere sphereAround(const Box& box);
