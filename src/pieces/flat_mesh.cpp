// Each kind's geometry flattened: every part's faces and edges placed in the
// kind's frame, in list order.
#include "pieces/flat_mesh.h"

#include <algorithm>
#include <cmath>

namespace {

// The part's faces in the order the library emits them: quadrilaterals,
// then triangles.
void appendPart(const KindMesh& kind, const MeshPart& part, FlatMesh& mesh) {
  if (mesh.faces.size() + size_t(part.faceCount) > MAX_KIND_FACES ||
      mesh.edges.size() / 2 + size_t(part.edgeCount) > MAX_KIND_FACES) {
    mesh.cut = true;
    return;
  }
  const Matrix M = partFrame(kind, part);
  for (int i = 0; i < part.faceCount; ++i) {
    MeshFace f = kind.faces[size_t(part.firstFace + i)];
    for (int k = 0; k < f.count; ++k) f.p[k] = placedPoint(M, f.p[k]);
    mesh.faces.push_back(f);
  }
  for (int i = 0; i < part.edgeCount; ++i) {
    const MeshEdge& e = kind.edges[size_t(part.firstEdge + i)];
    mesh.edges.push_back(placedPoint(M, e[0]));
    mesh.edges.push_back(placedPoint(M, e[1]));
  }
}

}  // namespace

std::vector<FlatMesh> loadFlatMeshes(MeshDetail detail) {
  std::vector<FlatMesh> meshes(KIND_COUNT);
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    const KindMesh& kindGeometry = kindMesh(kind, detail);
    for (const MeshPart& part : kindGeometry.parts) appendPart(kindGeometry, part, meshes[size_t(kind)]);
  }
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

std::array<float, 3> unitFaceNormal(const MeshFace& f) {
  const Point3 &p0 = f.p[0], &p1 = f.p[1], &p2 = f.p[2];
  const float ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
  const float bx = p1.x - p2.x, by = p1.y - p2.y, bz = p1.z - p2.z;
  std::array<float, 3> n{ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (length > 0.0f)
    for (float& c : n) c /= length;
  return n;
}

namespace {
uint32_t cornerIndex(IndexedMesh& out, const Point3& p, const std::array<float, 3>& n) {
  const std::array<float, 6> corner{p.x, p.y, p.z, n[0], n[1], n[2]};
  const auto [at, added] = out.seen.try_emplace(corner, uint32_t(out.vertices.size() / 6));
  if (added) out.vertices.insert(out.vertices.end(), corner.begin(), corner.end());
  return at->second;
}
}  // namespace

void addIndexedFace(IndexedMesh& out, const MeshFace& f) {
  const std::array<float, 3> n = unitFaceNormal(f);
  uint32_t c[4];
  for (int k = 0; k < f.count; ++k) c[k] = cornerIndex(out, f.p[k], n);
  if (f.count == 4)
    out.indices.insert(out.indices.end(), {c[0], c[1], c[3], c[1], c[2], c[3]});
  else
    out.indices.insert(out.indices.end(), {c[0], c[1], c[2]});
}
