#include "pieces/kind_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <numbers>
#include <string>

#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_files.h"

namespace {

constexpr long long MAX_MESH_FILE_BYTES = 4LL * 1024 * 1024;

KindMesh meshes[KIND_COUNT];
std::string meshesDataDir;
bool meshesLoaded = false;
MeshBuffer meshScratch;  // large: kept off the stack

bool readQuietly(const std::string& path, std::string& text) {
  return readRegularFile(path.c_str(), MAX_MESH_FILE_BYTES, &text) == FileReadError::None;
}

// Centre of the box around the points, radius to the farthest of them.
template <typename ForEachPoint>
void boundPoints(ForEachPoint forEachPoint, Point3& centre, float& radius) {
  float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  bool first = true;
  forEachPoint([&](const Point3& p) {
    const float v[3] = {p.x, p.y, p.z};
    for (int a = 0; a < 3; ++a) {
      low[a] = first ? v[a] : std::min(low[a], v[a]);
      high[a] = first ? v[a] : std::max(high[a], v[a]);
    }
    first = false;
  });
  centre = {0.5f * (low[0] + high[0]), 0.5f * (low[1] + high[1]), 0.5f * (low[2] + high[2])};
  double r2 = 0.0;
  forEachPoint([&](const Point3& p) {
    const double dx = p.x - centre.x, dy = p.y - centre.y, dz = p.z - centre.z;
    r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
  });
  radius = float(std::sqrt(r2));
}

void boundPart(const KindMesh& mesh, MeshPart& part) {
  boundPoints(
      [&](auto visit) {
        for (int i = 0; i < part.triangleCount; ++i)
          for (const Point3& p : mesh.triangles[size_t(part.firstTriangle + i)]) visit(p);
        for (int i = 0; i < part.edgeCount; ++i)
          for (const Point3& p : mesh.edges[size_t(part.firstEdge + i)]) visit(p);
      },
      part.centre, part.radius);
}

// The file's faces and edges as one part, after what the mesh holds.
void appendPart(KindMesh& mesh, const MeshBuffer& b, bool placed, const Matrix& placement) {
  MeshPart part{placed, placement, int(mesh.triangles.size()), 0, int(mesh.edges.size()), 0, {}, 0.0f};
  for (int i = 0; i < b.quadCount; ++i) {
    const Point3* q = b.quads[i];
    mesh.triangles.push_back({q[0], q[1], q[2]});
    mesh.triangles.push_back({q[0], q[2], q[3]});
  }
  for (int i = 0; i < b.triangleCount; ++i)
    mesh.triangles.push_back({b.triangles[i][0], b.triangles[i][1], b.triangles[i][2]});
  for (int i = 0; i < b.edgeCount; ++i) mesh.edges.push_back({b.edges[i][0], b.edges[i][1]});
  part.triangleCount = int(mesh.triangles.size()) - part.firstTriangle;
  part.edgeCount = int(mesh.edges.size()) - part.firstEdge;
  boundPart(mesh, part);
  mesh.parts.push_back(part);
}

// A sub-part placed many times is read and stored once: its later
// placements share the first one's triangles (kept in the sub-part's own
// frame), so a file of a few megabytes placing one sub-part a hundred
// thousand times costs a part record each, not a copy of its faces each.
using SubPartsRead = std::map<int, MeshPart>;

void appendSubPart(KindMesh& mesh, const char* line, SubPartsRead& read) {
  Matrix placement;
  char name[256];
  parseSubPartLine(line, placement, name);
  const int index = findSubPart(name);
  if (index < 0) return;
  if (auto known = read.find(index); known != read.end()) {
    MeshPart part = known->second;
    part.placement = placement;
    mesh.parts.push_back(part);
    return;
  }
  std::string text;
  if (!readQuietly(subPartPath(index), text)) return;
  parseMeshText(text.data(), text.size(), meshScratch);
  appendPart(mesh, meshScratch, true, placement);
  read[index] = mesh.parts.back();
}

// Where a point of a part lands in the kind's frame, for the bounds only.
Point3 placedPoint(const KindMesh& mesh, const MeshPart& part, const Point3& p) {
  Matrix m = identityMatrix();
  if (mesh.turned) m = kindTurn();
  if (part.placed) multiplyRight(m, part.placement);
  const float* e = m.m;
  return {e[0] * p.x + e[4] * p.y + e[8] * p.z + e[12], e[1] * p.x + e[5] * p.y + e[9] * p.z + e[13],
          e[2] * p.x + e[6] * p.y + e[10] * p.z + e[14]};
}

template <typename Visit>
void forEachPlacedPoint(const KindMesh& mesh, Visit visit) {
  for (const MeshPart& part : mesh.parts) {
    for (int i = 0; i < part.triangleCount; ++i)
      for (const Point3& p : mesh.triangles[size_t(part.firstTriangle + i)]) visit(placedPoint(mesh, part, p));
    for (int i = 0; i < part.edgeCount; ++i)
      for (const Point3& p : mesh.edges[size_t(part.firstEdge + i)]) visit(placedPoint(mesh, part, p));
  }
}

void bound(KindMesh& mesh) {
  boundPoints([&](auto visit) { forEachPlacedPoint(mesh, visit); }, mesh.centre, mesh.radius);
}

// As the kind's lists are compiled: sub-parts first in file order, then the
// file's own geometry.
void loadKind(KindMesh& mesh, int kind) {
  mesh = KindMesh{};
  mesh.turned = isTurnedAtLoad(kind);
  std::string text;
  if (readQuietly(piecePath(kind), text)) {
    if (FILE* file = fmemopen(text.data(), text.size(), "rb")) {
      char line[DATA_LINE_CAPACITY];
      SubPartsRead read;
      while (readDataLine(file, line))
        if (line[0] == '1') appendSubPart(mesh, line, read);
      std::fclose(file);
    }
    parseMeshText(text.data(), text.size(), meshScratch);
    appendPart(mesh, meshScratch, false, identityMatrix());
  }
  bound(mesh);
}

}  // namespace

Matrix kindTurn() {
  // glRotatef takes the angle through double radians into float sin and cos.
  const float angle = float(45.0 * std::numbers::pi / 180.0);
  const float s = std::sin(angle), c = std::cos(angle);
  Matrix turn = identityMatrix();
  turn.m[0] = c;
  turn.m[5] = c;
  turn.m[1] = s;
  turn.m[4] = -s;
  return turn;
}

const KindMesh& kindMesh(int kind) {
  static const KindMesh none{};
  if (kind < 0 || kind >= KIND_COUNT) return none;
  if (!meshesLoaded || meshesDataDir != dataDir) {
    for (int k = 0; k < KIND_COUNT; ++k) loadKind(meshes[k], k);
    meshesDataDir = dataDir;
    meshesLoaded = true;
  }
  return meshes[kind];
}
