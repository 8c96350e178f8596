// The whole mesh of a piece kind in the kind's own frame, flattened from its
// one geometry (pieces/kind_mesh.h): the sub-parts moved into place and the
// rods' turn applied, one flat list of faces and one of edges. Drawing sends
// it in one batch per kind; its bounding sphere tells drawing what can be
// skipped. No GL here.
#pragma once

#include <vector>

#include "pieces/kind_mesh.h"

struct FlatMesh {
  std::vector<MeshFace> faces;  // in the order the piece file draws them
  std::vector<Point3> edges;    // two ends each
  bool cut = false;  // more than MAX_KIND_FACES faces or edges: the rest left out
};

// A piece file may place a sub-part any number of times; flattened, a file
// of a few megabytes could fill the memory. Real pieces have a few thousand.
constexpr size_t MAX_KIND_FACES = 1 << 16;

// The 17 kinds at the detail, indexed by kind. Silent: a file that cannot be
// read adds nothing (the library build reports it).
std::vector<FlatMesh> loadFlatMeshes(MeshDetail detail);

// A sphere holding every corner and edge end of the mesh (centre of the
// bounding box, so not the smallest, but cheap and stable); of infinite
// radius for a cut mesh, whose bounds are not known.
BoundingSphere boundingSphereOf(const FlatMesh& mesh);
