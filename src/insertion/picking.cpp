// Picking in OpenGL selection mode. Both pickers draw into a one-pixel pick
// region at the mouse through the view's own projection and take the hit
// with the smallest depth. The connection-point picker runs twice: first
// every piece's markers under one name per piece (which piece), then the
// markers of that piece alone, each under its own name (which port).
#include "insertion/picking.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cstddef>

#include "model/connection.h"
#include "model/frame_tree.h"
#include "view/camera.h"
#include "view/camera_gl.h"
#include "view/gl_tree_walk.h"
#include "view/scene.h"

int32_t mouseX = 0, mouseY = 0;
PieceRecord* pickedPiece = nullptr;
int32_t pickedPortKind = 1;
float pickedPlace = 1.0f;

namespace {

constexpr GLuint NO_NAME = 0;

// ---------------------------------------------------------------- markers

// Marker names: 100 x port kind + place, so the hole is 1, clip n 100 + n,
// rod end n 200 + n and body place n 300 + n.
constexpr int MAX_MARKERS = 2 + 28;

struct Marker {
  GLuint name;
  Matrix frame;  // outward frame of the port on its piece
};

struct KindMarkers {
  int count;
  Marker markers[MAX_MARKERS];
};

// A port's frame depends only on the piece's kind, so the frames of every
// kind are placed once and reused for every piece of that kind.
KindMarkers markerCache[KIND_COUNT];
bool markerCacheReady = false;

void addMarker(KindMarkers& list, int kind, uint8_t portKind, int place) {
  PieceRecord piece{};
  piece.kind = int16_t(kind);
  ConnectionPoint point = makeConnectionPoint(portKind, double(place));
  placeConnectionPoint(point, piece, true, false);
  list.markers[list.count++] = Marker{GLuint(100 * portKind + place), point.frame};
}

// Clips before the hole, rod ends before body places; kind 16 has none.
void listMarkers(KindMarkers& list, int kind) {
  list.count = 0;
  if (isConnectorKind(kind)) {
    for (int n = 1; n <= clipCount(kind); ++n) addMarker(list, kind, PORT_PINCE, n);
    addMarker(list, kind, PORT_TROU, 1);
  } else if (isRodKind(kind)) {
    for (int n = 1; n <= 2; ++n) addMarker(list, kind, PORT_BOUT, n);
    for (int n = 1; n <= bodyPlaceCount(kind); ++n) addMarker(list, kind, PORT_BARRE, n);
  }
}

const KindMarkers& markersOf(int kind) {
  if (!markerCacheReady) {
    for (int k = 0; k < KIND_COUNT; ++k) listMarkers(markerCache[k], k);
    markerCacheReady = true;
  }
  static const KindMarkers none{};
  return kind >= 0 && kind < KIND_COUNT ? markerCache[kind] : none;
}

// ------------------------------------------------------------ marker tree

FrameTree markerTree;

// Every marker of a piece under one name, never 0, which stands for "no piece".
void drawNamedMarkers(const PieceRecord& record, int32_t piece) {
  glLoadName(GLuint(piece) + 1);
  drawPortMarkers(record, false);
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

// The name of the hit with the smallest minimum depth (compared unsigned);
// equal depths keep the earlier record. False when there is no hit.
bool nearestHit(GLint hits, GLuint& name) {
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
  return found;
}

// First pass: the number of the piece whose markers are nearest, or NO_PIECE.
int32_t pickMarkerPiece(const PieceRecord* table) {
  beginSelection();
  glPushMatrix();
  drawMarkerForest(table);
  glPopMatrix();
  GLuint name = NO_NAME;
  if (!nearestHit(endSelection(), name) || name == NO_NAME) return NO_PIECE;
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
  if (!nearestHit(endSelection(), name)) return NO_NAME;
  return name;
}

}  // namespace

void drawMarkerCube() {
  // Faces wound clockwise seen from outside, as the piece meshes are, so
  // that the view's culling of front faces keeps the near ones.
  const float h = MARKER_HALF_SIZE;
  static const int corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
  glBegin(GL_QUADS);
  for (int axis = 0; axis < 3; ++axis) {
    for (int sign = -1; sign <= 1; sign += 2) {
      // u x v is the outward normal.
      const int u = (axis + 1) % 3, v = (axis + 2) % 3;
      float normal[3] = {0.0f, 0.0f, 0.0f};
      normal[axis] = float(sign);
      glNormal3fv(normal);
      for (const auto& c : corners) {
        float vertex[3];
        vertex[axis] = float(sign) * h;
        vertex[u] = float(c[0]) * h;
        vertex[v] = float(c[1] * sign) * h;
        glVertex3fv(vertex);
      }
    }
  }
  glEnd();
}

void drawPortMarkers(const PieceRecord& piece, bool withNames) {
  glColor3fv(piece.colour);
  const KindMarkers& list = markersOf(piece.kind);
  for (int i = 0; i < list.count; ++i) {
    const Marker& marker = list.markers[i];
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

int32_t pickPiece(PieceRecord* table) {
  if (!table) return -1;
  beginSelection();
  glPushMatrix();
  drawModelTrees(table);
  glPopMatrix();
  GLuint name = NO_NAME;
  if (!nearestHit(endSelection(), name)) return -1;
  return int32_t(name);
}

void pickConnectionPoint(PieceRecord* table) {
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
