// Mark meshes: a kind's outline along its main axis as a prism of a few
// corners.
#include "pieces/mark_meshes.h"

#include <algorithm>
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
  Point3 centre;
};

Point3 cornerOf(const Prism& prism, const Flat& f, float along) {
  float c[3];
  c[prism.axis] = along, c[prism.u] = f.u, c[prism.v] = f.v;
  return {c[0], c[1], c[2]};
}

// Turns the face round when its normal points inwards: the prism is convex,
// so outwards is away from its centre.
void addOutwards(FlatMesh& mesh, MeshFace face, const Prism& prism) {
  const std::array<float, 3> n = unitFaceNormal(face);
  Point3 middle{0.0f, 0.0f, 0.0f};
  for (int k = 0; k < face.count; ++k)
    middle = {middle.x + face.p[k].x / float(face.count), middle.y + face.p[k].y / float(face.count),
              middle.z + face.p[k].z / float(face.count)};
  const float out = n[0] * (middle.x - prism.centre.x) + n[1] * (middle.y - prism.centre.y) + n[2] * (middle.z - prism.centre.z);
  if (out < 0.0f) std::reverse(face.p, face.p + face.count);
  mesh.faces.push_back(face);
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

}  // namespace

FlatMesh markMeshOf(const FlatMesh& mesh) {
  float low[3] = {HUGE_VALF, HUGE_VALF, HUGE_VALF}, high[3] = {-HUGE_VALF, -HUGE_VALF, -HUGE_VALF};
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) {
      const float c[3] = {f.p[k].x, f.p[k].y, f.p[k].z};
      for (int a = 0; a < 3; ++a) low[a] = std::min(low[a], c[a]), high[a] = std::max(high[a], c[a]);
    }
  if (mesh.faces.empty()) return {};
  const int axis = mainAxis(low, high);
  Prism prism{axis, (axis + 1) % 3, (axis + 2) % 3, low[axis], high[axis], {}};
  prism.centre = {0.5f * (low[0] + high[0]), 0.5f * (low[1] + high[1]), 0.5f * (low[2] + high[2])};
  std::vector<Flat> outline;
  for (const MeshFace& f : mesh.faces)
    for (int k = 0; k < f.count; ++k) {
      const float c[3] = {f.p[k].x, f.p[k].y, f.p[k].z};
      outline.push_back({c[prism.u], c[prism.v]});
    }
  outline = convexHull(std::move(outline));
  if (outline.size() < 3 || !(prism.high > prism.low)) return mesh;  // flat: nothing simpler to make
  const bool bar = high[axis] - low[axis] > high[prism.u] - low[prism.u];
  cutCorners(outline, bar ? BAR_MARK_CORNERS : DISC_MARK_CORNERS);
  FlatMesh mark;
  const size_t n = outline.size();
  for (size_t i = 0; i < n; ++i) {
    const Flat &a = outline[i], &b = outline[(i + 1) % n];
    addOutwards(mark, {4, {cornerOf(prism, a, prism.low), cornerOf(prism, b, prism.low), cornerOf(prism, b, prism.high),
                           cornerOf(prism, a, prism.high)}},
                prism);
  }
  for (const float end : {prism.low, prism.high})
    for (size_t i = 1; i + 1 < n; ++i)
      addOutwards(mark, {3, {cornerOf(prism, outline[0], end), cornerOf(prism, outline[i], end),
                             cornerOf(prism, outline[i + 1], end), {}}},
                  prism);
  return mark;
}

std::vector<FlatMesh> markMeshesOf(const std::vector<FlatMesh>& meshes) {
  std::vector<FlatMesh> marks;
  for (const FlatMesh& mesh : meshes) marks.push_back(markMeshOf(mesh));
  return marks;
}
