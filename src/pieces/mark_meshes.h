// The simplest look of each piece kind, for pieces a few pixels across
// while the view moves: the outline of the kind's tiny mesh seen along the
// axis the kind is thinnest along (a connector, a wheel) or longest along
// (a rod), cut to a few corners and drawn as a straight prism whose sides
// are lit as one round surface. A connector becomes a hexagonal slab of its
// own outline, a rod a square bar: 20 and 12 triangles on 24 and 16 corners
// where the tiny meshes have 124 and 28 triangles. No GL here.
#pragma once

#include <vector>

#include "pieces/flat_mesh.h"

constexpr int DISC_MARK_CORNERS = 6;
constexpr int BAR_MARK_CORNERS = 4;

// The prism round a mesh's corners as indexed triangles, clockwise as seen
// from outside like the files' faces; the mesh itself where it is flat,
// empty for a mesh without faces.
IndexedMesh markMeshOf(const FlatMesh& mesh);
// markMeshOf each mesh, by kind.
std::vector<IndexedMesh> markMeshesOf(const std::vector<FlatMesh>& meshes);
