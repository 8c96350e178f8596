// Mark meshes: a kind's outline along its main axis as a prism of a few
// corners.
#include "pieces/mark_meshes.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

struct Flat {
  float u, v;
};

// Positive when a, b, c turn counter-clockwise.
float turn(const Flat& a, const Flat& b, const Flat& c) {
  return (b.u - a.u) * (c.v - a.v) - (b.v - a.v) * (c.u - a.u);
}

// Andrew's monotone chain: the hull counter-clockwise, without points on
// its sides.
std::vector<Flat> convexHull(std::vector<Flat> points) {
  std::sort(points.begin(), points.end(), [](const Flat& a, const Flat& b) { return a.u < b.u || (a.u == b.u && a.v < b.v); });
  points.erase(std::unique(points.begin(), points.end(), [](const Flat& a, const Flat& b) { return a.u == b.u && a.v == b.v; }),
               points.end());
  if (points.size() < 3) return points;
  std::vector<Flat> hull(2 * points.size());
  size_t k = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && turn(hull[k - 2], hull[k - 1], points[i]) <= 0.0f) --k;
    hull[k++] = points[i];
  }
  for (size_t i = points.size() - 1, lower = k + 1; i > 0; --i) {
    while (k >= lower && turn(hull[k - 2], hull[k - 1], points[i - 1]) <= 0.0f) --k;
    hull[k++] = points[i - 1];
  }
  hull.resize(k - 1);
  return hull;
}

// Drops the corner whose triangle with its two neighbours is smallest until
// `corners` are left: the outline loses the least area at each step.
void cutCorners(std::vector<Flat>& hull, int corners) {
  while (hull.size() > size_t(corners)) {
    size_t smallest = 0;
    float least = HUGE_VALF;
    for (size_t i = 0; i < hull.size(); ++i) {
      const Flat& before = hull[(i + hull.size() - 1) % hull.size()];
      const Flat& after = hull[(i + 1) % hull.size()];
      const float area = std::fabs(turn(before, hull[i], after));
      if (area < least) least = area, smallest = i;
    }
    hull.erase(hull.begin() + std::ptrdiff_t(smallest));
  }
}

struct Prism {
  int axis, u, v;  // the axis along the prism, and the two across it
  float low, high;
  std::array<float, 3> centre;
};

std::array<float, 3> cornerOf(const Prism& prism, const Flat& f, float along) {
  std::array<float, 3> c;
  c[size_t(prism.axis)] = along, c[size_t(prism.u)] = f.u, c[size_t(prism.v)] = f.v;
  return c;
}

std::array<float, 3> directionOf(const Prism& prism, float along, float u, float v) {
  const float length = std::sqrt(along * along + u * u + v * v);
  std::array<float, 3> d;
  d[size_t(prism.axis)] = along / length, d[size_t(prism.u)] = u / length, d[size_t(prism.v)] = v / length;
  return d;
}

uint32_t addCorner(IndexedMesh& mesh, const std::array<float, 3>& p, const std::array<float, 3>& n) {
  mesh.vertices.insert(mesh.vertices.end(), {p[0], p[1], p[2], n[0], n[1], n[2]});
  return uint32_t(mesh.vertices.size() / 6 - 1);
}

// The triangle's corners turned round when they face inwards: the prism is
// convex, so outwards is away from its centre.
void addOutwards(IndexedMesh& mesh, uint32_t a, uint32_t b, uint32_t c, const Prism& prism) {
  const auto at = [&](uint32_t i) { return &mesh.vertices[6 * size_t(i)]; };
  const float *p0 = at(a), *p1 = at(b), *p2 = at(c);
  float d1[3], d2[3], n[3], out = 0.0f;
  for (int k = 0; k < 3; ++k) d1[k] = p1[k] - p0[k], d2[k] = p1[k] - p2[k];
  n[0] = d1[1] * d2[2] - d1[2] * d2[1], n[1] = d1[2] * d2[0] - d1[0] * d2[2], n[2] = d1[0] * d2[1] - d1[1] * d2[0];
  for (int k = 0; k < 3; ++k) out += n[k] * ((p0[k] + p1[k] + p2[k]) / 3.0f - prism.centre[size_t(k)]);
  if (out < 0.0f) std::swap(b, c);
  mesh.indices.insert(mesh.indices.end(), {a, b, c});
}

// The axis a disc is thinnest along, or a bar longest along: whichever side
// of the box stands out most from the other two.
int mainAxis(const float* low, const float* high) {
  int order[3] = {0, 1, 2};
  std::sort(order, order + 3, [&](int a, int b) { return high[a] - low[a] < high[b] - low[b]; });
  const float small = high[order[0]] - low[order[0]], middle = high[order[1]] - low[order[1]];
  const float large = high[order[2]] - low[order[2]];
  return large * small > middle * middle ? order[2] : order[0];
}

// The sides lit as one round surface (each corner's normal halfway between
// its two sides'), the ends flat.
IndexedMesh prismOf(const std::vector<Flat>& outline, const Prism& prism) {
  IndexedMesh mesh;
  const size_t n = outline.size();
  std::vector<uint32_t> side(2 * n), end(2 * n);
  for (size_t i = 0; i < n; ++i) {
    const Flat &before = outline[(i + n - 1) % n], &at = outline[i], &after = outline[(i + 1) % n];
    // Outwards from a counter-clockwise outline is (dv, -du) of each side.
    const float l1 = std::hypot(at.u - before.u, at.v - before.v), l2 = std::hypot(after.u - at.u, after.v - at.v);
    const float nu = (at.v - before.v) / l1 + (after.v - at.v) / l2, nv = (before.u - at.u) / l1 + (at.u - after.u) / l2;
    for (size_t e = 0; e < 2; ++e) {
      const float along = e ? prism.high : prism.low;
      side[e * n + i] = addCorner(mesh, cornerOf(prism, at, along), directionOf(prism, 0.0f, nu, nv));
      end[e * n + i] = addCorner(mesh, cornerOf(prism, at, along), directionOf(prism, e ? 1.0f : -1.0f, 0.0f, 0.0f));
    }
  }
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    addOutwards(mesh, side[i], side[j], side[n + j], prism);
    addOutwards(mesh, side[i], side[n + j], side[n + i], prism);
  }
  for (size_t e = 0; e < 2; ++e)
    for (size_t i = 1; i + 1 < n; ++i) addOutwards(mesh, end[e * n], end[e * n + i], end[e * n + i + 1], prism);
  return mesh;
}

}  // namespace

IndexedMesh markMeshOf(const FlatMesh& mesh) {
  float low[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF}, high[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) {
      const float c[3] = {f.p[k].x, f.p[k].y, f.p[k].z};
      for (int a = 0; a < 3; ++a) low[a] = std::min(low[a], c[a]), high[a] = std::max(high[a], c[a]);
    }
  IndexedMesh mark;
  if (mesh.faces.empty()) return mark;
  const int axis = mainAxis(low, high);
  const Prism prism{axis, (axis + 1) % 3, (axis + 2) % 3, low[axis], high[axis],
                    {0.5f * (low[0] + high[0]), 0.5f * (low[1] + high[1]), 0.5f * (low[2] + high[2])}};
  std::vector<Flat> outline;
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) {
      const float c[3] = {f.p[k].x, f.p[k].y, f.p[k].z};
      outline.push_back({c[prism.u], c[prism.v]});
    }
  outline = convexHull(std::move(outline));
  if (outline.size() < 3 || !(prism.high > prism.low)) {  // flat: nothing simpler to make
    for (const MeshFace& f : mesh.faces) addIndexedFace(mark, f);
    forgetCorners(mark);
    return mark;
  }
  const bool bar = high[axis] - low[axis] > high[prism.u] - low[prism.u];
  cutCorners(outline, bar ? BAR_MARK_CORNERS : DISC_MARK_CORNERS);
  return prismOf(outline, prism);
}

std::vector<IndexedMesh> markMeshesOf(const std::vector<FlatMesh>& meshes) {
  std::vector<IndexedMesh> marks;
  for (const FlatMesh& mesh : meshes) marks.push_back(markMeshOf(mesh));
  return marks;
}
