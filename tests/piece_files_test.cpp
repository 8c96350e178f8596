// The generated piece files (build dir vexo/Parts and vexo/P): closed
// outward-facing solids, rod ends seated in the clips as the compiler joins
// them, and a generator that writes the same files on every run. How they
// look is shown by the expected renders tests/renders/pieces-*.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <map>
#include <numbers>
#include <numeric>
#include <span>
#include <tuple>
#include <sstream>
#include <vector>

#include "model/connection.h"
#include "model/matrix.h"
#include "pieces/catalogue.h"
#include "pieces/flat_mesh.h"
#include "pieces/mark_meshes.h"
#include "platform/core_data_dir.h"
#include "support/piece_shapes.h"
#include "support/process.h"

namespace {

const std::string buildDir = VEXOCAD_BINARY_DIR;
constexpr float JAW_INNER = 8.3f;  // the generator's room round a gripping point

// Every generated file, from the build directory.
std::vector<std::string> allFiles() {
  std::vector<std::string> files;
  for (const char* name : subPartFileNames) files.push_back(std::string("/vexo/P/") + name);
  for (const char* name : pieceFileNames) files.push_back(std::string("/vexo/Parts/") + name);
  return files;
}

using V = ShapePoint;
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V along(V from, V d, double t) { return {from.x + t * d.x, from.y + t * d.y, from.z + t * d.z}; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(V a) { return std::sqrt(dot(a, a)); }
V transform(const Matrix& m, V p) {
  const float* e = m.m;
  return {e[0] * p.x + e[4] * p.y + e[8] * p.z + e[12], e[1] * p.x + e[5] * p.y + e[9] * p.z + e[13],
          e[2] * p.x + e[6] * p.y + e[10] * p.z + e[14]};
}
// The normal the display lists give a face: (P1 - P0) x (P1 - P2).
V listNormal(V p0, V p1, V p2) { return cross(p1 - p0, p1 - p2); }

// A file's own faces as their corners, in file order (clockwise seen from outside).
using Face = std::vector<V>;
std::vector<Face> facesOf(const std::string& path) { return facesOfFile(path); }

// A piece of a kind as drawn, placed by m: its own faces and its sub-parts,
// rods with their 45 degree load turn, as triangles within a bounding box.
struct Shape {
  std::vector<Face> triangles;
  V low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};

  Shape(int kind, const Matrix& m) {
    const std::vector<Face> faces = facesOfKind(buildDir + "/", kind);
    for (const Face& f : faces)
      for (size_t i = 1; i + 1 < f.size(); ++i) triangles.push_back({transform(m, f[0]), transform(m, f[i]), transform(m, f[i + 1])});
    for (const Face& t : triangles)
      for (const V& p : t) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
      }
  }

  // By the generalised winding number: about 1 inside, 0 outside.
  bool contains(V p) const {
    if (p.x < low.x || p.y < low.y || p.z < low.z || p.x > high.x || p.y > high.y || p.z > high.z) return false;
    double total = 0;
    for (const Face& t : triangles) {
      const V a = t[0] - p, b = t[2] - p, c = t[1] - p;
      const double la = norm(a), lb = norm(b), lc = norm(c);
      total += 2 * std::atan2(dot(a, cross(b, c)), la * lb * lc + dot(a, b) * lc + dot(a, c) * lb + dot(b, c) * la);
    }
    return total / (4 * std::numbers::pi) > 0.5;
  }

  // Points along every edge, half a unit apart, within reach of a centre.
  std::vector<V> edgePoints(V centre, double reach) const {
    std::vector<V> points;
    for (const Face& t : triangles)
      for (size_t i = 0; i < 3; ++i) {
        const V a = t[i], b = t[(i + 1) % 3];
        const int steps = std::max(1, int(norm(b - a) / 0.5));
        for (int s = 0; s <= steps; ++s)
          if (const V p = along(a, b - a, double(s) / steps); norm(p - centre) < reach) points.push_back(p);
      }
    return points;
  }
};

// A kind-8 connector at the origin and the given end of a rod joined to the
// clip at place as the script compiler joins them: no point of either near the
// clip inside the other. Returns the two and the clip's gripping point.
std::tuple<Shape, Shape, V> joined(int rodKind, double place, double end) {
  PieceRecord connector = pieceTemplates[8], rod = pieceTemplates[rodKind];
  ConnectionPoint clip = makeConnectionPoint(PORT_PINCE, place);
  placeConnectionPoint(clip, connector, true, false);
  const V grip = transform(clip.frame, {0, 0, 0});
  rod.attachedTo = &connector;
  attachPiece(&rod, false, makeConnectionPoint(PORT_PINCE, place), makeConnectionPoint(PORT_BOUT, end), 0, 0, 0);
  const Shape a(8, connector.matrix), b(rodKind, rod.matrix);
  int overlaps = 0;
  for (const V& p : a.edgePoints(grip, 90)) overlaps += b.contains(p);
  for (const V& p : b.edgePoints(grip, 90)) overlaps += a.contains(p);
  EXPECT_EQ(overlaps, 0) << "points of one piece inside the other";
  return {a, b, grip};
}

}  // namespace

TEST(PieceFiles, EverySolidIsClosedAndFacesOutwards) {
  using Key = std::array<long, 3>;
  const auto key = [](V p) { return Key{std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)}; };
  for (const std::string& file : allFiles()) {
    SCOPED_TRACE(file);
    const std::vector<Face> faces = facesOf(buildDir + file);
    // Each directed edge once, and its reverse once: closed and turned alike.
    std::map<std::pair<Key, Key>, int> faceOfEdge;
    for (int fi = 0; fi < int(faces.size()); ++fi) {
      const Face& f = faces[size_t(fi)];
      const V n = listNormal(f[0], f[1], f[2]);
      ASSERT_GT(norm(n), 1e-6) << "a face the display list would give no normal";
      EXPECT_TRUE(f.size() == 3 || dot(n, listNormal(f[0], f[2], f[3])) > 0) << "quadrilateral folded or turned";
      for (size_t i = 0; i < f.size(); ++i)
        ASSERT_TRUE(faceOfEdge.emplace(std::pair{key(f[i]), key(f[(i + 1) % f.size()])}, fi).second)
            << "an edge used twice in one direction";
    }
    std::vector<int> solid(faces.size());  // faces joined by edges, as a union-find forest
    std::iota(solid.begin(), solid.end(), 0);
    const auto root = [&](int i) { while (solid[size_t(i)] != i) i = solid[size_t(i)]; return i; };
    for (const auto& [edge, fi] : faceOfEdge) {
      const auto back = faceOfEdge.find({edge.second, edge.first});
      ASSERT_NE(back, faceOfEdge.end()) << "an open edge";
      solid[size_t(root(fi))] = root(back->second);
    }
    // Each solid encloses a positive volume with the display lists' normals.
    std::map<int, double> volume;
    for (int fi = 0; fi < int(faces.size()); ++fi) {
      const Face& f = faces[size_t(fi)];
      for (size_t i = 1; i + 1 < f.size(); ++i) volume[root(fi)] += dot(f[0], listNormal(f[0], f[i], f[i + 1])) / 6;
    }
    for (const auto& [s, v] : volume) EXPECT_GT(v, 1.0) << "a solid turned inside out";
  }
}

TEST(PieceFiles, RodEndsSitInTheClipsWithoutGapOrOverlap) {
  for (int kind = 10; kind <= 15; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    const auto [connector, rod, grip] = joined(kind, 3, 1);
    // The tip comes within a unit of the jaws' back.
    const V towardHub = V{0, 0, 0} - grip;
    EXPECT_TRUE(connector.contains(along(grip, towardHub, (JAW_INNER + 0.5) / norm(grip))));
    EXPECT_TRUE(rod.contains(along(grip, towardHub, (JAW_INNER - 1.5) / norm(grip))));
    // The second end, turned by a whole number of 45 degree steps.
    joined(kind, 106, 2);
  }
}

TEST(PieceFiles, GeneratorIsDeterministicAndMatchesTheBuild) {
  const std::filesystem::path base = std::filesystem::temp_directory_path() / ("vexo_gen_" + std::to_string(::getpid()));
  const std::string tool = buildDir + "/gen_pieces";
  for (const char* run : {"a", "b"}) ASSERT_EQ(std::system((tool + " " + (base / run).string()).c_str()), 0);
  for (const std::string& file : allFiles()) {
    const std::string a = readFile((base / "a").string() + file);
    EXPECT_FALSE(a.empty()) << file;
    EXPECT_EQ(a, readFile((base / "b").string() + file)) << file;
    EXPECT_EQ(a, readFile(buildDir + file)) << file;
  }
  std::filesystem::remove_all(base);
  EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0) << "no output directory is a usage error";
}

// The marks drawn for pieces a few pixels across while the view moves: each
// kind's one closed prism, turned outwards as the lists' faces are (the
// culling keeps the same side), lit outwards, within the tiny mesh's box and
// with fewer triangles.
TEST(PieceFiles, MarksAreClosedOutwardPrismsWithinTheTinyMeshes) {
  dataDir = buildDir + "/";
  const std::vector<FlatMesh> tiny = loadFlatMeshes(MeshDetail::TINY);
  for (int kind = 0; kind < KIND_COUNT; ++kind) {
    SCOPED_TRACE(kind);
    const IndexedMesh mark = markMeshOf(tiny[size_t(kind)]);
    const auto corner = [&](uint32_t i) { return V{mark.vertices[6 * i], mark.vertices[6 * i + 1], mark.vertices[6 * i + 2]}; };
    V low{1e9, 1e9, 1e9}, high{-1e9, -1e9, -1e9};
    for (const MeshFace& f : tiny[size_t(kind)].faces)
      for (int k = 0; k < f.count; ++k)
        low = {std::min(low.x, double(f.p[k].x)), std::min(low.y, double(f.p[k].y)), std::min(low.z, double(f.p[k].z))},
        high = {std::max(high.x, double(f.p[k].x)), std::max(high.y, double(f.p[k].y)), std::max(high.z, double(f.p[k].z))};
    const V centre{(low.x + high.x) / 2, (low.y + high.y) / 2, (low.z + high.z) / 2};
    ASSERT_GT(mark.indices.size(), 0u);
    size_t tinyTriangles = 0;
    for (const MeshFace& f : tiny[size_t(kind)].faces) tinyTriangles += size_t(f.count - 2);
    EXPECT_LT(mark.indices.size() / 3, tinyTriangles) << "not simpler";
    using Key = std::array<long, 3>;
    const auto key = [](V p) { return Key{std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)}; };
    std::map<std::pair<Key, Key>, int> edges;
    double volume = 0;
    for (size_t t = 0; t < mark.indices.size(); t += 3) {
      const V a = corner(mark.indices[t]), b = corner(mark.indices[t + 1]), c = corner(mark.indices[t + 2]);
      volume += dot(a - centre, listNormal(a, b, c)) / 6;
      for (const auto& [p, q] : {std::pair{a, b}, std::pair{b, c}, std::pair{c, a}}) ++edges[{key(p), key(q)}];
      for (uint32_t i : {mark.indices[t], mark.indices[t + 1], mark.indices[t + 2]}) {
        const V p = corner(i), n{mark.vertices[6 * i + 3], mark.vertices[6 * i + 4], mark.vertices[6 * i + 5]};
        EXPECT_GT(dot(n, p - centre), 0) << "a corner lit from inside";
        EXPECT_TRUE(p.x >= low.x - 1e-3 && p.y >= low.y - 1e-3 && p.z >= low.z - 1e-3 && p.x <= high.x + 1e-3 &&
                    p.y <= high.y + 1e-3 && p.z <= high.z + 1e-3);
      }
    }
    for (const auto& [edge, count] : edges) {
      EXPECT_EQ(count, 1) << "an edge used twice in one direction";
      EXPECT_EQ(edges.count({edge.second, edge.first}), 1u) << "an open edge";
    }
    EXPECT_GT(volume, 0) << "turned inside out";
  }
}
