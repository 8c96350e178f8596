#include "view/visible_pieces.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "model/frame_tree.h"
#include "view/piece_drawing.h"

namespace {

struct VisiblePiece {
  float eye[16];  // the modelview the piece is drawn with
  const PieceRecord* record;
  float distance;  // of its sphere's centre in front of the eye
  MeshDetail detail;
};

struct ViewVolume {
  float tanX, tanY;      // half-angles of the view, as slopes
  float pixelsPerSlope;  // pixels across per unit of slope
  DrawDetail detail;
  const PieceLibrary* library;
};

// P = A x B as the GL multiplies its matrices (single precision, the four
// products summed in order), so a piece gets exactly the modelview that
// glMultMatrixf would give it.
void multiplyAsGl(const float* a, const float* b, float* p) {
  for (int i = 0; i < 4; ++i) {
    const float ai0 = a[i], ai1 = a[4 + i], ai2 = a[8 + i], ai3 = a[12 + i];
    for (int j = 0; j < 4; ++j)
      p[4 * j + i] = ai0 * b[4 * j] + ai1 * b[4 * j + 1] + ai2 * b[4 * j + 2] + ai3 * b[4 * j + 3];
  }
}

float largestAxisScale(const float* m) {
  float largest = 0.0f;
  for (int c = 0; c < 3; ++c)
    largest = std::max(largest, m[4 * c] * m[4 * c] + m[4 * c + 1] * m[4 * c + 1] + m[4 * c + 2] * m[4 * c + 2]);
  return std::sqrt(largest);
}

bool outsideSide(float across, float distance, float slope, float radius) {
  return (across - slope * distance) / std::sqrt(1.0f + slope * slope) > radius;
}

// Whether the piece drawn with this modelview can show, and how coarse.
bool classify(const float* eye, int kind, const ViewVolume& volume, VisiblePiece& out) {
  const BoundingSphere sphere = kindBoundingSphere(*volume.library, kind);
  if (sphere.radius <= 0.0f) return false;  // nothing to draw
  const Point3& c = sphere.centre;
  const float x = eye[0] * c.x + eye[4] * c.y + eye[8] * c.z + eye[12];
  const float y = eye[1] * c.x + eye[5] * c.y + eye[9] * c.z + eye[13];
  const float distance = -(eye[2] * c.x + eye[6] * c.y + eye[10] * c.z + eye[14]);
  const float radius = sphere.radius * largestAxisScale(eye);
  out.distance = 0.0f;
  out.detail = MeshDetail::FULL;
  if (!std::isfinite(x + y + distance + radius)) return true;  // no telling: draw it, in full
  if (distance + radius < float(NEAR_PLANE) || distance - radius > float(FAR_PLANE)) return false;
  if (outsideSide(x, distance, volume.tanX, radius) || outsideSide(-x, distance, volume.tanX, radius) ||
      outsideSide(y, distance, volume.tanY, radius) || outsideSide(-y, distance, volume.tanY, radius))
    return false;
  out.distance = distance;
  if (volume.detail == DrawDetail::AUTO && distance > radius) {
    const float across = 2.0f * kindDetailRadius(*volume.library, kind) * largestAxisScale(eye) / distance * volume.pixelsPerSlope;
    if (across < COARSE_BELOW_PIXELS) out.detail = across < TINY_BELOW_PIXELS ? MeshDetail::TINY : MeshDetail::COARSE;
  }
  return true;
}

// The eye matrix of each piece on the walk's path, by depth, and the pieces
// found visible, in drawing order: one entry per piece of the table at most,
// made for each frame (a frame of a large model takes far longer to draw).
struct VisibleWalk {
  const PieceRecord* table;
  const ViewState* view;
  ViewVolume volume;
  float (*pathEye)[16];
  VisiblePiece* visible;
  int depth;
  int count;
};

void enterPiece(void* context, int32_t piece) {
  VisibleWalk& walk = *static_cast<VisibleWalk*>(context);
  const PieceRecord& record = walk.table[piece];
  float* eye = walk.pathEye[walk.depth + 1];
  multiplyAsGl(walk.pathEye[walk.depth], record.matrix.m, eye);
  ++walk.depth;
  VisiblePiece& next = walk.visible[walk.count];
  if (hiddenPiece(record, *walk.view) || !classify(eye, record.kind, walk.volume, next)) return;
  std::copy(eye, eye + 16, next.eye);
  next.record = &record;
  ++walk.count;
}

void leavePiece(void* context, int32_t) { --static_cast<VisibleWalk*>(context)->depth; }

ViewVolume viewVolumeOf(const Camera& camera, DrawDetail detail, const PieceLibrary& library) {
  const float tanY = float(std::tan(FIELD_OF_VIEW * 0.5 * 3.14159265358979323846 / 180.0));
  const float aspect = float(camera.viewportWidth) / float(std::max(camera.viewportHeight, 1));
  return {tanY * aspect, tanY, 0.5f * float(camera.viewportHeight) / tanY, detail, &library};
}

// The piece nearest the eye is the one looked at closely: full detail.
void keepNearestFull(VisiblePiece* visible, int count) {
  int nearest = -1;
  for (int i = 0; i < count; ++i)
    if (nearest < 0 || visible[i].distance < visible[nearest].distance) nearest = i;
  if (nearest >= 0) visible[nearest].detail = MeshDetail::FULL;
}

void drawVisible(const PieceLibrary& library, const ViewState& view, const VisiblePiece& piece, bool buffered) {
  const float* c = piece.record->colour;
  const int kind = piece.record->kind;
  const uint32_t displayMode = view.displayMode;
  glLoadMatrixf(piece.eye);
  if (drawnHighlighted(*piece.record, view, detailKindList(library, kind, piece.detail, false),
                       detailKindList(library, kind, piece.detail, true)))
    return;
  // As drawPiece: edges over solids at half brightness.
  glColor4fv(c);
  if ((displayMode & DISPLAY_SOLIDS) && buffered && piece.detail != MeshDetail::FULL)
    drawSimplerSolid(library.simpler, kind, piece.detail, piece.eye);
  else if (displayMode & DISPLAY_SOLIDS)
    glCallList(detailKindList(library, kind, piece.detail, false));
  if ((displayMode & DISPLAY_SOLIDS) && (displayMode & DISPLAY_EDGES))
    glColor3f(c[0] * 0.5f, c[1] * 0.5f, c[2] * 0.5f);
  if (displayMode & DISPLAY_EDGES) glCallList(detailKindList(library, kind, piece.detail, true));
}

}  // namespace

void drawVisiblePieces(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  const PieceLibrary& library = renderer.pieces;
  const DrawDetail detail = view.drawing.detail;
  const auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, table);
  const auto pathEye = std::make_unique_for_overwrite<float[][16]>(size_t(tree->count) + 1);
  const auto visible = std::make_unique_for_overwrite<VisiblePiece[]>(size_t(tree->count));
  glGetFloatv(GL_MODELVIEW_MATRIX, pathEye[0]);
  VisibleWalk walk{table, &view, viewVolumeOf(view.camera, detail, library), pathEye.get(), visible.get(), 0, 0};
  walkFrameForest(*tree, FrameVisitor{enterPiece, leavePiece, &walk});
  keepNearestFull(visible.get(), walk.count);
  // Nearest first, so that the GL's depth test spares the hidden pieces'
  // pixels; at full detail the table's order stays, which decides between
  // faces at equal depth exactly as before.
  if (detail == DrawDetail::AUTO)
    std::sort(visible.get(), visible.get() + walk.count,
              [](const VisiblePiece& a, const VisiblePiece& b) { return a.distance < b.distance; });
  const bool buffered = beginSimplerSolids(library.simpler);
  for (int i = 0; i < walk.count; ++i) drawVisible(library, view, visible[i], buffered);
  if (buffered) endSimplerSolids();
  glLoadMatrixf(pathEye[0]);
}
