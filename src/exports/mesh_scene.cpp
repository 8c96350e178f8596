// The model as an Assimp scene: one mesh per kind and colour, shared by
// every piece of that kind and colour, and one node per piece that places
// it. Formats that keep nodes (glTF) store each mesh once; the others get
// the placed copies from Assimp, so the scene itself stays small however
// many pieces the model has.
#include "exports/mesh_scene.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <span>
#include <unordered_map>
#include <utility>
#include <vector>

#include "exports/parts_list.h"
#include "model/frame_tree.h"
#include "pieces/kind_mesh.h"

namespace {

FrameTree exportTree;

struct TreeWalk {
  const PieceRecord* table;
  std::vector<Matrix> stack;
  std::vector<PlacedPiece>* pieces;
};

// The same walk and the same composition as drawing: each piece's matrix
// onto its frame parent's.
void enterPiece(void* context, int32_t piece) {
  TreeWalk& walk = *static_cast<TreeWalk*>(context);
  Matrix world = walk.stack.back();
  multiplyRight(world, walk.table[piece].matrix);
  walk.stack.push_back(world);
  walk.pieces->push_back({piece, world});
}

void leavePiece(void* context, int32_t) { static_cast<TreeWalk*>(context)->stack.pop_back(); }

aiVector3D transformed(const Matrix& m, const Point3& p) {
  const double x = p.x, y = p.y, z = p.z;
  return aiVector3D(float(m.m[0] * x + m.m[4] * y + m.m[8] * z + m.m[12]),
                    float(m.m[1] * x + m.m[5] * y + m.m[9] * z + m.m[13]),
                    float(m.m[2] * x + m.m[6] * y + m.m[10] * z + m.m[14]));
}

}  // namespace

std::vector<PlacedPiece> drawnPieces(const PieceRecord* table, UpAxis up) {
  std::vector<PlacedPiece> pieces;
  TreeWalk walk{table, {identityMatrix()}, &pieces};
  buildFrameTree(exportTree, table);
  walkFrameForest(exportTree, FrameVisitor{enterPiece, leavePiece, &walk});
  if (up == UpAxis::Z)
    for (PlacedPiece& piece : pieces)
      for (int c = 0; c < 4; ++c) {  // the rows y and z of every column become -z and y
        float* column = piece.world.m + 4 * c;
        const float y = column[1], z = column[2];
        column[1] = z == 0 ? 0.0f : -z;
        column[2] = y;
      }
  return pieces;
}

std::string materialName(const ColourBytes& c) {
  char name[32];
  std::snprintf(name, sizeof name, c[3] == 255 ? "couleur-%02X%02X%02X" : "couleur-%02X%02X%02X-%02X", c[0], c[1], c[2],
                c[3]);
  return name;
}

float linearFromSrgb(unsigned char byte) {
  const double c = byte / 255.0;
  return float(c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
}

// As the kind's lists draw them: the rods' turn, then each sub-part's
// placement. The files list corners clockwise seen from outside.
MeshTriangles kindTriangles(int kind) {
  const KindMesh& mesh = kindMesh(kind);
  MeshTriangles triangles;
  triangles.reserve(mesh.triangles.size());
  for (const MeshPart& part : mesh.parts) {
    const Matrix frame = partFrame(mesh, part);
    for (int i = 0; i < part.triangleCount; ++i) {
      const MeshTriangle& t = mesh.triangles[size_t(part.firstTriangle + i)];
      triangles.push_back({transformed(frame, t[0]), transformed(frame, t[2]), transformed(frame, t[1])});
    }
  }
  return triangles;
}

namespace {

// Materials and meshes go by the colour's bytes: colours that show the same
// share them, as they share a line of the parts list.
using Colour = ColourBytes;

Colour colourOf(const PieceRecord& record) { return colourBytes(record.colour); }

// The colour's channels as the material and the corners hold them.
std::array<float, 4> channels(const Colour& c, bool linear) {
  const auto channel = [&](int i) { return linear ? linearFromSrgb(c[size_t(i)]) : c[size_t(i)] / 255.0f; };
  return {channel(0), channel(1), channel(2), c[3] / 255.0f};  // alpha is linear in both
}

aiMaterial* newMaterial(const Colour& bytes, bool linear) {
  auto* material = new aiMaterial();
  const aiString name(materialName(bytes));
  material->AddProperty(&name, AI_MATKEY_NAME);
  const std::array<float, 4> c = channels(bytes, linear);
  const aiColor4D colour(c[0], c[1], c[2], c[3]);
  material->AddProperty(&colour, 1, AI_MATKEY_COLOR_DIFFUSE);
  material->AddProperty(&colour, 1, AI_MATKEY_BASE_COLOR);
  const float opacity = c[3];
  material->AddProperty(&opacity, 1, AI_MATKEY_OPACITY);
  return material;
}

// Three corners of their own per triangle, with the face's normal: the
// pieces are drawn flat, and a shared corner would round its edges.
aiMesh* newMesh(const MeshTriangles& triangles, unsigned material, const std::array<float, 4>* corners) {
  auto* mesh = new aiMesh();
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mMaterialIndex = material;
  mesh->mNumVertices = unsigned(3 * triangles.size());
  mesh->mVertices = new aiVector3D[mesh->mNumVertices];
  mesh->mNormals = new aiVector3D[mesh->mNumVertices];
  if (corners) mesh->mColors[0] = new aiColor4D[mesh->mNumVertices];
  mesh->mNumFaces = unsigned(triangles.size());
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const auto& t = triangles[f];
    const aiVector3D normal = ((t[1] - t[0]) ^ (t[2] - t[0])).NormalizeSafe();
    aiFace& face = mesh->mFaces[f];
    face.mNumIndices = 3;
    face.mIndices = new unsigned[3];
    for (unsigned c = 0; c < 3; ++c) {
      const unsigned v = 3 * f + c;
      face.mIndices[c] = v;
      mesh->mVertices[v] = t[c];
      mesh->mNormals[v] = normal;
      if (corners) mesh->mColors[0][v] = aiColor4D((*corners)[0], (*corners)[1], (*corners)[2], (*corners)[3]);
    }
  }
  return mesh;
}

// The same triangles with their corners shared and no normals: a third of
// the corners for the writers that repeat nothing and need no normals
// (PLY readers make their own), so their text and time.
aiMesh* newIndexedMesh(const MeshTriangles& triangles, unsigned material, const std::array<float, 4>* colour) {
  const SharedCorners shared = shareCorners(triangles);
  auto* mesh = new aiMesh();
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mMaterialIndex = material;
  mesh->mNumFaces = unsigned(shared.faces.size());
  mesh->mFaces = new aiFace[mesh->mNumFaces];
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    mesh->mFaces[f].mNumIndices = 3;
    mesh->mFaces[f].mIndices = new unsigned[3];
    std::copy(shared.faces[f].begin(), shared.faces[f].end(), mesh->mFaces[f].mIndices);
  }
  mesh->mNumVertices = unsigned(shared.corners.size());
  mesh->mVertices = new aiVector3D[shared.corners.size()];
  std::copy(shared.corners.begin(), shared.corners.end(), mesh->mVertices);
  if (colour) {
    mesh->mColors[0] = new aiColor4D[shared.corners.size()];
    std::fill_n(mesh->mColors[0], shared.corners.size(),
                aiColor4D((*colour)[0], (*colour)[1], (*colour)[2], (*colour)[3]));
  }
  return mesh;
}

// The world matrix with every row but the last times scale, or (rigid) only
// its translation: a node's matrix stays a turn and a move, which glTF
// readers split into rotation and translation, the scale going into the
// shared meshes' corners.
aiMatrix4x4 nodeMatrix(const Matrix& world, double scale, bool rigid = false) {
  aiMatrix4x4 m;
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 4; ++c) m[r][c] = float(world.m[4 * c + r] * (r < 3 && (!rigid || c == 3) ? scale : 1.0));
  return m;
}

template <typename T>
T** newArray(const std::vector<T*>& items) {
  T** array = new T*[items.size()];
  for (size_t i = 0; i < items.size(); ++i) array[i] = items[i];
  return array;
}

struct SceneParts {
  std::vector<aiMesh*> meshes;
  std::vector<aiMaterial*> materials;
  std::vector<aiNode*> nodes;
  std::map<Colour, unsigned> materialOf;
  std::map<std::pair<int, Colour>, unsigned> meshOf;
  std::map<int, MeshTriangles> trianglesOf;
  bool linear = false;  // the materials' colours
};

unsigned materialFor(SceneParts& parts, const Colour& colour) {
  auto material = parts.materialOf.find(colour);
  if (material != parts.materialOf.end()) return material->second;
  parts.materials.push_back(newMaterial(colour, parts.linear));
  return parts.materialOf[colour] = unsigned(parts.materials.size() - 1);
}

const MeshTriangles& trianglesFor(SceneParts& parts, int kind) {
  auto triangles = parts.trianglesOf.find(kind);
  if (triangles == parts.trianglesOf.end()) triangles = parts.trianglesOf.emplace(kind, kindTriangles(kind)).first;
  return triangles->second;
}

unsigned sharedMesh(SceneParts& parts, const PieceRecord& record, double scale, bool vertexColours) {
  const Colour colour = colourOf(record);
  const auto key = std::make_pair(int(record.kind), colour);
  if (auto found = parts.meshOf.find(key); found != parts.meshOf.end()) return found->second;
  const unsigned material = materialFor(parts, colour);
  MeshTriangles triangles = trianglesFor(parts, record.kind);
  for (auto& t : triangles)
    for (aiVector3D& corner : t) corner *= float(scale);
  const std::array<float, 4> corners = channels(colour, false);
  parts.meshes.push_back(newMesh(triangles, material, vertexColours ? &corners : nullptr));
  return parts.meshOf[key] = unsigned(parts.meshes.size() - 1);
}

// The piece's own copy of its kind's mesh, placed in the world.
unsigned placedMesh(SceneParts& parts, const PieceRecord& record, const aiMatrix4x4& placement, const std::string& name,
                    bool indexed, bool vertexColours) {
  const Colour colour = colourOf(record);
  auto triangles = trianglesFor(parts, record.kind);
  for (auto& t : triangles)
    for (aiVector3D& corner : t) corner = placement * corner;
  const unsigned material = materialFor(parts, colour);
  const std::array<float, 4> channelsOfCorners = channels(colour, false);
  const std::array<float, 4>* corners = vertexColours ? &channelsOfCorners : nullptr;
  parts.meshes.push_back(indexed ? newIndexedMesh(triangles, material, corners)
                                 : newMesh(triangles, material, corners));
  parts.meshes.back()->mName = name;
  return unsigned(parts.meshes.size() - 1);
}

}  // namespace

SharedCorners shareCorners(const MeshTriangles& triangles) {
  struct CornerHash {
    size_t operator()(const aiVector3D& p) const {
      uint32_t bits[3];
      std::memcpy(bits, &p.x, sizeof bits);
      return (size_t(bits[0]) * 73856093u) ^ (size_t(bits[1]) * 19349663u) ^ (size_t(bits[2]) * 83492791u);
    }
  };
  std::unordered_map<aiVector3D, unsigned, CornerHash> index;
  SharedCorners shared;
  const auto add = [&](const aiVector3D& p, bool reuse) {
    if (reuse)
      if (const auto found = index.find(p); found != index.end()) return found->second;
    shared.corners.push_back(p);
    if (reuse) index.emplace(p, unsigned(shared.corners.size() - 1));
    return unsigned(shared.corners.size() - 1);
  };
  for (const auto& t : triangles) {
    std::array<unsigned, 3> face{add(t[0], true), add(t[1], true), add(t[2], true)};
    if (face[0] == face[1] || face[1] == face[2] || face[0] == face[2])
      face = {add(t[0], false), add(t[1], false), add(t[2], false)};
    shared.faces.push_back(face);
  }
  return shared;
}

long long kindTriangleCount(int kind) {
  long long count = 0;
  for (const MeshPart& part : kindMesh(kind).parts) count += part.triangleCount;
  return count;
}

long long countDrawnTriangles(const PieceRecord* table) {
  long long count = 0;
  for (const PlacedPiece& piece : drawnPieces(table)) count += kindTriangleCount(table[piece.number].kind);
  return count;
}

std::unique_ptr<aiScene> buildMeshScene(const PieceRecord* table, double scale, MeshLayout layout, bool vertexColours,
                                        bool linearColours) {
  const std::vector<PlacedPiece> pieces = drawnPieces(table);
  return buildMeshScene(table, pieces, 0, pieces.size(), scale, layout, vertexColours, linearColours);
}

std::unique_ptr<aiScene> buildMeshScene(const PieceRecord* table, const std::vector<PlacedPiece>& pieces, size_t first,
                                        size_t last, double scale, MeshLayout layout, bool vertexColours,
                                        bool linearColours) {
  SceneParts parts;
  parts.linear = linearColours;
  // Every colour of the model has its material, in the order the pieces
  // first use them, whichever pieces are built: the batches of one file
  // then agree on the materials.
  for (const PlacedPiece& piece : pieces)
    if (!kindMesh(table[piece.number].kind).triangles.empty()) materialFor(parts, colourOf(table[piece.number]));
  auto root = new aiNode("modele");
  for (const PlacedPiece& piece : std::span(pieces).subspan(first, last - first)) {
    const PieceRecord& record = table[piece.number];
    if (kindMesh(record.kind).triangles.empty()) continue;
    char name[64];
    std::snprintf(name, sizeof name, "piece %d ligne %d", int(piece.number), int(record.scriptLine));
    auto node = new aiNode(name);
    const aiMatrix4x4 placement = nodeMatrix(piece.world, scale, layout == MeshLayout::SHARED);
    node->mNumMeshes = 1;
    if (layout != MeshLayout::SHARED) {
      const bool indexed = layout == MeshLayout::PLACED_INDEXED_COPIES;
      node->mMeshes = new unsigned[1]{placedMesh(parts, record, placement, name, indexed, vertexColours)};
    } else {
      node->mTransformation = placement;
      node->mMeshes = new unsigned[1]{sharedMesh(parts, record, scale, vertexColours)};
    }
    node->mParent = root;
    parts.nodes.push_back(node);
  }
  // Some writers need a material even when no mesh uses it.
  if (parts.materials.empty()) parts.materials.push_back(newMaterial({204, 204, 204, 255}, parts.linear));
  auto scene = std::make_unique<aiScene>();
  scene->mRootNode = root;
  root->mNumChildren = unsigned(parts.nodes.size());
  root->mChildren = newArray(parts.nodes);
  scene->mNumMeshes = unsigned(parts.meshes.size());
  scene->mMeshes = newArray(parts.meshes);
  scene->mNumMaterials = unsigned(parts.materials.size());
  scene->mMaterials = newArray(parts.materials);
  return scene;
}
