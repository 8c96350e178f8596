// gen_pieces: writes the piece files of the 17 piece kinds into
// <dir>/vexo/Parts/ and the 8 shared sub-part files into <dir>/vexo/P/.
//
// Every shape is a set of closed solids: outlines extruded across the
// connector plane (hubs, clip jaws, webs, arms) and profiles turned about an
// axis (rods, rod ends, the wheel). The proportions are chosen around the
// connection points: a clip's jaws ring the gripping point with room for a
// rod, a rod end's head is centred on its end frame so that it fills the
// clip, and holes take a rod. Clip placements come from
// placeConnectionPoint, so the files fit the placement code exactly.
//
// The output is a pure function of this source: same input, same bytes.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "model/connection.h"
#include "model/matrix.h"
#include "pieces/catalogue.h"

namespace {

// ---------------------------------------------------------------- proportions
constexpr double PI = 3.14159265358979323846;
constexpr double REACH = double(CLIP_REACH);

constexpr double ROD_RADIUS = 8.0;  // corner radius of the eight-sided rod section
constexpr int ROD_SIDES = 8;
constexpr double ROD_PHASE = 22.5;  // flats face the axes, before and after the 45 degree turn
constexpr double NECK_RADIUS = 5.5;  // where the jaw tips bite
constexpr double END_LENGTH = 12.0;  // end frame to the start of the plain body
constexpr double RINGED_END_LENGTH = 16.0;  // the same for the long rods' ringed ends

constexpr double PLATE_HALF = 7.5;  // connector plate: about one rod thick
constexpr double ARM_HALF = 7.4;
constexpr double HUB_RADIUS = 22.0;
constexpr double HUB_HALF = 9.0;  // the hub stands proud of the plate
constexpr double HOLE_RADIUS = 8.6;


constexpr double FLANGE_RADIUS = 30.0;  // the collar round the end connector's hub
constexpr double FLANGE_HALF = 4.5;

constexpr double JAW_INNER = 8.3;  // a rod body crossing the clip fits inside
constexpr double JAW_OUTER = 13.3;
constexpr double JAW_OPENING = 45.0;  // half-angle of the mouth, narrower than a rod
constexpr double ARM_STEP = 15.0;  // the arm meets the jaws' outer curve in these steps

constexpr double SOCKET_END = 36.0;  // kinds 5 and 7: the tongue carrying the socket
constexpr double SOCKET_SLOT_CORNER = 45.0;  // hole corner where the socket's slot opens

constexpr double WHEEL_HUB_RADIUS = 16.0;
constexpr double WHEEL_HUB_HALF = 13.0;
constexpr double WHEEL_DISC_RADIUS = 36.0;
constexpr double WHEEL_DISC_HALF = 4.0;
constexpr double TYRE_RADIUS = 52.0;
constexpr double TYRE_HALF = 10.0;

// How finely round shapes are cut. The coarse set, written to vexo/Coarse/,
// is drawn for pieces seen only a few pixels across: the same outlines with
// fewer segments around, plain rod ends and arms, about a third of the faces.
struct Detail {
  int hubSides;
  int wheelSides;
  double jawStep;  // degrees between the points of a jaw's curve
  bool shapedRodEnds;  // heads and necks; plain collars when false
  bool shapedArms;  // the arms follow the jaws' curve; planks when false
  bool outlineOnly;  // each piece one plain solid of its outline, no sub-part
};
constexpr Detail FULL_DETAIL{16, 24, 15.0, true, true, false};
constexpr Detail COARSE_DETAIL{8, 12, 90.0, false, false, false};
// For pieces a few pixels across, in vexo/Tiny/: no clip jaws or hole, a
// tenth of the faces.
constexpr Detail TINY_DETAIL{8, 8, 45.0, false, false, true};
Detail detail = FULL_DETAIL;

constexpr double FEATURE_ANGLE = 40.0;  // faces meeting at more than this get an edge line

const char* const FACE_COLOUR = "16";
const char* const EDGE_COLOUR = "24";

// ---------------------------------------------------------------- geometry
struct Vec3 {
  double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(Vec3 a) { return std::sqrt(dot(a, a)); }

struct Vec2 {  // a point of the connector plane: x and z
  double x, z;
};

double radians(double degrees) { return degrees * PI / 180.0; }

// A point of the plane at distance r and angle a about y: a = 0 on -z,
// 90 on -x, 180 on +z, 270 on +x, as the clips are numbered.
Vec2 polar(double r, double a) { return {-r * std::sin(radians(a)), -r * std::cos(radians(a))}; }

// A point on a circle about the gripping point of the clip at angle a;
// theta is 0 at the clip's mouth (outwards), 180 towards the hub and 270
// on the side facing the clip at a + 45.
Vec2 jawPoint(double a, double theta, double radius) {
  const double lx = radius * std::sin(radians(theta));
  const double lz = -radius * std::cos(radians(theta)) - REACH;
  const double c = std::cos(radians(a)), s = std::sin(radians(a));
  return {lx * c + lz * s, -lx * s + lz * c};
}

// While building, faces run counter-clockwise seen from outside; the writer
// reverses them into the clockwise order the piece files use.
struct Face {
  int count;
  Vec3 p[4];
};
struct Edge {
  Vec3 a, b;
};
using Solid = std::vector<Face>;
using EdgeFilter = std::function<bool(const Edge&)>;  // true keeps the edge line

Face quad(Vec3 a, Vec3 b, Vec3 c, Vec3 d) { return {4, {a, b, c, d}}; }

Vec3 newellNormal(const Face& f) {
  Vec3 n{0, 0, 0};
  for (int i = 0; i < f.count; ++i) {
    const Vec3 a = f.p[i], b = f.p[(i + 1) % f.count];
    n = n + Vec3{(a.y - b.y) * (a.z + b.z), (a.z - b.z) * (a.x + b.x), (a.x - b.x) * (a.y + b.y)};
  }
  return n;
}

double signedVolume(const Solid& solid) {
  double v = 0;
  for (const Face& f : solid)
    for (int i = 1; i + 1 < f.count; ++i) v += dot(f.p[0], cross(f.p[i], f.p[i + 1]));
  return v / 6.0;
}

void reverse(Face& f) { std::reverse(f.p, f.p + f.count); }

// ---------------------------------------------------------------- outlines
double signedArea(const std::vector<Vec2>& poly) {
  double a = 0;
  for (size_t i = 0; i < poly.size(); ++i) {
    const Vec2 p = poly[i], q = poly[(i + 1) % poly.size()];
    a += p.x * q.z - q.x * p.z;
  }
  return a / 2;
}

double turn(Vec2 a, Vec2 b, Vec2 c) { return (b.x - a.x) * (c.z - a.z) - (b.z - a.z) * (c.x - a.x); }

bool insideTriangle(Vec2 p, Vec2 a, Vec2 b, Vec2 c) {
  return turn(a, b, p) > 1e-9 && turn(b, c, p) > 1e-9 && turn(c, a, p) > 1e-9;
}

double smallestAngle(Vec2 a, Vec2 b, Vec2 c) {
  auto angle = [](Vec2 o, Vec2 p, Vec2 q) {
    const double ux = p.x - o.x, uz = p.z - o.z, vx = q.x - o.x, vz = q.z - o.z;
    return std::acos(std::clamp((ux * vx + uz * vz) / std::hypot(ux, uz) / std::hypot(vx, vz), -1.0, 1.0));
  };
  return std::min({angle(a, b, c), angle(b, c, a), angle(c, a, b)});
}

using Piece = std::vector<int>;  // corner indices of a cap face, in outline order

// Ear clipping that always cuts the best-shaped ear, so the caps have few
// slivers. The triangles keep the outline's sense of rotation.
std::vector<Piece> triangulate(const std::vector<Vec2>& poly) {
  const bool counterClockwise = signedArea(poly) > 0;
  std::vector<int> ring;
  for (int i = 0; i < int(poly.size()); ++i) ring.push_back(i);
  if (!counterClockwise) std::reverse(ring.begin(), ring.end());
  std::vector<Piece> out;
  while (ring.size() > 3) {
    int best = -1;
    double bestAngle = -1;
    const int n = int(ring.size());
    for (int i = 0; i < n; ++i) {
      const Vec2 a = poly[ring[(i + n - 1) % n]], b = poly[ring[i]], c = poly[ring[(i + 1) % n]];
      if (turn(a, b, c) <= 1e-9) continue;
      bool empty = true;
      for (int j = 0; j < n && empty; ++j)
        if (j != i && j != (i + 1) % n && j != (i + n - 1) % n) empty = !insideTriangle(poly[ring[j]], a, b, c);
      if (empty && smallestAngle(a, b, c) > bestAngle + 1e-12) {
        best = i;
        bestAngle = smallestAngle(a, b, c);
      }
    }
    if (best < 0) break;  // not a simple outline: the closure check reports it
    out.push_back({ring[(best + n - 1) % n], ring[best], ring[(best + 1) % n]});
    ring.erase(ring.begin() + best);
  }
  out.push_back({ring[0], ring[1], ring[2]});
  if (!counterClockwise)
    for (Piece& t : out) std::reverse(t.begin(), t.end());
  return out;
}

// The outline extruded from y0 to y1, its caps cut into the given pieces.
Solid prism(const std::vector<Vec2>& poly, const std::vector<Piece>& caps, double y0, double y1) {
  auto at = [&](int i, double y) { return Vec3{poly[i].x, y, poly[i].z}; };
  Solid s;
  for (const Piece& c : caps) {
    Face top{int(c.size()), {}}, bottom{int(c.size()), {}};
    for (size_t k = 0; k < c.size(); ++k) {
      top.p[k] = at(c[k], y1);
      bottom.p[c.size() - 1 - k] = at(c[k], y0);
    }
    s.push_back(top);
    s.push_back(bottom);
  }
  const int n = int(poly.size());
  for (int i = 0; i < n; ++i) {
    const int j = (i + 1) % n;
    s.push_back(quad(at(i, y0), at(j, y0), at(j, y1), at(i, y1)));
  }
  return s;
}

Solid prism(const std::vector<Vec2>& poly, double y0, double y1) { return prism(poly, triangulate(poly), y0, y1); }

// A band between two polylines of equal length, extruded: its caps are the
// quadrilaterals between corresponding points.
Solid bandPrism(const std::vector<Vec2>& outer, const std::vector<Vec2>& inner, double y0, double y1) {
  std::vector<Vec2> poly(outer);
  poly.insert(poly.end(), inner.rbegin(), inner.rend());
  const int n = int(outer.size()), last = 2 * n - 1;
  std::vector<Piece> caps;
  for (int i = 0; i + 1 < n; ++i) caps.push_back({i, i + 1, last - (i + 1), last - i});
  return prism(poly, caps, y0, y1);
}

// ---------------------------------------------------------------- turned solids
struct ProfilePoint {
  double along, radius;
};
enum class Axis { Y, Z };

// A profile turned about the y axis (angles as the clips count them) or the
// z axis (a rod's own axis, the section's flats facing x and y). A closed
// profile makes a ring; an open one is closed by flat ends.
Solid lathe(const std::vector<ProfilePoint>& profile, bool closedProfile, Axis axis, int sides) {
  auto point = [&](const ProfilePoint& q, int k) {
    if (axis == Axis::Y) {
      const Vec2 p = polar(q.radius, 360.0 * k / sides);
      return Vec3{p.x, q.along, p.z};
    }
    const double t = radians(ROD_PHASE + 360.0 * k / sides);
    return Vec3{q.radius * std::cos(t), q.radius * std::sin(t), q.along};
  };
  const int m = int(profile.size());
  std::vector<std::vector<Vec3>> rings(m);
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < sides; ++k) rings[i].push_back(point(profile[i], k));
  Solid s;
  const int bands = closedProfile ? m : m - 1;
  for (int i = 0; i < bands; ++i) {
    const auto &a = rings[i], &b = rings[(i + 1) % m];
    for (int k = 0; k < sides; ++k) {
      const int l = (k + 1) % sides;
      s.push_back(quad(a[k], a[l], b[l], b[k]));
    }
  }
  if (!closedProfile) {
    // Each flat end is cut into quadrilaterals (sides - 2 is even).
    auto end = [&](const std::vector<Vec3>& r, bool forward) {
      std::vector<Vec3> v(r);
      if (!forward) std::reverse(v.begin(), v.end());
      const int n = int(v.size());
      for (int lo = 0, hi = n - 1; hi - lo >= 3; lo += 1, hi -= 1) {
        if (hi - lo == 3) {
          s.push_back(quad(v[lo], v[lo + 1], v[lo + 2], v[hi]));
          break;
        }
        s.push_back(quad(v[lo], v[lo + 1], v[hi - 1], v[hi]));
      }
    };
    end(rings[0], false);
    end(rings[m - 1], true);
  }
  return s;
}

// ---------------------------------------------------------------- data files
struct Placement {
  Matrix frame;
  const char* name;
};

struct DataFile {
  std::string name;
  std::vector<std::string> title;
  std::vector<Placement> placements;
  std::vector<Face> faces;
  std::vector<Edge> edges;
};

struct VertexKey {
  long x, y, z;
  bool operator<(const VertexKey& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
};
VertexKey keyOf(Vec3 p) { return {std::lround(p.x * 1e4), std::lround(p.y * 1e4), std::lround(p.z * 1e4)}; }
using EdgeKey = std::pair<VertexKey, VertexKey>;

EdgeKey undirected(Vec3 a, Vec3 b) {
  VertexKey ka = keyOf(a), kb = keyOf(b);
  if (kb < ka) std::swap(ka, kb);
  return {ka, kb};
}

// Every edge of a closed, consistently turned solid is used once in each
// direction. A failure here is a fault of this generator.
bool isClosed(const Solid& s) {
  std::map<EdgeKey, int> uses;
  for (const Face& f : s)
    for (int i = 0; i < f.count; ++i) {
      const VertexKey a = keyOf(f.p[i]), b = keyOf(f.p[(i + 1) % f.count]);
      uses[{a, b}] += 1;
    }
  for (const auto& [edge, count] : uses) {
    const auto back = uses.find({edge.second, edge.first});
    if (count != 1 || back == uses.end() || back->second != 1) return false;
  }
  return true;
}

// The edge lines of a solid: where its faces meet at a marked angle.
std::vector<Edge> featureEdges(const Solid& s) {
  std::map<EdgeKey, std::vector<int>> faces;
  std::vector<EdgeKey> order;
  for (int fi = 0; fi < int(s.size()); ++fi)
    for (int i = 0; i < s[fi].count; ++i) {
      const EdgeKey k = undirected(s[fi].p[i], s[fi].p[(i + 1) % s[fi].count]);
      if (faces[k].empty()) order.push_back(k);
      faces[k].push_back(fi);
    }
  std::vector<Edge> out;
  const double limit = std::cos(radians(FEATURE_ANGLE));
  for (int fi = 0; fi < int(s.size()); ++fi)
    for (int i = 0; i < s[fi].count; ++i) {
      const Vec3 a = s[fi].p[i], b = s[fi].p[(i + 1) % s[fi].count];
      const auto& adjacent = faces[undirected(a, b)];
      if (adjacent.size() != 2 || adjacent[0] != fi) continue;  // each edge once
      const Vec3 n0 = newellNormal(s[adjacent[0]]), n1 = newellNormal(s[adjacent[1]]);
      if (dot(n0, n1) / (length(n0) * length(n1)) < limit) out.push_back({a, b});
    }
  return out;
}

void addSolid(DataFile& file, Solid s, const EdgeFilter& keep = nullptr) {
  if (signedVolume(s) < 0)
    for (Face& f : s) reverse(f);
  if (!isClosed(s)) {
    std::fprintf(stderr, "gen_pieces: a solid of %s is not closed\n", file.name.c_str());
    std::exit(1);
  }
  for (const Edge& e : featureEdges(s))
    if (!keep || keep(e)) file.edges.push_back(e);
  file.faces.insert(file.faces.end(), s.begin(), s.end());
}

void place(DataFile& file, const Matrix& frame, const char* subPart) { file.placements.push_back({frame, subPart}); }

Matrix rotationAboutY(double a) {
  Matrix m;
  setRotation(m, 0.0f, float(a), 0.0f);
  return m;
}

Matrix portFrame(int kind, uint8_t portKind, double position) {
  PieceRecord piece{};
  piece.kind = int16_t(kind);
  ConnectionPoint point = makeConnectionPoint(portKind, position);
  placeConnectionPoint(point, piece, true, false);
  return point.frame;
}

// ---------------------------------------------------------------- writing
std::string number(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  std::string s(text);
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  return s == "-0" ? "0" : s;
}

std::string coordinates(Vec3 p) { return number(p.x, 4) + " " + number(p.y, 4) + " " + number(p.z, 4); }

std::string fileText(const DataFile& f) {
  std::string out;
  for (const std::string& line : f.title) out += "0 " + line + "\n";
  out += "0 Made by gen_pieces; faces run clockwise seen from outside.\n";
  for (const Placement& p : f.placements) {
    const float* m = p.frame.m;
    out += std::string("1 ") + FACE_COLOUR + " " + number(m[12], 4) + " " + number(m[13], 4) + " " + number(m[14], 4);
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) out += " " + number(m[4 * col + row], 6);
    out += std::string(" ") + p.name + "\n";
  }
  for (const Edge& e : f.edges) out += std::string("2 ") + EDGE_COLOUR + " " + coordinates(e.a) + " " + coordinates(e.b) + "\n";
  for (const Face& face : f.faces) {
    out += face.count == 4 ? "4 " : "3 ";
    out += FACE_COLOUR;
    // Reversed, keeping the first corner: clockwise seen from outside.
    out += " " + coordinates(face.p[0]);
    for (int i = face.count - 1; i >= 1; --i) out += " " + coordinates(face.p[i]);
    out += "\n";
  }
  return out;
}

bool writeFile(const std::filesystem::path& path, const std::string& text) {
  FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) return false;
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  return std::fclose(f) == 0 && ok;
}

// ---------------------------------------------------------------- sub-parts
// A rod end in its end frame: the connector's centre lies on +z, the rod's
// body on -z. The head is centred on the gripping point so that it fills
// the clip's jaws, whose tips close on the neck behind it.
DataFile rodEnd(const char* name, const char* what, std::vector<ProfilePoint> head, std::vector<ProfilePoint> collar) {
  DataFile f{name, {std::string(name) + ": " + what}, {}, {}, {}};
  std::vector<ProfilePoint> profile = std::move(head);
  profile.insert(profile.end(), collar.begin(), collar.end());
  // Where a plain collar runs on into the rod's body there is no edge.
  const ProfilePoint last = profile.back(), before = profile[profile.size() - 2];
  const bool smoothJoin = last.radius == before.radius;
  addSolid(f, lathe(profile, false, Axis::Z, ROD_SIDES), [=](const Edge& e) {
    return !(smoothJoin && e.a.z == last.along && e.b.z == last.along);
  });
  return f;
}

// Seen a few pixels across, a rod end is its rod running on to a blunt tip.
std::vector<ProfilePoint> plainHead() { return {{7.8, 4.0}, {0.0, ROD_RADIUS}}; }

std::vector<ProfilePoint> roundHead() {
  if (!detail.shapedRodEnds) return plainHead();
  std::vector<ProfilePoint> p;
  for (double z : {7.8, 6.9, 5.2, 2.7, 0.0, -2.5, -4.0}) p.push_back({z, std::sqrt(ROD_RADIUS * ROD_RADIUS - z * z)});
  return p;
}

std::vector<ProfilePoint> bevelledHead() {
  if (!detail.shapedRodEnds) return plainHead();
  return {{7.6, 3.4}, {3.0, 7.4}, {-3.0, 7.4}, {-4.0, 6.6}};
}

// From the head's back through the neck to the full section at END_LENGTH.
std::vector<ProfilePoint> neck() {
  if (!detail.shapedRodEnds) return {{-END_LENGTH, ROD_RADIUS}};
  return {{-4.0, NECK_RADIUS}, {-10.5, NECK_RADIUS}, {-END_LENGTH, ROD_RADIUS}};
}

// The clip in its own frame (gripping point at the origin, the connector's
// centre on +z): two jaws curved round the gripping point, open outwards
// with a mouth narrower than a rod, and the arm joining them to the hub.
DataFile clip() {
  DataFile f{"e-spoke.dat", {"e-spoke.dat: clip jaws and their arm from the hub"}, {}, {}, {}};
  auto local = [](Vec2 p) { return Vec2{p.x, p.z + REACH}; };
  std::vector<Vec2> outer, inner;
  for (double t = JAW_OPENING; t <= 360.0 - JAW_OPENING + 1e-9; t += detail.jawStep) {
    outer.push_back(local(jawPoint(0, t, JAW_OUTER)));
    inner.push_back(local(jawPoint(0, t, JAW_INNER)));
  }
  addSolid(f, bandPrism(outer, inner, -PLATE_HALF, PLATE_HALF));
  // The arm follows the jaws' outer curve for two steps on each side. It is
  // a little thinner than the plate so that where webs lie over it, it only
  // backs their seams and never shares a plane with them.
  std::vector<Vec2> arm{polar(HUB_RADIUS, -22.5)};
  const int steps = detail.shapedArms ? 2 : 1;  // else a plank from the hub to the jaws
  for (int k = -steps; k <= steps; ++k) arm.push_back(jawPoint(0, 180 + k * 2 / steps * ARM_STEP, JAW_OUTER));
  arm.push_back(polar(HUB_RADIUS, 22.5));
  if (detail.shapedArms) arm.push_back(polar(HUB_RADIUS, 0));
  for (Vec2& p : arm) p = local(p);
  addSolid(f, prism(arm, -ARM_HALF, ARM_HALF));
  return f;
}

// The outline joining the hub to the jaws of the clip at angle a on one side
// (side +1 faces the clip at a + 45), from the clip's axis outwards.
std::vector<Vec2> jawFlank(double a, int side) {
  std::vector<Vec2> out;
  for (double t = 0; t <= 90.0 + 1e-9; t += detail.jawStep) out.push_back(jawPoint(a, 180.0 + side * t, JAW_OUTER));
  return out;
}

bool onClipAxis(Vec3 p, double a) {
  const Vec2 d = polar(1.0, a);
  return std::fabs(p.x * d.z - p.z * d.x) < 1e-6;
}

// The web filling the plate between the clips at 0 and 45 degrees: from the
// hub out to a rim that meets the jaws.
DataFile web() {
  DataFile f{"m-spoke.dat", {"m-spoke.dat: plate web between two clips 45 degrees apart"}, {}, {}, {}};
  std::vector<Vec2> poly{polar(HUB_RADIUS, 0)};
  const std::vector<Vec2> first = jawFlank(0, 1);
  std::vector<Vec2> second = jawFlank(45, -1);
  std::reverse(second.begin(), second.end());
  poly.insert(poly.end(), first.begin(), first.end());
  const double rim = std::hypot(JAW_OUTER, REACH), rimStart = std::atan2(JAW_OUTER, REACH) * 180.0 / PI;
  for (int k = 1; k <= 2; ++k) poly.push_back(polar(rim, rimStart + (45.0 - 2 * rimStart) * k / 3.0));
  poly.insert(poly.end(), second.begin(), second.end());
  poly.push_back(polar(HUB_RADIUS, 45));
  poly.push_back(polar(HUB_RADIUS, 22.5));
  // The seams with the neighbouring webs are not edges of the connector.
  addSolid(f, prism(poly, -PLATE_HALF, PLATE_HALF), [](const Edge& e) {
    return !((onClipAxis(e.a, 0) && onClipAxis(e.b, 0)) || (onClipAxis(e.a, 45) && onClipAxis(e.b, 45)));
  });
  return f;
}

DataFile hub() {
  DataFile f{"hub.dat", {"hub.dat: connector hub round the centre hole"}, {}, {}, {}};
  addSolid(f, lathe({{-HUB_HALF, HOLE_RADIUS}, {-HUB_HALF, HUB_RADIUS}, {HUB_HALF, HUB_RADIUS}, {HUB_HALF, HOLE_RADIUS}},
                    true, Axis::Y, detail.hubSides));
  return f;
}

// The hub of kinds 5 and 7: instead of the clip at 0 degrees a tongue with
// the hole 13 units towards -z and a slot from the hole to the tongue's end,
// into which another such connector's plate snaps.
DataFile socketHub() {
  DataFile f{"hub1.dat", {"hub1.dat: hub with the snap-on socket of the half connectors"}, {}, {}, {}};
  const double step = 360.0 / detail.hubSides;
  const Vec2 corner = polar(HUB_RADIUS, 45);
  // The slot's sides meet hole corners, narrower than the hole so that the
  // hole still reads as round.
  const double slotHalf = -polar(HOLE_RADIUS, SOCKET_SLOT_CORNER).x;
  std::vector<Vec2> poly{{-slotHalf, -SOCKET_END}, {corner.x, -SOCKET_END}};
  for (double a = 45; a <= 315 + 1e-9; a += step) poly.push_back(polar(HUB_RADIUS, a));
  poly.push_back({-corner.x, -SOCKET_END});
  poly.push_back({slotHalf, -SOCKET_END});
  // Round the hole the long way, from the slot's one side to its other.
  for (double a = 360 - SOCKET_SLOT_CORNER; a >= SOCKET_SLOT_CORNER - 1e-9; a -= step) {
    const Vec2 p = polar(HOLE_RADIUS, a);
    poly.push_back({p.x, p.z - double(HOLE_OFFSET)});
  }
  addSolid(f, prism(poly, -HUB_HALF, HUB_HALF));
  return f;
}

DataFile wheelHub() {
  DataFile f{"hub2.dat", {"hub2.dat: wheel hub and disc"}, {}, {}, {}};
  const double h = WHEEL_HUB_HALF, d = WHEEL_DISC_HALF, r = WHEEL_HUB_RADIUS, disc = WHEEL_DISC_RADIUS;
  addSolid(f,
           lathe({{-h, HOLE_RADIUS}, {-h, r}, {-d, r}, {-d, disc}, {d, disc}, {d, r}, {h, r}, {h, HOLE_RADIUS}}, true,
                 Axis::Y, detail.wheelSides),
           [](const Edge& e) { return std::hypot(e.a.x, e.a.z) < WHEEL_DISC_RADIUS - 0.5; });  // the tyre hides the rest
  return f;
}

std::vector<ProfilePoint> ringedCollar() {
  if (!detail.shapedRodEnds) return {{-RINGED_END_LENGTH, ROD_RADIUS}};
  std::vector<ProfilePoint> collar = neck();
  const double ring = RINGED_END_LENGTH - 2.0, groove = ROD_RADIUS - 0.8;
  for (ProfilePoint p : std::vector<ProfilePoint>{
           {-ring, ROD_RADIUS}, {-ring - 0.5, groove}, {-ring - 1.5, groove}, {-RINGED_END_LENGTH, ROD_RADIUS}})
    collar.push_back(p);
  return collar;
}

std::vector<DataFile> subPartFiles() {
  return {rodEnd("e-rod0.dat", "bevelled rod end of the short rods", bevelledHead(), neck()),
          rodEnd("e-rod.dat", "rounded rod end", roundHead(), neck()),
          rodEnd("e-rod3.dat", "rounded rod end with a ringed collar, long rods", roundHead(), ringedCollar()),
          clip(),
          web(),
          socketHub(),
          wheelHub(),
          hub()};
}

// ---------------------------------------------------------------- pieces
double clipAngle(int kind, int place) {
  return std::fmod((wrapClipPlace(kind, place) - 1) * 45.0, 360.0);
}

bool hasClipAt(int kind, double a) {
  for (int p = 1; p <= clipCount(kind); ++p)
    if (std::fabs(clipAngle(kind, p) - std::fmod(a + 360.0, 360.0)) < 1e-6) return true;
  return false;
}

const char* const connectorNames[10] = {"connector with one clip",
                                        "connector with two clips at 45 degrees",
                                        "straight connector with two clips",
                                        "connector with three clips",
                                        "half connector with four clips",
                                        "half connector with four clips and a snap-on socket",
                                        "half connector with five clips",
                                        "connector with seven clips and a snap-on socket",
                                        "round connector with eight clips",
                                        "end connector with one clip and a collar"};

DataFile connector(int kind) {
  DataFile f{pieceFileNames[kind], {std::string(pieceFileNames[kind]) + ": " + connectorNames[kind]}, {}, {}, {}};
  const bool socket = kind == 5 || kind == 7;
  place(f, identityMatrix(), socket ? "hub1.dat" : "hub.dat");
  for (int p = 1; p <= clipCount(kind); ++p) place(f, portFrame(kind, PORT_PINCE, p), "e-spoke.dat");
  for (int p = 1; p <= clipCount(kind); ++p) {
    const double a = clipAngle(kind, p);
    if (hasClipAt(kind, a + 45)) place(f, rotationAboutY(a), "m-spoke.dat");
  }
  if (kind == 9)
    addSolid(f, lathe({{-FLANGE_HALF, HUB_RADIUS}, {-FLANGE_HALF, FLANGE_RADIUS}, {FLANGE_HALF, FLANGE_RADIUS},
                       {FLANGE_HALF, HUB_RADIUS}},
                      true, Axis::Y, detail.hubSides));
  return f;
}

// The short rods have bevelled ends, the longest ones ringed collars.
bool hasRingedEnds(int kind) { return kind >= 14; }

const char* rodEndFile(int kind) {
  if (kind <= 11) return "e-rod0.dat";
  return hasRingedEnds(kind) ? "e-rod3.dat" : "e-rod.dat";
}

// A rod in its own frame: the first end's frame at the clip reach, the second
// at the far end, the body between the two ends' collars.
DataFile rod(int kind) {
  const double far = double(rodFarEnd(kind));
  char title[128];
  std::snprintf(title, sizeof title, "%s: rod joining connectors %s apart", pieceFileNames[kind], number(far + REACH, 3).c_str());
  DataFile f{pieceFileNames[kind], {title, "runs along -z from its first end to its second"}, {}, {}, {}};
  place(f, portFrame(kind, PORT_BOUT, 1), rodEndFile(kind));
  place(f, portFrame(kind, PORT_BOUT, 2), rodEndFile(kind));
  const double collar = hasRingedEnds(kind) ? RINGED_END_LENGTH : END_LENGTH;
  const double z0 = -(REACH + collar), z1 = -(far - collar);
  addSolid(f, lathe({{z0, ROD_RADIUS}, {z1, ROD_RADIUS}}, false, Axis::Z, ROD_SIDES),
           [](const Edge& e) { return std::fabs(e.a.z - e.b.z) > 1e-9; });  // the ends join the collars smoothly
  return f;
}

DataFile wheel() {
  DataFile f{"vxrond.dat", {"vxrond.dat: wheel with a tyre, turning on a rod through its hole"}, {}, {}, {}};
  place(f, identityMatrix(), "hub2.dat");
  const double r = WHEEL_DISC_RADIUS, R = TYRE_RADIUS, h = TYRE_HALF, bevel = 5.0;
  addSolid(f, lathe({{-h, r}, {-h, R - bevel}, {-h + bevel, R}, {h - bevel, R}, {h, R - bevel}, {h, r}}, true, Axis::Y,
                    detail.wheelSides));
  return f;
}

// ---------------------------------------------------------------- outlines only
constexpr int OUTLINE_SAMPLES = 32;

// How far the connector's plate reaches from its centre in the direction a:
// the hub, the jaws' outer circles, the webs' rims, the socket's tongue and
// the end connector's collar.
double plateReach(int kind, double a) {
  double r = kind == 9 ? FLANGE_RADIUS : HUB_RADIUS;
  const double rim = std::hypot(JAW_OUTER, REACH);
  for (int p = 1; p <= clipCount(kind); ++p) {
    const double clip = clipAngle(kind, p);
    const double d = radians(std::remainder(a - clip, 360.0));
    const double across = REACH * std::sin(d);
    if (std::fabs(across) <= JAW_OUTER)
      r = std::max(r, REACH * std::cos(d) + std::sqrt(JAW_OUTER * JAW_OUTER - across * across));
    const double past = std::fmod(a - clip + 720.0, 360.0);
    if (past <= 45.0 && hasClipAt(kind, clip + 45)) r = std::max(r, rim * std::cos(radians(22.5)));
  }
  if ((kind == 5 || kind == 7) && std::fabs(std::remainder(a, 360.0)) <= 20.0) r = std::max(r, SOCKET_END);
  return r;
}

DataFile outlineConnector(int kind) {
  DataFile f{pieceFileNames[kind], {std::string(pieceFileNames[kind]) + ": outline of the " + connectorNames[kind]}, {}, {}, {}};
  std::vector<Vec2> outline;
  for (int k = 0; k < OUTLINE_SAMPLES; ++k) {
    const double a = 360.0 * k / OUTLINE_SAMPLES;
    outline.push_back(polar(plateReach(kind, a), a));
  }
  addSolid(f, prism(outline, -PLATE_HALF, PLATE_HALF));
  return f;
}

// The body running on to where the heads end.
DataFile outlineRod(int kind) {
  DataFile f{pieceFileNames[kind], {std::string(pieceFileNames[kind]) + ": outline of a rod"}, {}, {}, {}};
  const double tip = 7.8, far = double(rodFarEnd(kind));
  addSolid(f, lathe({{-(REACH - tip), ROD_RADIUS}, {-(far + tip), ROD_RADIUS}}, false, Axis::Z, ROD_SIDES));
  return f;
}

DataFile outlineWheel() {
  DataFile f{"vxrond.dat", {"vxrond.dat: outline of the wheel"}, {}, {}, {}};
  addSolid(f, lathe({{-TYRE_HALF, TYRE_RADIUS}, {TYRE_HALF, TYRE_RADIUS}}, false, Axis::Y, detail.wheelSides));
  return f;
}

std::vector<DataFile> pieceFiles() {
  std::vector<DataFile> out;
  for (int kind = 0; kind < KIND_COUNT && detail.outlineOnly; ++kind)
    out.push_back(isConnectorKind(kind) ? outlineConnector(kind) : isRodKind(kind) ? outlineRod(kind) : outlineWheel());
  for (int kind = 0; kind < KIND_COUNT && !detail.outlineOnly; ++kind)
    out.push_back(isConnectorKind(kind) ? connector(kind) : isRodKind(kind) ? rod(kind) : wheel());
  return out;
}

bool writeAll(const std::filesystem::path& folder, const std::vector<DataFile>& files) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    std::fprintf(stderr, "gen_pieces: cannot create %s: %s\n", folder.string().c_str(), error.message().c_str());
    return false;
  }
  for (const DataFile& f : files)
    if (!writeFile(folder / f.name, fileText(f))) {
      std::fprintf(stderr, "gen_pieces: cannot write %s\n", (folder / f.name).string().c_str());
      return false;
    }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || argv[1][0] == '\0') {
    std::fprintf(stderr, "usage: gen_pieces OUTPUT_DIRECTORY\n"
                         "writes OUTPUT_DIRECTORY/vexo/Parts/*.dat and OUTPUT_DIRECTORY/vexo/P/*.dat\n");
    return 2;
  }
  const std::filesystem::path root = std::filesystem::path(argv[1]) / "vexo";
  bool ok = writeAll(root / "P", subPartFiles()) && writeAll(root / "Parts", pieceFiles());
  detail = COARSE_DETAIL;
  ok = ok && writeAll(root / "Coarse" / "P", subPartFiles()) && writeAll(root / "Coarse" / "Parts", pieceFiles());
  detail = TINY_DETAIL;
  ok = ok && writeAll(root / "Tiny" / "P", subPartFiles()) && writeAll(root / "Tiny" / "Parts", pieceFiles());
  return ok ? 0 : 1;
}
