// The placed pieces as triangle meshes for other programs (3-D printing,
// rendering, other CAD): each piece's full-detail geometry as the view
// draws it, in world coordinates, in its colour, each piece named after its
// number and script line where the format has names. A model unit is
// written as a millimetre at scale 1 (glTF in metres, as its readers take
// it, so the model has the same size in every reader). STL, PLY and 3MF
// are Z up, as slicers take them; glTF and OBJ Y up, as the model is
// (mesh_scene.h). STL, PLY and OBJ are written here directly
// (mesh_streams.h), glTF through Assimp, 3MF through lib3mf
// (three_mf_file.h).
#pragma once

#include <algorithm>
#include <atomic>
#include <string>

#include "model/model_table.h"

enum class MeshFormat { STL, OBJ, GLB, PLY, THREE_MF };

// The format named by the path's extension (.stl .obj .glb .ply .3mf, in
// any case); false for any other.
bool meshFormatOfPath(const std::string& path, MeshFormat* format);

// The material file an OBJ export writes beside path ("" for the other
// formats): it is replaced too.
std::string materialFileOf(const std::string& path);

// The triangles the export of the table holds: every piece that drawing
// reaches, its kind's full-detail triangles.
long long exportedTriangleCount(const PieceRecord* table);

// The model's sides (along its X, Y and Z, Y up) at scale 1, in
// millimetres: the bounds of every exported triangle. Zero for a model
// without a triangle.
struct MeshSides {
  double x = 0, y = 0, z = 0;
  double largest() const { return std::max({x, y, z}); }
};
MeshSides exportedSides(const PieceRecord* table);

// The scale that makes the largest side millimetres long (--size); 0 for a
// model without a triangle.
double scaleForLargestSide(const PieceRecord* table, double millimetres);

// The scales --export and the export dialog take: beyond them the
// coordinates lose their meaning in single precision.
constexpr double MIN_MESH_SCALE = 1e-6;
constexpr double MAX_MESH_SCALE = 1e6;
// The largest sides --size and the export dialog take, in millimetres.
constexpr double MIN_MESH_SIZE = 1e-3;
constexpr double MAX_MESH_SIZE = 1e6;

// Writes the pieces of the table that drawing reaches to path, every
// coordinate times scale, through the safe writer (the material file beside
// an OBJ too): the files are put in place only once all are complete. False
// with a French message in error, and nothing left behind, when the format
// is unknown, a file cannot be written, a coordinate would be no finite
// number (a NaN, an infinity, or too large for the scale), or a .glb would
// be empty (the other formats can hold no triangle).
// Once stop (if given) is set, the export ends at its next chance (between
// two pieces of STL, PLY and OBJ, or when the glTF or 3MF writer is done)
// and leaves nothing.
bool exportModelMesh(const PieceRecord* table, const std::string& path, double scale, std::string* error,
                     const std::atomic<bool>* stop = nullptr);
