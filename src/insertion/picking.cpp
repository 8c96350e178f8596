// Picking in OpenGL selection mode, kept as the reference the pickers that
// answer from the model are measured and checked against. Both draw into a one-pixel pick
// region at the mouse through the view's own projection and take the hit
// with the smallest depth. The connection-point picker runs twice: first
// every piece's markers under one name per piece (which piece), then the
// markers of that piece alone, each under its own name (which port).
#include "insertion/picking.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstddef>
#include <cstdio>

#include "insertion/port_markers.h"
#include "model/connection.h"
#include "model/frame_tree.h"
#include "pieces/kind_mesh.h"
#include "view/camera.h"
#include "view/camera_gl.h"
#include "view/gl_tree_walk.h"
#include "view/scene.h"
#include "view/view_switches.h"

int32_t mouseX = 0, mouseY = 0;
PieceRecord* pickedPiece = nullptr;
int32_t pickedPortKind = 1;
float pickedPlace = 1.0f;
uint32_t pickedPieceDepth = 0;
uint32_t pickedMarkerDepth = 0;

namespace {

constexpr GLuint NO_NAME = 0;

// ------------------------------------------------------------ marker tree

FrameTree markerTree;

// Every marker of a piece under one name, never 0, which stands for "no piece".
void drawNamedMarkers(const void*, const PieceRecord& record, int32_t piece) {
  glLoadName(GLuint(piece) + 1);
  drawPortMarkers(record, false);
}

// ------------------------------------------------------ plain primitives

FrameTree plainTree;

void drawPlainPart(const KindMesh& mesh, const MeshPart& part) {
  if (displayMode & DISPLAY_SOLIDS) {
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < part.triangleCount; ++i)
      for (const Point3& p : mesh.triangles[size_t(part.firstTriangle + i)]) glVertex3f(p.x, p.y, p.z);
    glEnd();
  }
  if (displayMode & DISPLAY_EDGES) {
    glBegin(GL_LINES);
    for (int i = 0; i < part.edgeCount; ++i)
      for (const Point3& p : mesh.edges[size_t(part.firstEdge + i)]) glVertex3f(p.x, p.y, p.z);
    glEnd();
  }
}

// With the GL matrix operations the piece's lists hold.
void drawPlainPiece(const void*, const PieceRecord& record, int32_t piece) {
  glLoadName(GLuint(piece));
  const KindMesh& mesh = kindMesh(record.kind);
  glPushMatrix();
  if (mesh.turned) glMultMatrixf(mesh.turn.m);
  for (const MeshPart& part : mesh.parts) {
    glPushMatrix();
    if (part.placed) glMultMatrixf(part.placement.m);
    drawPlainPart(mesh, part);
    glPopMatrix();
  }
  glPopMatrix();
}

// ---------------------------------------------------------------- selection

GLuint selectBuffer[SELECT_BUFFER_ENTRIES];

// Selection mode with a one-pixel pick region at the mouse, the camera's
// projection behind it and its modelview loaded. Lighting decides no hit, so
// it is off meanwhile: that halves the time of a pick.
void beginSelection() {
  GLint viewport[4] = {0, 0, camera.viewportWidth, camera.viewportHeight};
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_LIGHTING);
  glSelectBuffer(SELECT_BUFFER_ENTRIES, selectBuffer);
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(NO_NAME);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPickMatrix(double(mouseX), double(viewport[3] - mouseY), 1.0, 1.0, viewport);
  glMultMatrixf(projectionOf(camera).m);
  loadCameraModelview(camera);
}

// Back to rendering; the number of hit records, negative on overflow.
GLint endSelection() {
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  const GLint hits = glRenderMode(GL_RENDER);
  glPopAttrib();
  return hits;
}

// The name of the hit with the smallest minimum depth (compared unsigned)
// and that depth; equal depths keep the earlier record. False when there is
// no hit.
bool nearestHit(GLint hits, GLuint& name, uint32_t& depth) {
  if (hits <= 0) return false;
  bool found = false;
  GLuint bestDepth = 0;
  size_t at = 0;
  for (GLint h = 0; h < hits; ++h) {
    if (at + 3 > size_t(SELECT_BUFFER_ENTRIES)) break;
    const size_t names = selectBuffer[at];
    const GLuint minDepth = selectBuffer[at + 1];
    if (names > size_t(SELECT_BUFFER_ENTRIES) - (at + 3)) break;
    const GLuint top = names ? selectBuffer[at + 3 + names - 1] : NO_NAME;
    if (!found || minDepth < bestDepth) {
      found = true;
      bestDepth = minDepth;
      name = top;
    }
    at += 3 + names;
  }
  depth = bestDepth;
  return found;
}

// First pass: the number of the piece whose markers are nearest, or NO_PIECE.
int32_t pickMarkerPiece(const PieceRecord* table) {
  beginSelection();
  glPushMatrix();
  drawMarkerForest(table);
  glPopMatrix();
  GLuint name = NO_NAME;
  if (!nearestHit(endSelection(), name, pickedPieceDepth) || name == NO_NAME) return NO_PIECE;
  const int32_t piece = int32_t(name - 1);
  return piece < markerTree.count ? piece : NO_PIECE;
}

// Second pass: the name of the nearest marker of that piece, 0 for none.
GLuint pickMarkerOf(const PieceRecord* table, int32_t piece) {
  beginSelection();
  const Matrix world = worldPlacement(table[piece]);
  glMultMatrixf(world.m);
  drawPortMarkers(table[piece], true);
  GLuint name = NO_NAME;
  if (!nearestHit(endSelection(), name, pickedMarkerDepth)) return NO_NAME;
  return name;
}

}  // namespace

void drawMarkerCube() {
  // Faces wound clockwise seen from outside, as the piece meshes are, so
  // that the view's culling of front faces keeps the near ones.
  const MarkerCubeFaces& faces = markerCubeFaces();
  glBegin(GL_QUADS);
  for (int face = 0; face < 6; ++face) {
    float normal[3] = {0.0f, 0.0f, 0.0f};
    normal[face / 2] = face % 2 ? 1.0f : -1.0f;
    glNormal3fv(normal);
    for (const Point3& corner : faces[face]) glVertex3f(corner.x, corner.y, corner.z);
  }
  glEnd();
}

void drawPortMarkers(const PieceRecord& piece, bool withNames) {
  glColor3fv(piece.colour);
  const KindMarkers& list = portMarkersOf(piece.kind);
  for (int i = 0; i < list.count; ++i) {
    const PortMarker& marker = list.markers[i];
    if (withNames) glLoadName(marker.name);
    glPushMatrix();
    glMultMatrixf(marker.frame.m);
    drawMarkerCube();
    glPopMatrix();
  }
}

void drawMarkerTree(const PieceRecord* piece, const PieceRecord* table) {
  if (!piece) return;
  const int32_t number = recordNumber(table, piece);
  if (number == NO_PIECE) return;  // not a record of the table: no name to give it
  walkModelInGl(markerTree, table, number, drawNamedMarkers);
}

void drawMarkerForest(const PieceRecord* table) {
  walkModelInGl(markerTree, table, NO_PIECE, drawNamedMarkers);
}

int32_t pickPieceGlSelect(PieceRecord* table, SelectDrawing drawing, const Renderer* renderer) {
  if (!table) return -1;
  beginSelection();
  glPushMatrix();
  if (drawing == SelectDrawing::PlainPrimitives || !renderer) {
    walkModelInGl(plainTree, table, NO_PIECE, drawPlainPiece);
  } else {
    ViewState view;
    view.displayMode = displayMode;
    drawModelTrees(*renderer, table, view);
  }
  glPopMatrix();
  GLuint name = NO_NAME;
  if (!nearestHit(endSelection(), name, pickedPieceDepth)) return -1;
  return int32_t(name);
}

void pickConnectionPointGlSelect(PieceRecord* table) {
  const int32_t piece = table ? pickMarkerPiece(table) : NO_PIECE;
  if (piece == NO_PIECE) {
    pickedPiece = nullptr;
    return;
  }
  const GLuint name = pickMarkerOf(table, piece);
  pickedPortKind = int32_t(name / 100);
  pickedPlace = float(name % 100);
  pickedPiece = &table[piece];
}
