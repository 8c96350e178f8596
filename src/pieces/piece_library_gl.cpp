// Display lists of the piece library: one solid and one edge list for each
// sub-part file and each piece kind, compiled once per GL context from the
// one geometry of each kind.
#include "pieces/piece_library_gl.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "pieces/kind_mesh.h"
#include "pieces/simpler_meshes_gl.h"
#include "platform/core_messages.h"
#include "platform/core_text_encoding.h"

unsigned subPartSolidList[SUBPART_COUNT];
unsigned subPartEdgeList[SUBPART_COUNT];
unsigned kindSolidList[KIND_COUNT];
unsigned kindEdgeList[KIND_COUNT];

namespace {

constexpr int LIBRARY_LIST_COUNT = 2 * SUBPART_COUNT + 2 * KIND_COUNT;  // 50

// (P1 - P0) x (P1 - P2), left unnormalised: the context normalises normals.
void emitFaceNormal(const Point3& p0, const Point3& p1, const Point3& p2) {
  const float ax = p1.x - p0.x, ay = p1.y - p0.y, az = p1.z - p0.z;
  const float bx = p1.x - p2.x, by = p1.y - p2.y, bz = p1.z - p2.z;
  glNormal3f(ay * bz - az * by, az * bx - ax * bz, ax * by - ay * bx);
}

void emitVertex(const Point3& p) { glVertex3f(p.x, p.y, p.z); }

void emitEdges(std::span<const MeshEdge> edges) {
  glBegin(GL_LINES);
  for (const MeshEdge& e : edges) {
    emitVertex(e[0]);
    emitVertex(e[1]);
  }
  glEnd();
}

// A file's faces are its quadrilaterals then its triangles: one block of
// each, as the file's lines were always sent.
void emitFaces(std::span<const MeshFace> faces) {
  for (const int count : {4, 3}) {
    glBegin(count == 4 ? GL_QUADS : GL_TRIANGLES);
    for (const MeshFace& f : faces) {
      if (f.count != count) continue;
      emitFaceNormal(f.p[0], f.p[1], f.p[2]);
      for (int k = 0; k < count; ++k) emitVertex(f.p[k]);
    }
    glEnd();
  }
}

void reportProblem(const std::string& problem) {
  if (!problem.empty()) showMessage(problem.c_str(), "Erreur lors de l'ouverture de la pièce", ICON_NONE);
}

void compileSubPartLists(int index) {
  const SubPartMesh& mesh = subPartMesh(index);
  reportProblem(mesh.problem);
  glNewList(subPartSolidList[index], GL_COMPILE);
  emitFaces(mesh.faces);
  glEndList();
  glNewList(subPartEdgeList[index], GL_COMPILE);
  emitEdges(mesh.edges);
  glEndList();
}

// The kind's turn, then each sub-part's list under its placement, then the
// file's own faces or edges. What its file lacks is reported for each of
// its two lists.
void compileKindList(int kind, unsigned list, bool edgeMode) {
  const KindMesh& mesh = kindMesh(kind);
  reportProblem(mesh.problem);
  for (const std::string& name : mesh.unknownSubParts)
    showMessage(cp1252ToUtf8(name).c_str(), "Non trouvé", ICON_ERROR);
  glNewList(list, GL_COMPILE);
  if (mesh.turned) {
    glPushMatrix();
    glMultMatrixf(mesh.turn.m);
  }
  for (const MeshPart& part : mesh.parts) {
    if (!part.placed) {
      if (edgeMode)
        emitEdges(std::span(mesh.edges).subspan(size_t(part.firstEdge), size_t(part.edgeCount)));
      else
        emitFaces(std::span(mesh.faces).subspan(size_t(part.firstFace), size_t(part.faceCount)));
      continue;
    }
    glPushMatrix();
    glMultMatrixf(part.placement.m);
    glCallList(edgeMode ? subPartEdgeList[part.subPart] : subPartSolidList[part.subPart]);
    glPopMatrix();
  }
  if (mesh.turned) glPopMatrix();
  glEndList();
}

}  // namespace

namespace {
void nameLists(unsigned base) {
  for (int i = 0; i < SUBPART_COUNT; ++i) {
    subPartSolidList[i] = base ? base + 2 * i : 0;
    subPartEdgeList[i] = base ? base + 2 * i + 1 : 0;
  }
  for (int k = 0; k < KIND_COUNT; ++k) {
    kindSolidList[k] = base ? base + 2 * SUBPART_COUNT + 2 * k : 0;
    kindEdgeList[k] = base ? base + 2 * SUBPART_COUNT + 2 * k + 1 : 0;
  }
}
}  // namespace

namespace {

// The simpler lists: [coarse or tiny][kind][solid or edges].
unsigned simplerLists[2][KIND_COUNT][2];
BoundingSphere kindSpheres[KIND_COUNT];
float detailRadii[KIND_COUNT];

float detailRadiusOf(const Box& box) {
  if (isEmpty(box)) return 0.0f;
  float sides[3];
  for (int a = 0; a < 3; ++a) sides[a] = box.high[a] - box.low[a];
  std::sort(sides, sides + 3);
  sides[2] = sides[1];
  return 0.5f * std::sqrt(sides[0] * sides[0] + sides[1] * sides[1] + sides[2] * sides[2]);
}

void emitFlatFaces(const FlatMesh& mesh) {
  int open = 0;  // corners of the primitive begun, 0 when none is
  for (const MeshFace& f : mesh.faces) {
    if (f.count != open) {
      if (open) glEnd();
      glBegin(f.count == 4 ? GL_QUADS : GL_TRIANGLES);
      open = f.count;
    }
    emitFaceNormal(f.p[0], f.p[1], f.p[2]);
    for (int k = 0; k < f.count; ++k) emitVertex(f.p[k]);
  }
  if (open) glEnd();
}

void emitFlatEdges(const FlatMesh& mesh) {
  glBegin(GL_LINES);
  for (const Point3& p : mesh.edges) emitVertex(p);
  glEnd();
}

BoundingSphere holdingBoth(const BoundingSphere& a, const BoundingSphere& b) {
  const float dx = b.centre.x - a.centre.x, dy = b.centre.y - a.centre.y, dz = b.centre.z - a.centre.z;
  return {a.centre, std::max(a.radius, std::sqrt(dx * dx + dy * dy + dz * dz) + b.radius)};
}

void compileFlatList(unsigned list, const FlatMesh& mesh, bool edges) {
  if (!list) return;
  glNewList(list, GL_COMPILE);
  if (edges)
    emitFlatEdges(mesh);
  else
    emitFlatFaces(mesh);
  glEndList();
}

// Only the simpler meshes are flattened into lists: at full detail the
// nested lists stay, since a flat one draws a few pixels differently
// (sub-part corners rounded once more, and edge lines lit by the current
// normal turned with each sub-part's placement).
void buildSimplerLists() {
  for (int k = 0; k < KIND_COUNT; ++k) {
    kindSpheres[k] = sphereAround(kindBounds(k));
    detailRadii[k] = detailRadiusOf(kindBounds(k));
  }
  const unsigned base = glGenLists(4 * KIND_COUNT);
  const std::vector<FlatMesh> sets[2] = {loadFlatMeshes(MeshDetail::COARSE), loadFlatMeshes(MeshDetail::TINY)};
  buildSimplerBuffers(sets[0], sets[1]);
  for (int d = 0; d < 2; ++d) {
    const std::vector<FlatMesh>& simpler = sets[d];
    for (int k = 0; k < KIND_COUNT; ++k) {
      kindSpheres[k] = holdingBoth(kindSpheres[k], boundingSphereOf(simpler[k]));
      for (int e = 0; e < 2; ++e) {
        simplerLists[d][k][e] = base ? base + 4 * k + 2 * d + e : 0;
        compileFlatList(simplerLists[d][k][e], simpler[k], e);
      }
    }
  }
}

}  // namespace

void buildPieceLibrary() {
  // Without list names (glGenLists gives 0) every list name stays 0, which
  // glCallList ignores: the pieces are then simply not drawn.
  const unsigned base = glGenLists(LIBRARY_LIST_COUNT);
  nameLists(base);
  if (base) {
    // Sub-part lists first: the kind lists call them.
    for (int i = 0; i < SUBPART_COUNT; ++i) compileSubPartLists(i);
    for (int k = 0; k < KIND_COUNT; ++k) {
      compileKindList(k, kindSolidList[k], false);
      compileKindList(k, kindEdgeList[k], true);
    }
  }
  buildSimplerLists();
}

void deletePieceLibrary() {
  if (subPartSolidList[0]) glDeleteLists(subPartSolidList[0], LIBRARY_LIST_COUNT);
  if (simplerLists[0][0][0]) glDeleteLists(simplerLists[0][0][0], 4 * KIND_COUNT);
  deleteSimplerBuffers();
  forgetPieceLibrary();
}

void forgetPieceLibrary() {
  nameLists(0);
  forgetSimplerBuffers();
  for (auto& detail : simplerLists)
    for (auto& lists : detail) lists[0] = lists[1] = 0;
}

unsigned detailKindList(int kind, MeshDetail detail, bool edges) {
  if (kind < 0 || kind >= KIND_COUNT) return 0;
  if (detail == MeshDetail::FULL) return kindList(kind, edges);
  return simplerLists[detail == MeshDetail::TINY][kind][edges];
}

BoundingSphere kindBoundingSphere(int kind) {
  if (kind < 0 || kind >= KIND_COUNT) return {{0.0f, 0.0f, 0.0f}, 0.0f};
  return kindSpheres[kind];
}

float kindDetailRadius(int kind) { return kind < 0 || kind >= KIND_COUNT ? 0.0f : detailRadii[kind]; }

unsigned kindList(int kind, bool edges) {
  if (kind < 0 || kind >= KIND_COUNT) return 0;
  return edges ? kindEdgeList[kind] : kindSolidList[kind];
}
