// Picking in OpenGL selection mode, kept as the reference the pickers that
// answer from the model are measured and checked against. Both draw into a one-pixel pick
// region at the mouse through the view's own projection and take the hit
// with the smallest depth. The connection-point picker runs twice: first
// every piece's markers under one name per piece (which piece), then the
// markers of that piece alone, each under its own name (which port).
#include "insertion/picking.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <memory>

#include "insertion/port_markers.h"
#include "model/connection.h"
#include "model/frame_tree.h"
#include "pieces/kind_mesh.h"
#include "view/camera.h"
#include "view/camera_gl.h"
#include "view/gl_tree_walk.h"
#include "view/scene.h"

namespace {

constexpr GLuint NO_NAME = 0;

// ------------------------------------------------------------ marker tree

// Every marker of a piece under one name, never 0, which stands for "no piece".
void drawNamedMarkers(const void*, const PieceRecord& record, int32_t piece) {
  glLoadName(GLuint(piece) + 1);
  drawPortMarkers(record, false);
}

// ------------------------------------------------------ plain primitives

void drawPlainPart(const KindMesh& mesh, const MeshPart& part, uint32_t displayMode) {
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

// With the GL matrix operations the piece's lists hold; the context is the
// view state.
void drawPlainPiece(const void* context, const PieceRecord& record, int32_t piece) {
  const uint32_t displayMode = static_cast<const ViewState*>(context)->displayMode;
  glLoadName(GLuint(piece));
  const KindMesh& mesh = kindMesh(record.kind);
  glPushMatrix();
  if (mesh.turned) glMultMatrixf(mesh.turn.m);
  for (const MeshPart& part : mesh.parts) {
    glPushMatrix();
    if (part.placed) glMultMatrixf(part.placement.m);
    drawPlainPart(mesh, part, displayMode);
    glPopMatrix();
  }
  glPopMatrix();
}

// ---------------------------------------------------------------- selection

// The hit records of one selection, which the GL writes until it is ended.
using SelectBuffer = std::array<GLuint, SELECT_BUFFER_ENTRIES>;

// Selection mode with a one-pixel pick region at the view's mouse, its
// camera's projection behind it and its modelview loaded. Lighting decides
// no hit, so it is off meanwhile: that halves the time of a pick.
void beginSelection(SelectBuffer& buffer, const ViewState& view) {
  const Camera& camera = view.camera;
  GLint viewport[4] = {0, 0, camera.viewportWidth, camera.viewportHeight};
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_LIGHTING);
  glSelectBuffer(SELECT_BUFFER_ENTRIES, buffer.data());
  glRenderMode(GL_SELECT);
  glInitNames();
  glPushName(NO_NAME);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPickMatrix(double(view.mouseX), double(viewport[3] - view.mouseY), 1.0, 1.0, viewport);
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
bool nearestHit(const SelectBuffer& selectBuffer, GLint hits, GLuint& name, uint32_t& depth) {
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
int32_t pickMarkerPiece(const PieceRecord* table, const ViewState& view, PickDepths& depths) {
  SelectBuffer buffer;
  beginSelection(buffer, view);
  glPushMatrix();
  const auto tree = std::make_unique<FrameTree>();
  walkModelInGl(*tree, table, NO_PIECE, drawNamedMarkers);
  glPopMatrix();
  GLuint name = NO_NAME;
  depths.hits = endSelection();
  if (!nearestHit(buffer, depths.hits, name, depths.piece) || name == NO_NAME) return NO_PIECE;
  const int32_t piece = int32_t(name - 1);
  return piece < tree->count ? piece : NO_PIECE;
}

// Second pass: the name of the nearest marker of that piece, 0 for none.
GLuint pickMarkerOf(const PieceRecord* table, int32_t piece, const ViewState& view, PickDepths& depths) {
  SelectBuffer buffer;
  beginSelection(buffer, view);
  const Matrix world = worldPlacement(table[piece]);
  glMultMatrixf(world.m);
  drawPortMarkers(table[piece], true);
  GLuint name = NO_NAME;
  if (!nearestHit(buffer, endSelection(), name, depths.marker)) return NO_NAME;
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
  const auto tree = std::make_unique<FrameTree>();
  walkModelInGl(*tree, table, number, drawNamedMarkers);
}

void drawMarkerForest(const PieceRecord* table) {
  const auto tree = std::make_unique<FrameTree>();
  walkModelInGl(*tree, table, NO_PIECE, drawNamedMarkers);
}

int32_t pickPieceGlSelect(PieceRecord* table, const ViewState& view, SelectDrawing drawing, const Renderer* renderer,
                          PickDepths* depths) {
  if (!table) return -1;
  SelectBuffer buffer;
  beginSelection(buffer, view);
  glPushMatrix();
  if (drawing == SelectDrawing::PlainPrimitives || !renderer) {
    const auto tree = std::make_unique<FrameTree>();
    walkModelInGl(*tree, table, NO_PIECE, drawPlainPiece, &view);
  } else {
    ViewState drawn;
    drawn.displayMode = view.displayMode;
    drawModelTrees(*renderer, table, drawn);
  }
  glPopMatrix();
  GLuint name = NO_NAME;
  PickDepths ignored;
  PickDepths& found = depths ? *depths : ignored;
  found.hits = endSelection();
  if (!nearestHit(buffer, found.hits, name, found.piece)) return -1;
  return int32_t(name);
}

void pickConnectionPointGlSelect(PieceRecord* table, const ViewState& view, PickedPoint& picked, PickDepths* depths) {
  PickDepths ignored;
  PickDepths& found = depths ? *depths : ignored;
  const int32_t piece = table ? pickMarkerPiece(table, view, found) : NO_PIECE;
  if (piece == NO_PIECE) {
    picked.piece = nullptr;
    return;
  }
  const GLuint name = pickMarkerOf(table, piece, view, found);
  picked.portKind = int32_t(name / 100);
  picked.place = float(name % 100);
  picked.piece = &table[piece];
}
