#include "insertion/port_markers.h"

#include <algorithm>
#include <cmath>

#include "model/connection.h"
#include "model/model_table.h"

namespace {

// A port's frame depends only on the piece's kind, so the frames of every
// kind are placed once and reused for every piece of that kind.
KindMarkers markerCache[KIND_COUNT];
bool markerCacheReady = false;

void addMarker(KindMarkers& list, int kind, uint8_t portKind, int place) {
  PieceRecord piece{};
  piece.kind = int16_t(kind);
  ConnectionPoint point = makeConnectionPoint(portKind, double(place));
  placeConnectionPoint(point, piece, true, false);
  list.markers[list.count++] = PortMarker{uint32_t(100 * portKind + place), point.frame};
}

// Around the origins of the port frames, plus a cube's half diagonal.
void boundMarkers(KindMarkers& list) {
  float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  for (int i = 0; i < list.count; ++i)
    for (int a = 0; a < 3; ++a) {
      const float v = list.markers[i].frame.m[12 + a];
      low[a] = i ? std::min(low[a], v) : v;
      high[a] = i ? std::max(high[a], v) : v;
    }
  double r2 = 0.0;
  for (int a = 0; a < 3; ++a) list.centre[a] = 0.5f * (low[a] + high[a]);
  for (int i = 0; i < list.count; ++i) {
    double d2 = 0.0;
    for (int a = 0; a < 3; ++a) d2 += std::pow(double(list.markers[i].frame.m[12 + a]) - list.centre[a], 2);
    r2 = std::max(r2, d2);
  }
  list.radius = float(std::sqrt(r2) + std::sqrt(3.0) * MARKER_HALF_SIZE) * 1.001f + 0.01f;
}

void listMarkers(KindMarkers& list, int kind) {
  list.count = 0;
  if (isConnectorKind(kind)) {
    for (int n = 1; n <= clipCount(kind); ++n) addMarker(list, kind, PORT_PINCE, n);
    addMarker(list, kind, PORT_TROU, 1);
  } else if (isRodKind(kind)) {
    for (int n = 1; n <= 2; ++n) addMarker(list, kind, PORT_BOUT, n);
    for (int n = 1; n <= bodyPlaceCount(kind); ++n) addMarker(list, kind, PORT_BARRE, n);
  }
  boundMarkers(list);
}

}  // namespace

const MarkerCubeFaces& markerCubeFaces() {
  // Corners (-1 -1) (-1 1) (1 1) (1 -1) in the face's two other axes u, v,
  // v flipped with the side: u x v is then the outward normal.
  static MarkerCubeFaces faces;
  static bool ready = false;
  if (ready) return faces;
  const float h = MARKER_HALF_SIZE;
  static const int corners[4][2] = {{-1, -1}, {-1, 1}, {1, 1}, {1, -1}};
  for (int face = 0; face < 6; ++face) {
    const int axis = face / 2, sign = face % 2 ? 1 : -1;
    const int u = (axis + 1) % 3, v = (axis + 2) % 3;
    for (int c = 0; c < 4; ++c) {
      float vertex[3];
      vertex[axis] = float(sign) * h;
      vertex[u] = float(corners[c][0]) * h;
      vertex[v] = float(corners[c][1] * sign) * h;
      faces[face][c] = Point3{vertex[0], vertex[1], vertex[2]};
    }
  }
  ready = true;
  return faces;
}

const KindMarkers& portMarkersOf(int kind) {
  if (!markerCacheReady) {
    for (int k = 0; k < KIND_COUNT; ++k) listMarkers(markerCache[k], k);
    markerCacheReady = true;
  }
  static const KindMarkers none{};
  return kind >= 0 && kind < KIND_COUNT ? markerCache[kind] : none;
}
