// Boxes and spheres around points, and points placed by a matrix.
#include "model/geometry.h"

#include <cmath>

namespace {
void transformPoint(const Matrix& M, const float p[3], float out[3]) {
  for (int r = 0; r < 3; ++r) out[r] = M.m[r] * p[0] + M.m[4 + r] * p[1] + M.m[8 + r] * p[2] + M.m[12 + r];
}

template <typename Use>
void forPlacedCorners(const Box& box, const Matrix& M, Use use) {
  if (isEmpty(box)) return;
  for (int corner = 0; corner < 8; ++corner) {
    const float p[3] = {corner & 1 ? box.high[0] : box.low[0], corner & 2 ? box.high[1] : box.low[1],
                        corner & 4 ? box.high[2] : box.low[2]};
    float placed[3];
    transformPoint(M, p, placed);
    if (std::isfinite(placed[0]) && std::isfinite(placed[1]) && std::isfinite(placed[2])) use(placed);
  }
}
}  // namespace

Point3 placedPoint(const Matrix& M, const Point3& p) {
  const float* m = M.m;
  return {m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
          m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]};
}

bool isEmpty(const Box& box) { return box.low[0] > box.high[0]; }

void addPoint(Box& box, const float point[3]) {
  if (!std::isfinite(point[0]) || !std::isfinite(point[1]) || !std::isfinite(point[2])) return;
  for (int i = 0; i < 3; ++i) {
    if (point[i] < box.low[i]) box.low[i] = point[i];
    if (point[i] > box.high[i]) box.high[i] = point[i];
  }
}

void addPlacedBox(Box& into, const Box& box, const Matrix& M) {
  forPlacedCorners(box, M, [&](const float* p) { addPoint(into, p); });
}

void addPlacedCorners(std::vector<Point3>& into, const Box& box, const Matrix& M) {
  forPlacedCorners(box, M, [&](const float* p) { into.push_back({p[0], p[1], p[2]}); });
}

BoundingSphere sphereAround(const Box& box) {
  if (isEmpty(box)) return {{0.0f, 0.0f, 0.0f}, 0.0f};
  const float* a = box.low;
  const float* b = box.high;
  const float dx = b[0] - a[0], dy = b[1] - a[1], dz = b[2] - a[2];
  return {{0.5f * (a[0] + b[0]), 0.5f * (a[1] + b[1]), 0.5f * (a[2] + b[2])},
          0.5f * std::sqrt(dx * dx + dy * dy + dz * dz) * 1.001f + 0.01f};
}
