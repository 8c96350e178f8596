#include "pieces/simpler_meshes_gl.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>

#include "pieces/catalogue.h"

namespace {

// Where a kind's triangles lie in the index buffer, and the vertices they use.
struct IndexRange {
  unsigned lowest, highest;
  int count;
  size_t first;
};

struct SimplerBuffers {
  unsigned vertices = 0, indices = 0;
  IndexRange ranges[2][KIND_COUNT] = {};  // [coarse or tiny][kind]
};

SimplerBuffers buffers;

// Position then normal; equal corners are one vertex.
using Corner = std::array<float, 6>;

struct IndexedMeshes {
  std::vector<float> vertices;
  std::vector<uint32_t> indices;
  std::map<Corner, uint32_t> seen;  // of the mesh being added only
};

// The face's normal as the lists give it, (P1 - P0) x (P1 - P2), but of unit
// length, so that faces of one plane share it.
std::array<float, 3> unitNormal(const MeshFace& f) {
  const Point3 &p0 = f.p[0], &p1 = f.p[1], &p2 = f.p[2];
  const float ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
  const float bx = p1.x - p2.x, by = p1.y - p2.y, bz = p1.z - p2.z;
  std::array<float, 3> n{ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx};
  const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (length > 0.0f)
    for (float& c : n) c /= length;
  return n;
}

uint32_t cornerIndex(IndexedMeshes& out, const Point3& p, const std::array<float, 3>& n) {
  const Corner corner{p.x, p.y, p.z, n[0], n[1], n[2]};
  const auto [at, added] = out.seen.try_emplace(corner, uint32_t(out.vertices.size() / 6));
  if (added) out.vertices.insert(out.vertices.end(), corner.begin(), corner.end());
  return at->second;
}

// A quadrilateral is cut from its second corner to its fourth, as Mesa cuts
// the lists' quadrilaterals, so that a bent one shows the same pixels; the
// corners keep the files' clockwise turn, so culling keeps the same faces.
IndexRange addMesh(IndexedMeshes& out, const FlatMesh& mesh) {
  out.seen.clear();
  const size_t first = out.indices.size();
  const uint32_t lowest = uint32_t(out.vertices.size() / 6);
  for (const MeshFace& f : mesh.faces) {
    const std::array<float, 3> n = unitNormal(f);
    uint32_t c[4];
    for (int k = 0; k < f.count; ++k) c[k] = cornerIndex(out, f.p[k], n);
    if (f.count == 4)
      out.indices.insert(out.indices.end(), {c[0], c[1], c[3], c[1], c[2], c[3]});
    else
      out.indices.insert(out.indices.end(), {c[0], c[1], c[2]});
  }
  const uint32_t end = uint32_t(out.vertices.size() / 6);
  return {lowest, end > lowest ? end - 1 : lowest, int(out.indices.size() - first), first};
}

}  // namespace

void buildSimplerBuffers(const std::vector<FlatMesh>& coarse, const std::vector<FlatMesh>& tiny) {
  buffers = {};
  IndexedMeshes meshes;
  for (int d = 0; d < 2; ++d) {
    const std::vector<FlatMesh>& set = d ? tiny : coarse;
    for (int k = 0; k < KIND_COUNT && k < int(set.size()); ++k) buffers.ranges[d][k] = addMesh(meshes, set[k]);
  }
  GLuint names[2] = {0, 0};
  glGenBuffers(2, names);
  if (!names[0] || !names[1]) {
    buffers = {};
    return;
  }
  buffers.vertices = names[0];
  buffers.indices = names[1];
  glBindBuffer(GL_ARRAY_BUFFER, buffers.vertices);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(meshes.vertices.size() * sizeof(float)), meshes.vertices.data(),
               GL_STATIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.indices);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(meshes.indices.size() * sizeof(uint32_t)), meshes.indices.data(),
               GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void forgetSimplerBuffers() { buffers = {}; }

bool beginSimplerSolids() {
  if (!buffers.vertices) return false;
  glBindBuffer(GL_ARRAY_BUFFER, buffers.vertices);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers.indices);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  constexpr GLsizei STRIDE = 6 * sizeof(float);
  glVertexPointer(3, GL_FLOAT, STRIDE, nullptr);
  glNormalPointer(GL_FLOAT, STRIDE, reinterpret_cast<const void*>(3 * sizeof(float)));
  return true;
}

void drawSimplerSolid(int kind, MeshDetail detail) {
  if (kind < 0 || kind >= KIND_COUNT || detail == MeshDetail::FULL) return;
  const IndexRange& r = buffers.ranges[detail == MeshDetail::TINY][kind];
  if (r.count == 0) return;
  glDrawRangeElements(GL_TRIANGLES, r.lowest, r.highest, r.count, GL_UNSIGNED_INT,
                      reinterpret_cast<const void*>(r.first * sizeof(uint32_t)));
}

void endSimplerSolids() {
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
