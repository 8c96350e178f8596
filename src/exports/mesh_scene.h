// The placed pieces and their kinds' triangles for the mesh writers, and the
// model table as an Assimp scene.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include <assimp/vector3.h>

#include "model/matrix.h"
#include "model/model_table.h"

struct aiScene;

// A piece that drawing reaches, with its matrix composed onto its frames'.
struct PlacedPiece {
  int32_t number;
  Matrix world;
};

// The axis that points up in a file. The model's is +Y, as the view and the
// room have it, and glTF and OBJ keep it; STL, PLY and 3MF readers (slicers
// first) take +Z as up, so those files get the model turned a quarter about
// X: +Y becomes +Z and +Z becomes -Y, a turn, not a mirror, so the front
// of the model faces -Y, a slicer's front.
enum class UpAxis { Y, Z };

// Every piece that drawing reaches, in drawing order: each root, then its
// frame; with UpAxis::Z, turned as above.
std::vector<PlacedPiece> drawnPieces(const PieceRecord* table, UpAxis up = UpAxis::Y);

// A colour as files hold it: red, green, blue, alpha bytes (colourBytes).
using ColourBytes = std::array<unsigned char, 4>;
// "couleur-RRGGBB", and "-AA" after it when the colour is not opaque: one
// name for each distinct colour.
std::string materialName(const ColourBytes& colour);
// A byte of an sRGB colour as the linear value glTF's colour factors hold.
float linearFromSrgb(unsigned char byte);

using MeshTriangles = std::vector<std::array<aiVector3D, 3>>;

// The kind's full-detail triangles in its own frame, counter-clockwise
// seen from outside.
MeshTriangles kindTriangles(int kind);

// The triangles with each corner listed once and every triangle as three
// indices into them, as writers of closed meshes want; a triangle whose
// corners would then repeat one another (a line or a point, which such
// formats forbid) keeps corners of its own.
struct SharedCorners {
  std::vector<aiVector3D> corners;
  std::vector<std::array<unsigned, 3>> faces;
};
SharedCorners shareCorners(const MeshTriangles& triangles);

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
// With linearColours the materials' colours are linear (glTF), else the
// sRGB bytes over 255.
std::unique_ptr<aiScene> buildMeshScene(const PieceRecord* table, double scale, MeshLayout layout, bool vertexColours,
                                        bool linearColours = false);
// The same for the pieces from first to last (not included) of pieces,
// which are drawnPieces(table); the materials are those of all of them.
std::unique_ptr<aiScene> buildMeshScene(const PieceRecord* table, const std::vector<PlacedPiece>& pieces, size_t first,
                                        size_t last, double scale, MeshLayout layout, bool vertexColours,
                                        bool linearColours = false);

// The triangles a piece of the kind is drawn with: each sub-part's as many
// times as the kind places it.
long long kindTriangleCount(int kind);

// The triangles of the kinds of those pieces, added up.
long long countDrawnTriangles(const PieceRecord* table);
