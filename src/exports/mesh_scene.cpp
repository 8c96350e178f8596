// The placed pieces and their kinds' triangles, which every mesh writer
// starts from, and the model as an Assimp scene for the glTF writer: one
// mesh per kind and colour, shared by every piece of that kind and colour,
// and one node per piece that places it, so the scene stays small however
// many pieces the model has.
#include "exports/mesh_scene.h"

#include <assimp/material.h>
#include <assimp/scene.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "exports/parts_list.h"
#include "model/frame_tree.h"
#include "pieces/kind_mesh.h"

namespace {

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
  const auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, table);
  walkFrameForest(*tree, FrameVisitor{enterPiece, leavePiece, &walk});
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
aiMesh* newMesh(const MeshTriangles& triangles, unsigned material) {
  auto* mesh = new aiMesh();
  mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
  mesh->mMaterialIndex = material;
  mesh->mNumVertices = unsigned(3 * triangles.size());
  mesh->mVertices = new aiVector3D[mesh->mNumVertices];
  mesh->mNormals = new aiVector3D[mesh->mNumVertices];
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
    }
  }
  return mesh;
}

// The world matrix with its translation times scale: a node's matrix stays
// a turn and a move, which glTF readers split into rotation and
// translation, the scale going into the shared meshes' corners.
aiMatrix4x4 nodeMatrix(const Matrix& world, double scale) {
  aiMatrix4x4 m;
  for (unsigned r = 0; r < 4; ++r)
    for (unsigned c = 0; c < 4; ++c) m[r][c] = float(world.m[4 * c + r] * (r < 3 && c == 3 ? scale : 1.0));
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

unsigned sharedMesh(SceneParts& parts, const PieceRecord& record, double scale) {
  const Colour colour = colourOf(record);
  const auto key = std::make_pair(int(record.kind), colour);
  if (auto found = parts.meshOf.find(key); found != parts.meshOf.end()) return found->second;
  const unsigned material = materialFor(parts, colour);
  MeshTriangles triangles = trianglesFor(parts, record.kind);
  for (auto& t : triangles)
    for (aiVector3D& corner : t) corner *= float(scale);
  parts.meshes.push_back(newMesh(triangles, material));
  return parts.meshOf[key] = unsigned(parts.meshes.size() - 1);
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

std::unique_ptr<aiScene> buildMeshScene(const PieceRecord* table, double scale, bool linearColours) {
  const std::vector<PlacedPiece> pieces = drawnPieces(table);
  SceneParts parts;
  parts.linear = linearColours;
  auto root = new aiNode("modele");
  for (const PlacedPiece& piece : pieces) {
    const PieceRecord& record = table[piece.number];
    if (kindMesh(record.kind).triangles.empty()) continue;
    char name[64];
    std::snprintf(name, sizeof name, "piece %d ligne %d", int(piece.number), int(record.scriptLine));
    auto node = new aiNode(name);
    node->mTransformation = nodeMatrix(piece.world, scale);
    node->mNumMeshes = 1;
    node->mMeshes = new unsigned[1]{sharedMesh(parts, record, scale)};
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
