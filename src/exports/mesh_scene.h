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

// Every piece that drawing reaches (each root, then its frame) as a node
// named "piece N ligne L" that places its kind's mesh in its colour (one
// mesh per kind and colour, shared, scaled by scale; every triangle its own
// corners with the face's normal, since the pieces are drawn flat). With
// linearColours the materials' colours are linear (glTF), else the sRGB
// bytes over 255.
std::unique_ptr<aiScene> buildMeshScene(const PieceRecord* table, double scale, bool linearColours);

// The triangles a piece of the kind is drawn with: each sub-part's as many
// times as the kind places it.
long long kindTriangleCount(int kind);

// The triangles of the kinds of those pieces, added up.
long long countDrawnTriangles(const PieceRecord* table);
