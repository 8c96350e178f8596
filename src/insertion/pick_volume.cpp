#include "insertion/pick_volume.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "insertion/picking.h"

namespace {

struct ClipVertex {
  float x, y, z, w;
};

// Row by row, summed left to right, as the vertex stage applies the matrix
// (of the orders tried, the one that meets the GL's depths most often).
float transformed(const float* e, int row, const Point3& p) {
  return ((e[row] * p.x + e[4 + row] * p.y) + e[8 + row] * p.z) + e[12 + row];
}

ClipVertex toClip(const Matrix& mvp, const Point3& p) {
  const float* e = mvp.m;
  return {transformed(e, 0, p), transformed(e, 1, p), transformed(e, 2, p), transformed(e, 3, p)};
}

// The clipper's planes in its order: right, left, top, bottom, near, far.
float planeDistance(const ClipVertex& v, int plane) {
  switch (plane) {
    case 0: return v.w - v.x;
    case 1: return v.w + v.x;
    case 2: return v.w - v.y;
    case 3: return v.w + v.y;
    case 4: return v.w + v.z;
    default: return v.w - v.z;
  }
}

unsigned outsideMask(const ClipVertex& v) {
  unsigned mask = 0;
  for (int plane = 0; plane < 6; ++plane)
    if (planeDistance(v, plane) < 0.0f) mask |= 1u << plane;
  return mask;
}

// out + t (in - out), the clipper's interpolation.
ClipVertex between(const ClipVertex& out, const ClipVertex& in, float t) {
  return {out.x + t * (in.x - out.x), out.y + t * (in.y - out.y), out.z + t * (in.z - out.z),
          out.w + t * (in.w - out.w)};
}

void reach(HitDepth& hit, const ClipVertex& v) {
  const float z = v.z * (1.0f / v.w) * 0.5f + 0.5f;
  hit.hit = true;
  if (z < hit.depth) hit.depth = z;
}

bool differentSigns(float a, float b) { return a * b <= 0.0f && a - b != 0.0f; }

// Sutherland-Hodgman against the planes the corners lie outside of; every
// corner of what remains is reached.
constexpr int MAX_CLIPPED = 3 + 6;

void clipPolygon(const ClipVertex* corners, int n, unsigned planes, HitDepth& hit) {
  ClipVertex a[MAX_CLIPPED], b[MAX_CLIPPED];
  for (int i = 0; i < n; ++i) a[i] = corners[i];
  ClipVertex* in = a;
  ClipVertex* out = b;
  for (int plane = 0; plane < 6 && n >= 3; ++plane) {
    if (!(planes & (1u << plane))) continue;
    int kept = 0;
    float previousDistance = planeDistance(in[n - 1], plane);
    for (int i = 0; i < n; ++i) {
      const ClipVertex& previous = in[(i + n - 1) % n];
      const float distance = planeDistance(in[i], plane);
      if (!std::isfinite(distance)) return;
      if (previousDistance >= 0.0f) out[kept++] = previous;
      if (differentSigns(distance, previousDistance)) {
        if (distance < 0.0f)
          out[kept++] = between(in[i], previous, distance / (distance - previousDistance));
        else
          out[kept++] = between(previous, in[i], previousDistance / (previousDistance - distance));
      }
      previousDistance = distance;
    }
    n = kept;
    std::swap(in, out);
  }
  if (n < 3) return;
  for (int i = 0; i < n; ++i) reach(hit, in[i]);
}

// Twice the signed screen area, y up: positive for counter-clockwise.
// The facing of a face seen from the eye: the determinant of the corners'
// (x, y, w), positive when they run counter-clockwise on screen. Unlike the
// screen positions it stays right for faces reaching behind the eye, of
// which only the part in front is hit. Edge-on faces (0) count as back
// faces, as the GL's culling takes them: a view without width still hits.
double facing(const ClipVertex v[3]) {
  const double x0 = v[0].x, y0 = v[0].y, w0 = v[0].w, x1 = v[1].x, y1 = v[1].y, w1 = v[1].w;
  const double x2 = v[2].x, y2 = v[2].y, w2 = v[2].w;
  return x0 * (y1 * w2 - w1 * y2) - y0 * (x1 * w2 - w1 * x2) + w0 * (x1 * y2 - y1 * x2);
}

void setPlane(double* plane, const Matrix& p, int row, double sign) {
  double length = 0.0;
  for (int column = 0; column < 4; ++column) {
    plane[column] = double(p.m[4 * column + 3]) + sign * double(p.m[4 * column + row]);
    if (column < 3) length += plane[column] * plane[column];
  }
  length = std::sqrt(length);
  for (int k = 0; k < 4; ++k) plane[k] = length > 0.0 ? plane[k] / length : 0.0;
}

}  // namespace

Matrix multiplyAsGl(const Matrix& a, const Matrix& b) {
  Matrix p;
  for (int row = 0; row < 4; ++row) {
    const float a0 = a.m[row], a1 = a.m[4 + row], a2 = a.m[8 + row], a3 = a.m[12 + row];
    for (int column = 0; column < 4; ++column) {
      const float* bc = &b.m[4 * column];
      p.m[4 * column + row] = a0 * bc[0] + a1 * bc[1] + a2 * bc[2] + a3 * bc[3];
    }
  }
  return p;
}

PickVolume pickVolumeAt(const Camera& camera, int32_t mouseX, int32_t mouseY) {
  // As gluPickMatrix builds it for a 1 x 1 region: a move then a scale.
  const double width = camera.viewportWidth, height = camera.viewportHeight;
  const double x = mouseX, y = height - double(mouseY);
  Matrix pick = identityMatrix();
  pick.m[0] = float(width);
  pick.m[5] = float(height);
  pick.m[12] = float(width - 2 * x);
  pick.m[13] = float(height - 2 * y);
  PickVolume volume;
  volume.projection = multiplyAsGl(pick, projectionOf(camera));
  for (int row = 0; row < 3; ++row) {
    setPlane(volume.planes[2 * row], volume.projection, row, -1.0);
    setPlane(volume.planes[2 * row + 1], volume.projection, row, 1.0);
  }
  return volume;
}

bool sphereMayMeet(const PickVolume& volume, const float centre[3], float radius) {
  for (const double* plane : volume.planes) {
    const double distance = plane[0] * centre[0] + plane[1] * centre[1] + plane[2] * centre[2] + plane[3];
    if (distance < -double(radius)) return false;
  }
  return true;
}

void meetTriangle(const Matrix& mvp, const Point3 corners[3], HitDepth& hit) {
  const ClipVertex v[3] = {toClip(mvp, corners[0]), toClip(mvp, corners[1]), toClip(mvp, corners[2])};
  const unsigned m0 = outsideMask(v[0]), m1 = outsideMask(v[1]), m2 = outsideMask(v[2]);
  if (m0 & m1 & m2) return;
  if (!(facing(v) <= 0.0)) return;
  if (!(m0 | m1 | m2)) {
    for (const ClipVertex& corner : v) reach(hit, corner);
    return;
  }
  clipPolygon(v, 3, m0 | m1 | m2, hit);
}

void meetSegment(const Matrix& mvp, const Point3 ends[2], HitDepth& hit) {
  const ClipVertex v0 = toClip(mvp, ends[0]), v1 = toClip(mvp, ends[1]);
  const unsigned m0 = outsideMask(v0), m1 = outsideMask(v1);
  if (m0 & m1) return;
  float t0 = 0.0f, t1 = 0.0f;
  for (int plane = 0; plane < 6; ++plane) {
    if (!((m0 | m1) & (1u << plane))) continue;
    const float d0 = planeDistance(v0, plane), d1 = planeDistance(v1, plane);
    if (!std::isfinite(d0) || !std::isfinite(d1)) return;
    if (d1 < 0.0f) t1 = std::max(t1, d1 / (d1 - d0));
    if (d0 < 0.0f) t0 = std::max(t0, d0 / (d0 - d1));
    if (t0 + t1 >= 1.0f) return;
  }
  reach(hit, m0 ? between(v0, v1, t0) : v0);
  reach(hit, m1 ? between(v1, v0, t1) : v1);
}

uint32_t selectionDepth(float depth) {
  const float scaled = float(~0u) * depth;
  return scaled >= 0.0f ? uint32_t(uint64_t(scaled)) : 0u;
}

void addHitRecord(HitRecords& records, int32_t name, const HitDepth& hit) {
  if (!hit.hit) return;
  const uint32_t depth = selectionDepth(hit.depth);
  if (records.count == 0 || depth < records.bestDepth) {
    records.bestDepth = depth;
    records.bestName = name;
  }
  ++records.count;
}

int32_t nearestName(const HitRecords& records) { return records.count == 0 ? -1 : records.bestName; }
