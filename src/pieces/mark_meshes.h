// The simplest look of each piece kind, for pieces a few pixels across
// while the view moves: the outline of the kind's tiny mesh seen along the
// axis the kind is thinnest along (a connector, a wheel) or longest along
// (a rod), cut to a few corners and drawn as a straight prism. A connector
// becomes an octagonal slab of its own outline, a rod a square bar: 28 and
// 12 triangles where the tiny meshes have 124 and 28. No GL here.
#pragma once

#include <vector>

#include "pieces/flat_mesh.h"

constexpr int DISC_MARK_CORNERS = 8;
constexpr int BAR_MARK_CORNERS = 4;

// The prism round a mesh's corners, its faces clockwise as seen from
// outside like the files'; empty for a mesh without faces.
FlatMesh markMeshOf(const FlatMesh& mesh);
// markMeshOf each mesh, by kind.
std::vector<FlatMesh> markMeshesOf(const std::vector<FlatMesh>& meshes);
