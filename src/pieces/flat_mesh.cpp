#include "pieces/flat_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_files.h"

namespace {

constexpr long long MAX_DATA_FILE_BYTES = 4LL * 1024 * 1024;
constexpr size_t PATH_CAPACITY = 1024;

std::string detailPath(MeshDetail detail, const char* folder, const char* name) {
  const char* const set = detail == MeshDetail::COARSE ? "vexo/Coarse/" : detail == MeshDetail::TINY ? "vexo/Tiny/" : "vexo/";
  std::string path = dataDir + set + folder + name;
  if (path.size() > PATH_CAPACITY - 1) path.resize(PATH_CAPACITY - 1);
  return path;
}

// The simpler file when there is one, else the full one; "" when neither reads.
std::string readDetailFile(MeshDetail detail, const char* folder, const char* name) {
  std::string text;
  if (detail != MeshDetail::FULL &&
      readRegularFile(detailPath(detail, folder, name).c_str(), MAX_DATA_FILE_BYTES, &text) == FileReadError::None)
    return text;
  text.clear();
  if (readRegularFile(detailPath(MeshDetail::FULL, folder, name).c_str(), MAX_DATA_FILE_BYTES, &text) !=
      FileReadError::None)
    text.clear();
  return text;
}

Point3 transformed(const Matrix& M, const Point3& p) {
  const float* m = M.m;
  return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
          m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

// The buffer's faces in the order the library emits them: quadrilaterals,
// then triangles.
void appendMesh(const MeshBuffer& b, const Matrix& M, FlatMesh& mesh) {
  if (mesh.faces.size() + size_t(b.quadCount + b.triangleCount) > MAX_KIND_FACES ||
      mesh.edges.size() / 2 + size_t(b.edgeCount) > MAX_KIND_FACES) {
    mesh.cut = true;
    return;
  }
  for (int i = 0; i < b.quadCount; ++i) {
    MeshFace f{4, {}};
    for (int k = 0; k < 4; ++k) f.p[k] = transformed(M, b.quads[i][k]);
    mesh.faces.push_back(f);
  }
  for (int i = 0; i < b.triangleCount; ++i) {
    MeshFace f{3, {}};
    for (int k = 0; k < 3; ++k) f.p[k] = transformed(M, b.triangles[i][k]);
    mesh.faces.push_back(f);
  }
  for (int i = 0; i < b.edgeCount; ++i) {
    mesh.edges.push_back(transformed(M, b.edges[i][0]));
    mesh.edges.push_back(transformed(M, b.edges[i][1]));
  }
}

// Large, so kept off the stack; meshes are loaded on the program's one thread.
MeshBuffer subPartMeshes[SUBPART_COUNT];
MeshBuffer ownMesh;

void loadSubParts(MeshDetail detail) {
  for (int i = 0; i < SUBPART_COUNT; ++i) {
    const std::string text = readDetailFile(detail, "P/", subPartFileNames[i]);
    parseMeshText(text.data(), text.size(), subPartMeshes[i]);
  }
}

Matrix turnAtLoad(int kind) {
  Matrix turn = identityMatrix();
  if (isTurnedAtLoad(kind)) setRotation(turn, 0.0f, 0.0f, -45.0f);  // +45 degrees about z
  return turn;
}

FlatMesh loadFlatMesh(int kind, MeshDetail detail) {
  FlatMesh mesh;
  const std::string text = readDetailFile(detail, "Parts/", pieceFileNames[kind]);
  if (text.empty()) return mesh;
  const Matrix turn = turnAtLoad(kind);
  // Sub-parts first, in file order, then the file's own geometry.
  if (FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb")) {
    char line[DATA_LINE_CAPACITY], name[256];
    Matrix placement;
    while (readDataLine(file, line)) {
      if (!parseSubPartLine(line, placement, name)) continue;
      const int index = findSubPart(name);
      if (index < 0) continue;
      Matrix M = turn;
      multiplyRight(M, placement);
      appendMesh(subPartMeshes[index], M, mesh);
    }
    std::fclose(file);
  }
  parseMeshText(text.data(), text.size(), ownMesh);
  appendMesh(ownMesh, turn, mesh);
  return mesh;
}

}  // namespace

std::vector<FlatMesh> loadFlatMeshes(MeshDetail detail) {
  loadSubParts(detail);
  std::vector<FlatMesh> meshes;
  for (int kind = 0; kind < KIND_COUNT; ++kind) meshes.push_back(loadFlatMesh(kind, detail));
  return meshes;
}

BoundingSphere boundingSphereOf(const FlatMesh& mesh) {
  if (mesh.cut) return {{0.0f, 0.0f, 0.0f}, HUGE_VALF};
  Point3 low{HUGE_VALF, HUGE_VALF, HUGE_VALF}, high{-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
  auto extend = [&](const Point3& p) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  };
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) extend(f.p[k]);
  for (const Point3& p : mesh.edges) extend(p);
  if (low.x > high.x) return {{0.0f, 0.0f, 0.0f}, 0.0f};
  const Point3 c{0.5f * (low.x + high.x), 0.5f * (low.y + high.y), 0.5f * (low.z + high.z)};
  float r2 = 0.0f;
  auto reach = [&](const Point3& p) {
    const float dx = p.x - c.x, dy = p.y - c.y, dz = p.z - c.z;
    r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
  };
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) reach(f.p[k]);
  for (const Point3& p : mesh.edges) reach(p);
  // A little over, so rounding never cuts a corner that is drawn.
  return {c, std::sqrt(r2) * 1.001f + 0.01f};
}

BoundingSphere sphereAround(const Box& box) {
  if (isEmpty(box)) return {{0.0f, 0.0f, 0.0f}, 0.0f};
  const float* a = box.low;
  const float* b = box.high;
  const float dx = b[0] - a[0], dy = b[1] - a[1], dz = b[2] - a[2];
  return {{0.5f * (a[0] + b[0]), 0.5f * (a[1] + b[1]), 0.5f * (a[2] + b[2])},
          0.5f * std::sqrt(dx * dx + dy * dy + dz * dz) * 1.001f + 0.01f};
}
