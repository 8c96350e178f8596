// The whole mesh of a piece kind in the kind's own frame, flattened from its
// one geometry (pieces/kind_mesh.h): the sub-parts moved into place and the
// rods' turn applied, one flat list of faces and one of edges. Drawing sends
// it in one batch per kind; its bounding sphere tells drawing what can be
// skipped. No GL here.
#pragma once

#include <array>
#include <cstdint>
#include <map>
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

// Faces as indexed triangles for vertex and index buffers: a corner is
// shared by every face around it that lies in the same plane, so that the
// GL lights it once rather than once per face. Quadrilaterals are cut from
// their second corner to their fourth, as Mesa cuts the lists'
// quadrilaterals, so that a bent one shows the same pixels; the corners
// keep the files' clockwise turn, so culling keeps the same faces.
struct IndexedMesh {
  std::vector<float> vertices;  // position then unit normal, 6 floats each
  std::vector<uint32_t> indices;
  std::map<std::array<float, 6>, uint32_t> seen;  // of the faces added since the last forgetCorners
};

void addIndexedFace(IndexedMesh& mesh, const MeshFace& face);
// Later faces share no corner with those added before.
inline void forgetCorners(IndexedMesh& mesh) { mesh.seen.clear(); }
// The face's normal as the lists give it, (P1 - P0) x (P1 - P2), but of unit
// length, so that faces of one plane share it; zero for a face of no area.
std::array<float, 3> unitFaceNormal(const MeshFace& face);
