// The model table as an Assimp scene, for the writers of the mesh formats.
#pragma once

#include <memory>

#include "model/model_table.h"

struct aiScene;

// SHARED: one mesh per kind and colour, placed by each piece's node, for
// the writers that follow nodes. PLACED_COPIES: every piece its own mesh
// in world coordinates, for the writers that take the meshes without
// their nodes. Both give every triangle corners of its own with the
// face's normal: the pieces are drawn flat. PLACED_INDEXED_COPIES: placed
// copies whose triangles share their corners, without normals.
enum class MeshLayout { SHARED, PLACED_COPIES, PLACED_INDEXED_COPIES };

// Every piece that drawing reaches (each root, then its frame), placed as
// drawing composes it and scaled by scale, as a node named "piece N ligne
// L" holding its kind's mesh in its colour. With vertexColours every corner
// carries the colour too, for the formats whose colours are there.
std::unique_ptr<aiScene> buildMeshScene(const PieceRecord* table, double scale, MeshLayout layout, bool vertexColours);

// The triangles of the kinds of those pieces, added up.
long long countDrawnTriangles(const PieceRecord* table);
