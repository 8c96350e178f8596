// The generated piece files (build dir vexo/Parts and vexo/P): closed
// outward-facing solids, rod ends seated in the clips as the compiler joins
// them, and a generator that writes the same files on every run.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <numeric>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <unistd.h>

#include "model/connection.h"
#include "model/matrix.h"
#include "pieces/catalogue.h"
#include "pieces/piece_file.h"

namespace {

constexpr double PI = 3.14159265358979323846;

// Design figures of the generated shapes that the fit depends on.
constexpr float JAW_INNER = 8.3f;          // room round a gripping point

const std::string generatedDir = std::string(VEXOCAD_BINARY_DIR) + "/vexo/";

std::string pieceFile(int kind) { return generatedDir + "Parts/" + pieceFileNames[kind]; }
std::string subPartFile(int index) { return generatedDir + "P/" + subPartFileNames[index]; }

std::vector<std::string> allFiles() {
  std::vector<std::string> files;
  for (int i = 0; i < SUBPART_COUNT; ++i) files.push_back(subPartFile(i));
  for (int k = 0; k < KIND_COUNT; ++k) files.push_back(pieceFile(k));
  return files;
}

std::string readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// ------------------------------------------------------------------ vectors
struct V {
  double x, y, z;
};
V operator+(V a, V b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V operator-(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V operator*(double s, V a) { return {s * a.x, s * a.y, s * a.z}; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double norm(V a) { return std::sqrt(dot(a, a)); }
V fromPoint(const Point3& p) { return {p.x, p.y, p.z}; }

V transform(const Matrix& m, V p) {
  const float* e = m.m;
  return {e[0] * p.x + e[4] * p.y + e[8] * p.z + e[12], e[1] * p.x + e[5] * p.y + e[9] * p.z + e[13],
          e[2] * p.x + e[6] * p.y + e[10] * p.z + e[14]};
}

// The normal the display lists give a face: (P1 - P0) x (P1 - P2).
V listNormal(V p0, V p1, V p2) { return cross(p1 - p0, p1 - p2); }

// ------------------------------------------------------------------ files
struct OwnMesh {
  std::unique_ptr<MeshBuffer> mesh = std::make_unique<MeshBuffer>();
  std::vector<std::pair<Matrix, std::string>> subParts;
};

OwnMesh readOwn(const std::string& path) {
  OwnMesh own;
  loadMesh(path.c_str(), *own.mesh);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return own;
  char line[DATA_LINE_CAPACITY];
  while (readDataLine(f, line)) {
    Matrix m;
    char name[256];
    if (parseSubPartLine(line, m, name)) own.subParts.push_back({m, name});
  }
  std::fclose(f);
  return own;
}

// A face as its corners, in file order (clockwise seen from outside).
using Face = std::vector<V>;

std::vector<Face> facesOf(const MeshBuffer& b) {
  std::vector<Face> faces;
  for (int i = 0; i < b.quadCount; ++i)
    faces.push_back({fromPoint(b.quads[i][0]), fromPoint(b.quads[i][1]), fromPoint(b.quads[i][2]), fromPoint(b.quads[i][3])});
  for (int i = 0; i < b.triangleCount; ++i)
    faces.push_back({fromPoint(b.triangles[i][0]), fromPoint(b.triangles[i][1]), fromPoint(b.triangles[i][2])});
  return faces;
}

// The whole shape of a kind in its file's frame: own faces and every placed
// sub-part, as triangles; rods optionally with their 45 degree load turn.
std::vector<Face> assembled(int kind, bool withLoadTurn) {
  OwnMesh own = readOwn(pieceFile(kind));
  std::vector<Face> faces = facesOf(*own.mesh);
  for (const auto& [m, name] : own.subParts) {
    const int index = findSubPart(name.c_str());
    if (index < 0) continue;
    auto sub = std::make_unique<MeshBuffer>();
    loadMesh(subPartFile(index).c_str(), *sub);
    for (Face f : facesOf(*sub)) {
      for (V& p : f) p = transform(m, p);
      faces.push_back(f);
    }
  }
  if (withLoadTurn && isTurnedAtLoad(kind)) {
    Matrix turn;
    setRotation(turn, 0, 0, -45);  // the display lists' glRotatef(45, 0, 0, 1)
    for (Face& f : faces)
      for (V& p : f) p = transform(turn, p);
  }
  std::vector<Face> triangles;
  for (const Face& f : faces)
    for (size_t i = 1; i + 1 < f.size(); ++i) triangles.push_back({f[0], f[i], f[i + 1]});
  return triangles;
}

std::vector<Face> placed(std::vector<Face> faces, const Matrix& m) {
  for (Face& f : faces)
    for (V& p : f) p = transform(m, p);
  return faces;
}

// Triangles with their bounding box, so that far points are outside at once.
struct Shape {
  std::vector<Face> triangles;
  V low{1e30, 1e30, 1e30}, high{-1e30, -1e30, -1e30};
};

Shape shapeOf(std::vector<Face> triangles) {
  Shape s{std::move(triangles)};
  for (const Face& t : s.triangles)
    for (const V& p : t) {
      s.low = {std::min(s.low.x, p.x), std::min(s.low.y, p.y), std::min(s.low.z, p.z)};
      s.high = {std::max(s.high.x, p.x), std::max(s.high.y, p.y), std::max(s.high.z, p.z)};
    }
  return s;
}

// Generalised winding number: about 1 inside a closed outward solid, 0
// outside. Faces run clockwise seen from outside.
double winding(const std::vector<Face>& triangles, V p) {
  double total = 0;
  for (const Face& t : triangles) {
    const V a = t[0] - p, b = t[2] - p, c = t[1] - p;
    const double la = norm(a), lb = norm(b), lc = norm(c);
    const double det = dot(a, cross(b, c));
    const double div = la * lb * lc + dot(a, b) * lc + dot(a, c) * lb + dot(b, c) * la;
    total += 2 * std::atan2(det, div);
  }
  return total / (4 * PI);
}

bool inside(const Shape& s, V p) {
  if (p.x < s.low.x || p.y < s.low.y || p.z < s.low.z || p.x > s.high.x || p.y > s.high.y || p.z > s.high.z)
    return false;
  return winding(s.triangles, p) > 0.5;
}

// ------------------------------------------------------------------ ports
PieceRecord pieceOfKind(int kind) {
  PieceRecord p{};
  p.kind = int16_t(kind);
  setIdentity(p.matrix);
  return p;
}

Matrix outwardFrame(int kind, uint8_t port, double position) {
  PieceRecord piece = pieceOfKind(kind);
  ConnectionPoint point = makeConnectionPoint(port, position);
  placeConnectionPoint(point, piece, true, false);
  return point.frame;
}

// ------------------------------------------------------------------ tests

TEST(PieceFiles, EverySolidIsClosedAndFacesOutwards) {
  using Key = std::tuple<long, long, long>;
  auto key = [](V p) { return Key{std::lround(p.x * 1000), std::lround(p.y * 1000), std::lround(p.z * 1000)}; };
  for (const std::string& path : allFiles()) {
    SCOPED_TRACE(path);
    OwnMesh own = readOwn(path);
    const std::vector<Face> faces = facesOf(*own.mesh);
    // Each directed edge once, and its reverse once: closed and turned alike.
    std::map<std::pair<Key, Key>, std::vector<int>> directed;
    for (int fi = 0; fi < int(faces.size()); ++fi) {
      const Face& f = faces[fi];
      const V n = listNormal(f[0], f[1], f[2]);
      ASSERT_GT(norm(n), 1e-6) << "a face the display list would give no normal";
      for (size_t i = 0; i < f.size(); ++i) directed[{key(f[i]), key(f[(i + 1) % f.size()])}].push_back(fi);
      if (f.size() == 4) {
        EXPECT_GT(dot(n, listNormal(f[0], f[2], f[3])), 0) << "quadrilateral folded or turned";
      }
    }
    std::vector<int> group(faces.size());
    std::iota(group.begin(), group.end(), 0);
    std::function<int(int)> root = [&](int i) { return group[i] == i ? i : group[i] = root(group[i]); };
    for (const auto& [edge, users] : directed) {
      ASSERT_EQ(users.size(), 1u) << "an edge used twice in one direction";
      const auto back = directed.find({edge.second, edge.first});
      ASSERT_NE(back, directed.end()) << "an open edge";
      group[root(users[0])] = root(back->second[0]);
    }
    // Each solid encloses a positive volume with the display lists' normals.
    std::map<int, double> volume;
    for (int fi = 0; fi < int(faces.size()); ++fi) {
      const Face& f = faces[fi];
      for (size_t i = 1; i + 1 < f.size(); ++i) volume[root(fi)] += dot(f[0], listNormal(f[0], f[i], f[i + 1])) / 6;
    }
    for (const auto& [solid, v] : volume) EXPECT_GT(v, 1.0) << "a solid turned inside out";
  }
}

// Points along every edge of a shape, a step apart, near a centre.
std::vector<V> edgeSamples(const Shape& shape, V centre, double reach) {
  std::vector<V> samples;
  for (const Face& t : shape.triangles)
    for (size_t i = 0; i < t.size(); ++i) {
      const V a = t[i], b = t[(i + 1) % t.size()];
      const int steps = std::max(1, int(norm(b - a) / 0.5));
      for (int s = 0; s <= steps; ++s) {
        const V p = a + (double(s) / steps) * (b - a);
        if (norm(p - centre) < reach) samples.push_back(p);
      }
    }
  return samples;
}

void expectNoOverlap(const Shape& a, const Shape& b, V near) {
  int overlaps = 0;
  for (const V& p : edgeSamples(a, near, 90)) overlaps += inside(b, p);
  for (const V& p : edgeSamples(b, near, 90)) overlaps += inside(a, p);
  EXPECT_EQ(overlaps, 0) << "points of one piece inside the other";
}

struct Joint {
  Shape connector, rod;
};

// A kind-8 connector at the origin and a rod joined to it as the script
// compiler joins them.
Joint joined(int rodKind, ConnectionPoint onConnector, ConnectionPoint onRod) {
  static PieceRecord connector = pieceOfKind(8);
  PieceRecord rod = pieceOfKind(rodKind);
  rod.attachedTo = &connector;
  attachPiece(&rod, false, onConnector, onRod, 0, 0, 0);
  return {shapeOf(assembled(8, true)), shapeOf(placed(assembled(rodKind, true), rod.matrix))};
}

TEST(PieceFiles, RodEndsSitInTheClipsWithoutGapOrOverlap) {
  for (int kind = 10; kind <= 15; ++kind) {
    SCOPED_TRACE("kind " + std::to_string(kind));
    const Joint first = joined(kind, makeConnectionPoint(PORT_PINCE, 3), makeConnectionPoint(PORT_BOUT, 1));
    const V grip = transform(outwardFrame(8, PORT_PINCE, 3), {0, 0, 0});
    expectNoOverlap(first.connector, first.rod, grip);
    // The tip comes within a unit of the jaws' back.
    const V towardHub = (1.0 / norm(grip)) * (V{0, 0, 0} - grip);
    EXPECT_TRUE(inside(first.connector, grip + (JAW_INNER + 0.5) * towardHub));
    EXPECT_TRUE(inside(first.rod, grip + (JAW_INNER - 1.5) * towardHub));

    // The second end, turned by a whole number of 45 degree steps.
    const Joint second = joined(kind, makeConnectionPoint(PORT_PINCE, 106), makeConnectionPoint(PORT_BOUT, 2));
    expectNoOverlap(second.connector, second.rod, transform(outwardFrame(8, PORT_PINCE, 6), {0, 0, 0}));
  }
}

TEST(PieceFiles, GeneratorIsDeterministicAndMatchesTheBuild) {
  const std::filesystem::path base = std::filesystem::temp_directory_path() / ("vexo_gen_" + std::to_string(::getpid()));
  const std::string tool = std::string(VEXOCAD_BINARY_DIR) + "/gen_pieces";
  for (const char* run : {"a", "b"})
    ASSERT_EQ(std::system((tool + " " + (base / run).string()).c_str()), 0);
  for (const std::string& built : allFiles()) {
    const std::string relative = built.substr(std::string(VEXOCAD_BINARY_DIR).size());
    const std::string a = readWhole((base / "a").string() + relative);
    EXPECT_FALSE(a.empty()) << relative;
    EXPECT_EQ(a, readWhole((base / "b").string() + relative)) << relative;
    EXPECT_EQ(a, readWhole(built)) << relative;
  }
  std::filesystem::remove_all(base);
  EXPECT_NE(std::system((tool + " 2>/dev/null").c_str()), 0) << "no output directory is a usage error";
}

}  // namespace
