// Display lists of the piece library: one solid and one edge list for each
// sub-part file and each piece kind, compiled once per GL context from the
// one geometry of each kind, and the simpler meshes' lists and buffers.
#include "pieces/piece_library_gl.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <string>

#include "pieces/kind_mesh.h"
#include "pieces/mark_meshes.h"
#include "pieces/simpler_meshes_gl.h"
#include "platform/core_messages.h"
#include "platform/core_text_encoding.h"

namespace {

constexpr int LIBRARY_LIST_COUNT = 2 * SUBPART_COUNT + 2 * KIND_COUNT;  // 50

// The names in a library's block of lists: each sub-part's solid and edge
// list, then each kind's; 0 (which draws nothing) without a block.
unsigned subPartList(const PieceLibrary& library, int index, bool edges) {
  return library.listBase ? library.listBase + 2 * unsigned(index) + (edges ? 1 : 0) : 0;
}
unsigned kindListOf(const PieceLibrary& library, int kind, bool edges) {
  return library.listBase ? library.listBase + 2 * SUBPART_COUNT + 2 * unsigned(kind) + (edges ? 1 : 0) : 0;
}

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

void compileSubPartLists(const PieceLibrary& library, int index) {
  const SubPartMesh& mesh = subPartMesh(index);
  reportProblem(mesh.problem);
  glNewList(subPartList(library, index, false), GL_COMPILE);
  emitFaces(mesh.faces);
  glEndList();
  glNewList(subPartList(library, index, true), GL_COMPILE);
  emitEdges(mesh.edges);
  glEndList();
}

// The kind's turn, then each sub-part's list under its placement, then the
// file's own faces or edges. What its file lacks is reported for each of
// its two lists.
void compileKindList(const PieceLibrary& library, int kind, bool edgeMode) {
  const unsigned list = kindListOf(library, kind, edgeMode);
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
    glCallList(subPartList(library, part.subPart, edgeMode));
    glPopMatrix();
  }
  if (mesh.turned) glPopMatrix();
  glEndList();
}

}  // namespace

namespace {

// The simpler lists: for each kind, coarse solid and edges, tiny solid and
// edges.
unsigned simplerList(const PieceLibrary& library, int kind, MeshDetail detail, bool edges) {
  const unsigned d = detail == MeshDetail::TINY ? 1 : 0;
  return library.simplerBase ? library.simplerBase + 4 * unsigned(kind) + 2 * d + (edges ? 1 : 0) : 0;
}

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
void buildSimplerLists(PieceLibrary& library) {
  for (int k = 0; k < KIND_COUNT; ++k) {
    library.spheres[k] = sphereAround(kindBounds(k));
    library.detailRadii[k] = detailRadiusOf(kindBounds(k));
  }
  library.simplerBase = glGenLists(4 * KIND_COUNT);
  const std::vector<FlatMesh> sets[2] = {loadFlatMeshes(MeshDetail::COARSE), loadFlatMeshes(MeshDetail::TINY)};
  library.simpler = buildSimplerBuffers(sets[0], sets[1]);
  library.marks = markMeshesOf(sets[1]);
  for (const MeshDetail detail : {MeshDetail::COARSE, MeshDetail::TINY}) {
    const std::vector<FlatMesh>& simpler = sets[detail == MeshDetail::TINY];
    for (int k = 0; k < KIND_COUNT; ++k) {
      library.spheres[k] = holdingBoth(library.spheres[k], boundingSphereOf(simpler[size_t(k)]));
      for (const bool edges : {false, true})
        compileFlatList(simplerList(library, k, detail, edges), simpler[size_t(k)], edges);
    }
  }
}

}  // namespace

PieceLibrary buildPieceLibrary() {
  // Without list names (glGenLists gives 0) every list name is 0, which
  // glCallList ignores: the pieces are then simply not drawn.
  PieceLibrary library;
  library.listBase = glGenLists(LIBRARY_LIST_COUNT);
  if (library.listBase) {
    // Sub-part lists first: the kind lists call them.
    for (int i = 0; i < SUBPART_COUNT; ++i) compileSubPartLists(library, i);
    for (int k = 0; k < KIND_COUNT; ++k) {
      compileKindList(library, k, false);
      compileKindList(library, k, true);
    }
  }
  buildSimplerLists(library);
  return library;
}

void deletePieceLibrary(PieceLibrary& library) {
  if (library.listBase) glDeleteLists(library.listBase, LIBRARY_LIST_COUNT);
  if (library.simplerBase) glDeleteLists(library.simplerBase, 4 * KIND_COUNT);
  deleteSimplerBuffers(library.simpler);
  library = PieceLibrary{};
}

unsigned detailKindList(const PieceLibrary& library, int kind, MeshDetail detail, bool edges) {
  if (kind < 0 || kind >= KIND_COUNT) return 0;
  if (detail == MeshDetail::FULL) return kindListOf(library, kind, edges);
  return simplerList(library, kind, detail, edges);
}

BoundingSphere kindBoundingSphere(const PieceLibrary& library, int kind) {
  if (kind < 0 || kind >= KIND_COUNT) return {{0.0f, 0.0f, 0.0f}, 0.0f};
  return library.spheres[kind];
}

float kindDetailRadius(const PieceLibrary& library, int kind) {
  return kind < 0 || kind >= KIND_COUNT ? 0.0f : library.detailRadii[kind];
}

unsigned kindList(const PieceLibrary& library, int kind, bool edges) {
  if (kind < 0 || kind >= KIND_COUNT) return 0;
  return kindListOf(library, kind, edges);
}
