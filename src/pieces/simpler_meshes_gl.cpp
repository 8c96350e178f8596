#include "pieces/simpler_meshes_gl.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "pieces/catalogue.h"

namespace {

using Vec = std::array<float, 3>;

float dotOf(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

constexpr float TWO_PI = 6.28318530717958647692f;
constexpr float ALIGNED = 1e-4f;  // how far from the axis a normal may lean and count as along or across it

int trianglesOf(const MeshFace& f) { return f.count - 2; }

// The axis most of whose triangles face along it or straight across it.
int mainAxis(const FlatMesh& mesh) {
  int best = 0, bestCount = -1;
  for (int a = 0; a < 3; ++a) {
    int count = 0;
    for (const MeshFace& f : mesh.faces) {
      const float along = std::fabs(unitFaceNormal(f)[a]);
      if (along > 1.0f - ALIGNED || along < ALIGNED) count += trianglesOf(f);
    }
    if (count > bestCount) best = a, bestCount = count;
  }
  return best;
}

void holdCorners(const FlatMesh& mesh, KindLayout& layout) {
  Vec low{HUGE_VALF, HUGE_VALF, HUGE_VALF}, high{-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) {
      const Vec p{f.p[k].x, f.p[k].y, f.p[k].z};
      for (int a = 0; a < 3; ++a) low[a] = std::min(low[a], p[a]), high[a] = std::max(high[a], p[a]);
    }
  for (int a = 0; a < 3; ++a) layout.centre[a] = 0.5f * (low[a] + high[a]);
  float r2 = 0.0f;
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) {
      const Vec d{f.p[k].x - layout.centre[0], f.p[k].y - layout.centre[1], f.p[k].z - layout.centre[2]};
      r2 = std::max(r2, dotOf(d, d));
    }
  layout.radius = std::sqrt(r2) * 1.001f + 0.01f;
}

// The angle round the axis that a face across it faces, in [0, 2 pi).
float facingAngle(const Vec& n, int axis) {
  const float angle = std::atan2(n[(axis + 2) % 3], n[(axis + 1) % 3]);
  return angle < 0.0f ? angle + TWO_PI : angle;
}

KindLayout addMesh(IndexedMesh& out, const FlatMesh& mesh) {
  forgetCorners(out);
  KindLayout layout;
  layout.first = out.indices.size();
  if (mesh.faces.empty() || mesh.cut) {
    for (const MeshFace& f : mesh.faces) addIndexedFace(out, f);
    layout.upEnd = layout.aroundFirst = out.indices.size();
    return layout;
  }
  holdCorners(mesh, layout);
  const int axis = layout.axis = mainAxis(mesh);
  std::vector<const MeshFace*> down, other, up;
  std::vector<std::pair<float, const MeshFace*>> around;
  for (const MeshFace& f : mesh.faces) {
    const Vec n = unitFaceNormal(f);
    if (n[axis] < -1.0f + ALIGNED)
      down.push_back(&f);
    else if (n[axis] > 1.0f - ALIGNED)
      up.push_back(&f);
    else if (std::fabs(n[axis]) < ALIGNED)
      around.push_back({facingAngle(n, axis), &f});
    else
      other.push_back(&f);
  }
  for (const MeshFace* f : down) addIndexedFace(out, *f);
  layout.otherFirst = out.indices.size();
  for (const MeshFace* f : other) addIndexedFace(out, *f);
  layout.upFirst = out.indices.size();
  for (const MeshFace* f : up) addIndexedFace(out, *f);
  layout.upEnd = layout.aroundFirst = out.indices.size();
  std::stable_sort(around.begin(), around.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (float turn : {0.0f, TWO_PI})
    for (const auto& [angle, f] : around) {
      addIndexedFace(out, *f);
      layout.angles.insert(layout.angles.end(), trianglesOf(*f), angle + turn);
    }
  return layout;
}

// Where the eye is in the piece's own frame: the modelview's affine part
// undone at the origin. False when the frame is mirrored or flat, where
// culling keeps other faces.
bool eyeInPiece(const float* m, Vec& eye) {
  const float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
  const float c0 = e * i - f * h, c1 = f * g - d * i, c2 = d * h - e * g;
  const float det = a * c0 + b * c1 + c * c2;
  if (!(det > 0.0f)) return false;
  const float tx = -m[12], ty = -m[13], tz = -m[14];
  eye = {(c0 * tx + (c * h - b * i) * ty + (b * f - c * e) * tz) / det,
         (c1 * tx + (a * i - c * g) * ty + (c * d - a * f) * tz) / det,
         (c2 * tx + (b * g - a * h) * ty + (a * e - b * d) * tz) / det};
  return std::isfinite(eye[0] + eye[1] + eye[2]);
}

constexpr float SAFETY = 1e-3f;  // of the faces' leaning, kept to be sure

struct Runs {
  GLsizei count[2];
  const void* first[2];
  int runs = 0;
};

void addRun(Runs& runs, size_t first, size_t end) {
  if (end <= first) return;
  runs.count[runs.runs] = GLsizei(end - first);
  runs.first[runs.runs] = reinterpret_cast<const void*>(first * sizeof(uint32_t));
  ++runs.runs;
}

Runs allRuns(const KindLayout& layout) {
  Runs runs;
  addRun(runs, layout.first, layout.upEnd);
  addRun(runs, layout.aroundFirst, layout.aroundFirst + 3 * (layout.angles.size() / 2));
  return runs;
}

// The faces round the axis whose angle lies within halfWidth of facing.
void addArc(Runs& runs, const KindLayout& layout, float facing, float halfWidth) {
  float low = facing - halfWidth;
  while (low < 0.0f) low += TWO_PI;
  // The first of the sorted angles from low on, and no more than one turn.
  const size_t turn = layout.angles.size() / 2;
  const auto begin = layout.angles.begin();
  const size_t from = size_t(std::lower_bound(begin, begin + turn, low) - begin);
  const size_t to = size_t(std::upper_bound(begin + from, layout.angles.end(), low + 2.0f * halfWidth) - begin);
  addRun(runs, layout.aroundFirst + 3 * from, layout.aroundFirst + 3 * std::min(to, from + turn));
}

// A face can show only when the eye is on its outer side. Faces whose
// normal leans away from the direction to the eye by more than the sphere
// round the piece can make up never are: they are left out before the GL
// lights and then culls them.
Runs runsSeen(const KindLayout& layout, const float* modelview) {
  Vec eye;
  if (layout.axis < 0 || !eyeInPiece(modelview, eye)) return allRuns(layout);
  Vec toEye{eye[0] - layout.centre[0], eye[1] - layout.centre[1], eye[2] - layout.centre[2]};
  const float distance = std::sqrt(dotOf(toEye, toEye));
  if (!(distance > layout.radius)) return allRuns(layout);
  for (float& c : toEye) c /= distance;
  const float reach = layout.radius / distance + SAFETY;  // the least a visible face's normal can lean
  const int axis = layout.axis;
  Runs runs;
  addRun(runs, -toEye[axis] > -reach ? layout.first : layout.otherFirst,
         toEye[axis] > -reach ? layout.upEnd : layout.upFirst);
  const float across = std::hypot(toEye[(axis + 1) % 3], toEye[(axis + 2) % 3]);
  if (across <= reach)
    addRun(runs, layout.aroundFirst, layout.aroundFirst + 3 * (layout.angles.size() / 2));
  else
    addArc(runs, layout, std::atan2(toEye[(axis + 2) % 3], toEye[(axis + 1) % 3]),
           3.14159265f - std::acos(reach / across));
  return runs;
}

}  // namespace

SimplerBuffers buildSimplerBuffers(const std::vector<FlatMesh>& coarse, const std::vector<FlatMesh>& tiny) {
  SimplerBuffers buffers;
  IndexedMesh meshes;
  for (int d = 0; d < 2; ++d) {
    const std::vector<FlatMesh>& set = d ? tiny : coarse;
    for (int k = 0; k < KIND_COUNT && k < int(set.size()); ++k) buffers.layouts[d][k] = addMesh(meshes, set[k]);
  }
  GLuint names[2] = {0, 0};
  glGenBuffers(2, names);
  if (!names[0] || !names[1]) return {};
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
  return buffers;
}

void deleteSimplerBuffers(SimplerBuffers& buffers) {
  const GLuint names[2] = {buffers.vertices, buffers.indices};
  if (names[0] || names[1]) glDeleteBuffers(2, names);
  buffers = {};
}

bool beginSimplerSolids(const SimplerBuffers& buffers) {
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

void drawSimplerSolid(const SimplerBuffers& buffers, int kind, MeshDetail detail, const float* modelview) {
  if (kind < 0 || kind >= KIND_COUNT || detail == MeshDetail::FULL) return;
  const Runs runs = runsSeen(buffers.layouts[detail == MeshDetail::TINY][kind], modelview);
  if (runs.runs) glMultiDrawElements(GL_TRIANGLES, runs.count, GL_UNSIGNED_INT, runs.first, runs.runs);
}

void endSimplerSolids() {
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
