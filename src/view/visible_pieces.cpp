#include "view/visible_pieces.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "model/frame_tree.h"
#include "view/model_batch.h"
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

float largestAxisScale(const float* m) {
  float largest = 0.0f;
  for (int c = 0; c < 3; ++c)
    largest = std::max(largest, m[4 * c] * m[4 * c] + m[4 * c + 1] * m[4 * c + 1] + m[4 * c + 2] * m[4 * c + 2]);
  return std::sqrt(largest);
}

bool outsideSide(float across, float distance, float slope, float radius) {
  return (across - slope * distance) / std::sqrt(1.0f + slope * slope) > radius;
}

// Whether a sphere at (x, y, -distance) from the eye can show.
bool inSight(float x, float y, float distance, float radius, const ViewVolume& volume) {
  if (distance + radius < float(NEAR_PLANE) || distance - radius > float(FAR_PLANE)) return false;
  return !(outsideSide(x, distance, volume.tanX, radius) || outsideSide(-x, distance, volume.tanX, radius) ||
           outsideSide(y, distance, volume.tanY, radius) || outsideSide(-y, distance, volume.tanY, radius));
}

MeshDetail detailForPixels(float across) {
  return across >= COARSE_BELOW_PIXELS ? MeshDetail::FULL
         : across >= TINY_BELOW_PIXELS ? MeshDetail::COARSE
                                       : MeshDetail::TINY;
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
  if (!inSight(x, y, distance, radius, volume)) return false;
  out.distance = distance;
  if (volume.detail == DrawDetail::AUTO && distance > radius)
    out.detail = detailForPixels(2.0f * kindDetailRadius(*volume.library, kind) * largestAxisScale(eye) / distance *
                                 volume.pixelsPerSlope);
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

void drawNearestFirst(const PieceLibrary& library, const ViewState& view, VisiblePiece* visible, int count) {
  std::sort(visible, visible + count, [](const VisiblePiece& a, const VisiblePiece& b) { return a.distance < b.distance; });
  const bool buffered = beginSimplerSolids(library.simpler);
  for (int i = 0; i < count; ++i) drawVisible(library, view, visible[i], buffered);
  if (buffered) endSimplerSolids();
}

// The runs of the batch's index buffer a frame draws; a piece right after
// the last one drawn lengthens its run.
struct BatchRuns {
  std::vector<uint32_t> firsts;
  std::vector<int32_t> counts;
  void add(const BatchPiece& piece) {
    if (!firsts.empty() && firsts.back() + uint32_t(counts.back()) == piece.firstIndex)
      counts.back() += int32_t(piece.indexCount);
    else
      firsts.push_back(piece.firstIndex), counts.push_back(int32_t(piece.indexCount));
  }
};

// While the view moves: the pieces seen below MARK_BELOW_PIXELS as marks
// from the batch, in one draw when the whole model is in sight; the others,
// and the highlighted ones, as the still picture draws them.
void drawMovingPieces(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  const PieceLibrary& library = renderer.pieces;
  const ModelBatch& batch = *renderer.batch;
  float eyeOfModel[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, eyeOfModel);
  const float* v = eyeOfModel;
  const ViewVolume volume = viewVolumeOf(view.camera, DrawDetail::AUTO, library);
  std::vector<VisiblePiece> near;
  BatchRuns runs;
  for (size_t i = 0; i < batch.pieces.size(); ++i) {
    const BatchPiece& piece = batch.pieces[i];
    if (piece.kind < 0 || hiddenPiece(table[i], view)) continue;
    const Point3& c = piece.centre;
    const float x = v[0] * c.x + v[4] * c.y + v[8] * c.z + v[12];
    const float y = v[1] * c.x + v[5] * c.y + v[9] * c.z + v[13];
    const float distance = -(v[2] * c.x + v[6] * c.y + v[10] * c.z + v[14]);
    if (std::isfinite(x + y + distance + piece.radius) && !inSight(x, y, distance, piece.radius, volume)) continue;
    const float across = distance > piece.radius ? piece.detailSize / distance * volume.pixelsPerSlope : HUGE_VALF;
    if (across < MARK_BELOW_PIXELS && !highlightedPiece(table[i], view)) {
      runs.add(piece);
      continue;
    }
    VisiblePiece& drawn = near.emplace_back();
    multiplyAsGl(eyeOfModel, piece.world.m, drawn.eye);
    drawn.record = &table[i];
    drawn.distance = distance;
    drawn.detail = std::isfinite(across) ? detailForPixels(across) : MeshDetail::FULL;
  }
  keepNearestFull(near.data(), int(near.size()));
  drawNearestFirst(library, view, near.data(), int(near.size()));
  glLoadMatrixf(eyeOfModel);
  drawBatchRuns(batch, runs.firsts, runs.counts);
}

}  // namespace

void drawVisiblePieces(const Renderer& renderer, const PieceRecord* table, const ViewState& view) {
  if (view.drawing.moving && view.drawing.detail == DrawDetail::AUTO && view.displayMode == DISPLAY_SOLIDS &&
      updateModelBatch(*renderer.batch, renderer.pieces, table))
    return drawMovingPieces(renderer, table, view);
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
  if (detail == DrawDetail::AUTO) {
    drawNearestFirst(library, view, visible.get(), walk.count);
  } else {
    const bool buffered = beginSimplerSolids(library.simpler);
    for (int i = 0; i < walk.count; ++i) drawVisible(library, view, visible[i], buffered);
    if (buffered) endSimplerSolids();
  }
  glLoadMatrixf(pathEye[0]);
}
