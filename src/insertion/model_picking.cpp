// The pickers on the CPU. The model is walked in the order the selection
// pickers draw it (roots in table order, each followed at once by its
// frame), every piece's eye matrix composed onto its frame parent's in
// single precision as the GL's matrix stack does; a piece whose bounding
// sphere misses the pixel's frustum is passed over, the others are met
// triangle by triangle. One hit record per piece hit, as the GL makes them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>

#include "insertion/pick_volume.h"
#include "insertion/picking.h"
#include "insertion/port_markers.h"
#include "model/frame_tree.h"
#include "pieces/kind_mesh.h"
#include "view/camera.h"

namespace {

// What a pick meets: the pixel's volume and the view's display mode.
struct PickSight {
  PickVolume volume;
  uint32_t displayMode;
};

using PieceMeeter = HitDepth (*)(const PieceRecord& record, const Matrix& eye, const PickSight& sight);

// eyeStack: the eye matrix of each piece on the path of the walk, by depth.
struct PickWalk {
  const PieceRecord* table;
  const PickSight* sight;
  PieceMeeter meet;
  Matrix* eyeStack;
  int depth;
  HitRecords records;
};

void eyeCentre(const Matrix& eye, const float local[3], float centre[3]) {
  for (int r = 0; r < 3; ++r)
    centre[r] = eye.m[r] * local[0] + eye.m[4 + r] * local[1] + eye.m[8 + r] * local[2] + eye.m[12 + r];
}

// The largest stretch the matrix gives a length, for the bounding sphere.
float stretch(const Matrix& m) {
  float largest = 0.0f;
  for (int c = 0; c < 3; ++c) {
    const float* col = &m.m[4 * c];
    largest = std::max(largest, std::sqrt(col[0] * col[0] + col[1] * col[1] + col[2] * col[2]));
  }
  return largest;
}

// Whether a sphere of the kind's frame may meet the volume; the margin
// covers the rounding between the bound's and the GL's composition.
bool boundMayMeet(const Matrix& eye, const float local[3], float radius, const PickVolume& volume) {
  float centre[3];
  eyeCentre(eye, local, centre);
  const float r = radius * stretch(eye);
  return sphereMayMeet(volume, centre, r * 1.001f + 0.01f);
}

void meetPart(const KindMesh& mesh, const MeshPart& part, const Matrix& mvp, uint32_t displayMode, HitDepth& hit) {
  if (displayMode & DISPLAY_SOLIDS)
    for (int i = 0; i < part.triangleCount; ++i)
      meetTriangle(mvp, mesh.triangles[size_t(part.firstTriangle + i)].data(), hit);
  if (displayMode & DISPLAY_EDGES)
    for (int i = 0; i < part.edgeCount; ++i) meetSegment(mvp, mesh.edges[size_t(part.firstEdge + i)].data(), hit);
}

// The piece's lists as drawn: turned rods, each sub-part under its placement.
HitDepth meetPiece(const PieceRecord& record, const Matrix& eye, const PickSight& sight) {
  HitDepth hit;
  const KindMesh& mesh = kindMesh(record.kind);
  const PickVolume& volume = sight.volume;
  if (mesh.parts.empty() || !(sight.displayMode & (DISPLAY_SOLIDS | DISPLAY_EDGES))) return hit;
  const float centre[3] = {mesh.centre.x, mesh.centre.y, mesh.centre.z};
  if (!boundMayMeet(eye, centre, mesh.radius, volume)) return hit;
  const Matrix kindEye = mesh.turned ? multiplyAsGl(eye, mesh.turn) : eye;
  for (const MeshPart& part : mesh.parts) {
    const Matrix partEye = part.placed ? multiplyAsGl(kindEye, part.placement) : kindEye;
    const float partCentre[3] = {part.centre.x, part.centre.y, part.centre.z};
    if (boundMayMeet(partEye, partCentre, part.radius, volume))
      meetPart(mesh, part, multiplyAsGl(volume.projection, partEye), sight.displayMode, hit);
  }
  return hit;
}

void meetMarker(const PortMarker& marker, const Matrix& eye, const PickVolume& volume, HitDepth& hit) {
  const Matrix mvp = multiplyAsGl(volume.projection, multiplyAsGl(eye, marker.frame));
  for (const auto& face : markerCubeFaces()) {
    const Point3 first[3] = {face[0], face[1], face[2]};
    const Point3 second[3] = {face[0], face[2], face[3]};
    meetTriangle(mvp, first, hit);
    meetTriangle(mvp, second, hit);
  }
}

// Every marker of the piece as one hit.
HitDepth meetMarkers(const PieceRecord& record, const Matrix& eye, const PickSight& sight) {
  HitDepth hit;
  const PickVolume& volume = sight.volume;
  const KindMarkers& list = portMarkersOf(record.kind);
  if (list.count == 0 || !boundMayMeet(eye, list.centre, list.radius, volume)) return hit;
  for (int i = 0; i < list.count; ++i) meetMarker(list.markers[i], eye, volume, hit);
  return hit;
}

void enterPiece(void* context, int32_t piece) {
  PickWalk& walk = *static_cast<PickWalk*>(context);
  const PieceRecord& record = walk.table[piece];
  walk.eyeStack[walk.depth + 1] = multiplyAsGl(walk.eyeStack[walk.depth], record.matrix);
  ++walk.depth;
  addHitRecord(walk.records, piece, walk.meet(record, walk.eyeStack[walk.depth], *walk.sight));
}

void leavePiece(void* context, int32_t) { --static_cast<PickWalk*>(context)->depth; }

// The nearest piece as the meeter sees it, or NO_PIECE.
int32_t pickNearest(const PieceRecord* table, const Camera& camera, const PickSight& sight, PieceMeeter meet,
                    PickDepths& depths) {
  const auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, table);
  const auto eyeStack = std::make_unique_for_overwrite<Matrix[]>(size_t(tree->count) + 1);
  PickWalk walk{table, &sight, meet, eyeStack.get(), 0, {}};
  eyeStack[0] = modelviewOf(camera);
  walkFrameForest(*tree, FrameVisitor{enterPiece, leavePiece, &walk});
  depths.piece = walk.records.bestDepth;
  depths.hits = walk.records.count;
  return nearestName(walk.records);
}

// The name of the nearest marker of the piece at its world placement, 0
// for none; each marker is a hit of its own.
int32_t pickMarkerOf(const PieceRecord& record, const Camera& camera, const PickVolume& volume, PickDepths& depths) {
  const Matrix eye = multiplyAsGl(modelviewOf(camera), worldPlacement(record));
  const KindMarkers& list = portMarkersOf(record.kind);
  HitRecords records;
  for (int i = 0; i < list.count; ++i) {
    HitDepth hit;
    meetMarker(list.markers[i], eye, volume, hit);
    addHitRecord(records, int32_t(list.markers[i].name), hit);
  }
  depths.marker = records.bestDepth;
  const int32_t name = nearestName(records);
  return name < 0 ? 0 : name;
}

}  // namespace

int32_t pickPiece(PieceRecord* table, const ViewState& view, PickDepths* depths) {
  if (!table) return -1;
  PickDepths ignored;
  const PickSight sight{pickVolumeAt(view.camera, view.mouseX, view.mouseY), view.displayMode};
  const int32_t piece = pickNearest(table, view.camera, sight, meetPiece, depths ? *depths : ignored);
  return piece == NO_PIECE ? -1 : piece;
}

void pickConnectionPoint(PieceRecord* table, const ViewState& view, PickedPoint& picked, PickDepths* depths) {
  PickDepths ignored;
  PickDepths& found = depths ? *depths : ignored;
  const PickSight sight{pickVolumeAt(view.camera, view.mouseX, view.mouseY), view.displayMode};
  const int32_t piece = table ? pickNearest(table, view.camera, sight, meetMarkers, found) : NO_PIECE;
  if (piece == NO_PIECE) {
    picked.piece = nullptr;
    return;
  }
  const int32_t name = pickMarkerOf(table[piece], view.camera, sight.volume, found);
  picked.portKind = name / 100;
  picked.place = float(name % 100);
  picked.piece = &table[piece];
}
