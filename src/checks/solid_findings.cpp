// The checker's geometry: which placed pieces lie near each other (a grid of
// their boxes, so that the cost grows with the pieces near each other and
// not with all pairs), which of those pass through each other (FCL, the
// Flexible Collision Library, on the kinds' triangles), and which rods each
// clip holds.
#include <fcl/geometry/bvh/BVH_model.h>
#include <fcl/math/bv/OBBRSS.h>
#include <fcl/narrowphase/collision.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "checks/check_steps.h"
#include "checks/kind_solids.h"
#include "model/connection.h"
#include "model/model_table.h"
#include "platform/core_data_dir.h"

namespace {

using SolidModel = fcl::BVHModel<fcl::OBBRSSd>;

struct KindSolid {
  std::shared_ptr<SolidModel> model;  // null for a kind without triangles
  fcl::Vector3d low, high;            // the box round its corners, in the kind's frame
};

struct SolidCache {
  std::string dataDir;
  bool built[KIND_COUNT] = {};
  KindSolid kinds[KIND_COUNT];
};
SolidCache solidCache;

KindSolid buildKindSolid(int kind) {
  const std::vector<SolidTriangle> triangles = kindSolidTriangles(kind);
  KindSolid solid{nullptr, fcl::Vector3d::Zero(), fcl::Vector3d::Zero()};
  if (triangles.empty()) return solid;
  std::vector<fcl::Vector3d> corners;
  std::vector<fcl::Triangle> faces;
  for (const SolidTriangle& t : triangles) {
    const size_t first = corners.size();
    for (const SolidCorner& c : t) corners.emplace_back(c[0], c[1], c[2]);
    faces.emplace_back(first, first + 1, first + 2);
  }
  solid.low = solid.high = corners.front();
  for (const fcl::Vector3d& c : corners) {
    solid.low = solid.low.cwiseMin(c);
    solid.high = solid.high.cwiseMax(c);
  }
  solid.model = std::make_shared<SolidModel>();
  solid.model->beginModel(int(faces.size()), int(corners.size()));
  solid.model->addSubModel(corners, faces);
  solid.model->endModel();
  return solid;
}

// Built on first use, again when the data folder changes.
const KindSolid& kindSolid(int kind) {
  if (solidCache.dataDir != dataDir) solidCache = SolidCache{dataDir, {}, {}};
  if (!solidCache.built[kind]) {
    solidCache.kinds[kind] = buildKindSolid(kind);
    solidCache.built[kind] = true;
  }
  return solidCache.kinds[kind];
}

struct ClipFrame {
  fcl::Vector3d grip, outward, across;  // gripping point, away from the centre, through the plate
};

struct RodLine {
  fcl::Vector3d origin, along;  // the rod runs from origin along "along"
  double firstEnd, secondEnd;   // distances of its end frames along it
};

constexpr int MAX_CLIPS = 8;

struct PlacedSolid {
  const CheckedPiece* piece;
  const KindSolid* solid;
  fcl::Transform3d place;
  fcl::Vector3d low, high;  // the box round it in the model's frame
  // Where it joins others, in the model's frame: a rod's axis; the hole
  // (centre and axis) and the clips of a connector or wheel.
  RodLine rod;
  fcl::Vector3d holeCentre, holeAxis;
  int clipCount;
  ClipFrame clips[MAX_CLIPS];
};

// Script placements are turns and moves only; a matrix copied from an empty
// record (all zeros) or grown past float's range places no solid.
bool isRigid(const Matrix& m) {
  for (float v : m.m)
    if (!std::isfinite(v)) return false;
  const fcl::Matrix3d r = (fcl::Matrix3d() << m.m[0], m.m[4], m.m[8], m.m[1], m.m[5], m.m[9], m.m[2], m.m[6],
                           m.m[10]).finished();
  return (r.transpose() * r - fcl::Matrix3d::Identity()).cwiseAbs().maxCoeff() < 1e-3 && r.determinant() > 0;
}

fcl::Transform3d transformOf(const Matrix& m) {
  fcl::Transform3d t = fcl::Transform3d::Identity();
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) t.linear()(row, col) = m.m[4 * col + row];
  t.translation() = fcl::Vector3d(m.m[12], m.m[13], m.m[14]);
  return t;
}

// A port's frame in the piece's own frame, as the placement code puts it.
fcl::Transform3d portFrame(int kind, uint8_t port, int place) {
  PieceRecord record{};
  record.kind = int16_t(kind);
  ConnectionPoint point = makeConnectionPoint(port, place);
  placeConnectionPoint(point, record, true, false);
  return transformOf(point.frame);
}

void placeJoins(PlacedSolid& p) {
  const int kind = p.piece->kind;
  p.rod = {p.place.translation(), -p.place.linear().col(2), double(CLIP_REACH), double(rodFarEnd(kind))};
  const fcl::Transform3d hole = p.place * portFrame(kind, PORT_TROU, 1);
  p.holeCentre = hole.translation();
  p.holeAxis = hole.linear().col(2);
  p.clipCount = std::min(clipCount(kind), MAX_CLIPS);
  for (int c = 0; c < p.clipCount; ++c) {
    const fcl::Transform3d clip = p.place * portFrame(kind, PORT_PINCE, c + 1);
    p.clips[c] = {clip.translation(), -clip.linear().col(2), clip.linear().col(1)};
  }
}

std::vector<PlacedSolid> placeSolids(const CheckInput& input) {
  std::vector<PlacedSolid> placed;
  for (const CheckedPiece& piece : input.pieces) {
    if (piece.kind < 0 || piece.kind >= KIND_COUNT || !isRigid(piece.world)) continue;
    const KindSolid& solid = kindSolid(piece.kind);
    if (!solid.model) continue;
    PlacedSolid p{&piece, &solid, transformOf(piece.world), {}, {}, {}, {}, {}, 0, {}};
    placeJoins(p);
    for (int corner = 0; corner < 8; ++corner) {
      const fcl::Vector3d local((corner & 1 ? solid.high : solid.low).x(), (corner & 2 ? solid.high : solid.low).y(),
                                (corner & 4 ? solid.high : solid.low).z());
      const fcl::Vector3d world = p.place * local;
      p.low = corner ? p.low.cwiseMin(world) : world;
      p.high = corner ? p.high.cwiseMax(world) : world;
    }
    placed.push_back(p);
  }
  return placed;
}

// --- broad phase: a grid of cubes; a pair is taken in the one cell that
// holds the lowest corner of where the two boxes meet.
constexpr double CELL_SIZE = 128.0;
constexpr long long CELL_LIMIT = 1 << 20;  // cells counted from the origin, each way
constexpr long long MAX_CELLS_PER_PIECE = 4096;

long long cellOf(double coordinate) {
  const double cell = std::floor(coordinate / CELL_SIZE);
  return cell < -CELL_LIMIT ? -CELL_LIMIT : cell > CELL_LIMIT - 1 ? CELL_LIMIT - 1 : (long long)cell;
}

uint64_t cellKey(long long x, long long y, long long z) {
  const auto field = [](long long v) { return uint64_t(v + CELL_LIMIT) & ((uint64_t(1) << 21) - 1); };
  return field(x) << 42 | field(y) << 21 | field(z);
}

bool boxesMeet(const PlacedSolid& a, const PlacedSolid& b, double margin) {
  for (int axis = 0; axis < 3; ++axis)
    if (a.low[axis] > b.high[axis] + margin || b.low[axis] > a.high[axis] + margin) return false;
  return true;
}

using PiecePair = std::pair<int, int>;  // indices into the placed solids, first < second

// Calls visit(first, second) for every pair of pieces whose boxes meet,
// each pair once, in an order set by the pieces' places and numbers; stops
// when visit returns false. Memory grows with the cells the pieces cover,
// not with the pairs.
template <typename Visit>
bool forEveryPair(const std::vector<PlacedSolid>& placed, Visit visit) {
  for (int i = 0; i < int(placed.size()); ++i)
    for (int j = i + 1; j < int(placed.size()); ++j)
      if (!visit(PiecePair{i, j})) return false;
  return true;
}

template <typename Visit>
bool forEachNearPair(const std::vector<PlacedSolid>& placed, Visit visit) {
  std::vector<std::pair<uint64_t, int>> entries;
  std::vector<int> large;  // boxes over too many cells: tried against every piece
  for (int i = 0; i < int(placed.size()); ++i) {
    long long low[3], high[3], count = 1;
    for (int a = 0; a < 3; ++a) {
      low[a] = cellOf(placed[size_t(i)].low[a]);
      high[a] = cellOf(placed[size_t(i)].high[a]);
      count *= high[a] - low[a] + 1;
    }
    if (count > MAX_CELLS_PER_PIECE) {
      large.push_back(i);
      continue;
    }
    for (long long x = low[0]; x <= high[0]; ++x)
      for (long long y = low[1]; y <= high[1]; ++y)
        for (long long z = low[2]; z <= high[2]; ++z) entries.push_back({cellKey(x, y, z), i});
  }
  std::sort(entries.begin(), entries.end());
  for (size_t start = 0, end; start < entries.size(); start = end) {
    for (end = start; end < entries.size() && entries[end].first == entries[start].first;) ++end;
    for (size_t i = start; i < end; ++i)
      for (size_t j = i + 1; j < end; ++j) {
        const PlacedSolid &a = placed[size_t(entries[i].second)], &b = placed[size_t(entries[j].second)];
        if (!boxesMeet(a, b, 0.0)) continue;
        const fcl::Vector3d meet = a.low.cwiseMax(b.low);
        if (cellKey(cellOf(meet.x()), cellOf(meet.y()), cellOf(meet.z())) != entries[start].first) continue;
        if (!visit(PiecePair{entries[i].second, entries[j].second})) return false;
      }
  }
  for (int i : large)
    for (int j = 0; j < int(placed.size()); ++j) {
      const bool seen = j < i && std::find(large.begin(), large.end(), j) != large.end();
      if (j != i && !seen && boxesMeet(placed[size_t(i)], placed[size_t(j)], 0.0) &&
          !visit(PiecePair{std::min(i, j), std::max(i, j)}))
        return false;
    }
  return true;
}

// --- narrow phase
bool solidsMeet(const PlacedSolid& a, const PlacedSolid& b, const fcl::Vector3d& shift) {
  fcl::Transform3d moved = b.place;
  moved.translation() += shift;
  fcl::CollisionRequestd request;  // whether they meet: the first contact is enough
  fcl::CollisionResultd result;
  fcl::collide(a.solid->model.get(), a.place, b.solid->model.get(), moved, request, result);
  return result.isCollision();
}

// Meeting surfaces are an overlap only if no move of OVERLAP_TOLERANCE
// along one of the 26 directions of a cube's faces, edges and corners parts
// them: touching faces, and rounding, part at once.
bool solidsOverlap(const PlacedSolid& a, const PlacedSolid& b) {
  if (!solidsMeet(a, b, fcl::Vector3d::Zero())) return false;
  for (int x = -1; x <= 1; ++x)
    for (int y = -1; y <= 1; ++y)
      for (int z = -1; z <= 1; ++z) {
        if (!x && !y && !z) continue;
        const fcl::Vector3d shift = fcl::Vector3d(x, y, z).normalized() * OVERLAP_TOLERANCE;
        if (!solidsMeet(a, b, shift)) return false;
      }
  return true;
}

fcl::Vector3d axisOf(const PlacedSolid& p, int column) { return p.place.linear().col(column); }

enum class PieceClass { CONNECTOR, ROD, WHEEL };
PieceClass classOf(int kind) {
  return isConnectorKind(kind) ? PieceClass::CONNECTOR : isRodKind(kind) ? PieceClass::ROD : PieceClass::WHEEL;
}

constexpr double PARALLEL = 0.99985;  // cosine of 1 degree

// Two pieces of one class at the same place: connectors or wheels with the
// same centre and hole axis, rods with the same origin and direction.
bool samePlace(const PlacedSolid& a, const PlacedSolid& b) {
  const PieceClass c = classOf(a.piece->kind);
  if (c != classOf(b.piece->kind)) return false;
  if ((a.place.translation() - b.place.translation()).norm() > OVERLAP_TOLERANCE) return false;
  if (c == PieceClass::ROD) return axisOf(a, 2).dot(axisOf(b, 2)) > PARALLEL;
  return std::fabs(axisOf(a, 1).dot(axisOf(b, 1))) > PARALLEL;
}

// --- joins: what each clip holds, what passes through each hole
constexpr double JOIN_TOLERANCE = 1.0;  // how far a rod may lie from a clip's gripping point or a hole's axis
constexpr double COLLAR = 12.0;         // a rod end's length from its end frame to the plain body
constexpr double HEAD = 8.0;            // a rod end's head beyond its end frame

// Where the rod's axis passes nearest the point, along the rod, when it
// passes within the join tolerance; -1 otherwise.
double passesThrough(const RodLine& rod, const fcl::Vector3d& point) {
  const double s = (point - rod.origin).dot(rod.along);
  return (point - rod.origin - rod.along * s).norm() < JOIN_TOLERANCE ? s : -1;
}

// Whether the rod has an end in the clip, lying outward, or crosses it with
// its body through the plate.
bool clipHolds(const ClipFrame& clip, const RodLine& rod) {
  const fcl::Vector3d firstEnd = rod.origin + rod.along * rod.firstEnd;
  const fcl::Vector3d secondEnd = rod.origin + rod.along * rod.secondEnd;
  if ((firstEnd - clip.grip).norm() < JOIN_TOLERANCE && rod.along.dot(clip.outward) > PARALLEL) return true;
  if ((secondEnd - clip.grip).norm() < JOIN_TOLERANCE && (-rod.along).dot(clip.outward) > PARALLEL) return true;
  if (std::fabs(rod.along.dot(clip.across)) < PARALLEL) return false;
  const double s = passesThrough(rod, clip.grip);
  return s > rod.firstEnd + COLLAR && s < rod.secondEnd - COLLAR;
}

// Whether the rod lies in the piece's hole, along its axis, by its body or
// by an end.
bool throughHole(const PlacedSolid& piece, const RodLine& rod) {
  if (std::fabs(rod.along.dot(piece.holeAxis)) < PARALLEL) return false;
  const double s = passesThrough(rod, piece.holeCentre);
  return s > rod.firstEnd - HEAD && s < rod.secondEnd + HEAD;
}

// The pair as (piece with a hole, rod), or nothing when they are no such pair.
std::optional<std::pair<const PlacedSolid*, const PlacedSolid*>> holeAndRod(const PlacedSolid& a,
                                                                           const PlacedSolid& b) {
  const PieceClass ca = classOf(a.piece->kind), cb = classOf(b.piece->kind);
  if (ca != PieceClass::ROD && cb == PieceClass::ROD) return std::pair{&a, &b};
  if (cb != PieceClass::ROD && ca == PieceClass::ROD) return std::pair{&b, &a};
  return std::nullopt;
}


// What a clip holds: how many rods, and those of the lowest numbers (a
// model can pile thousands of rods into one clip; the finding names a few).
constexpr size_t NAMED_RODS = 5;
struct HeldRods {
  long long count = 0;
  std::vector<int> named;  // placed indices, by piece number
};
using ClipKey = std::pair<int, int>;  // (connector as placed index, clip from 1)
using HeldPieces = std::map<ClipKey, HeldRods>;

void addHeld(const std::vector<PlacedSolid>& placed, HeldRods& held, int rod) {
  ++held.count;
  auto number = [&](int i) { return placed[size_t(i)].piece->number; };
  held.named.insert(std::upper_bound(held.named.begin(), held.named.end(), rod,
                                     [&](int a, int b) { return number(a) < number(b); }),
                    rod);
  if (held.named.size() > NAMED_RODS) held.named.pop_back();
}

// Pieces joined as the toy joins them touch nowhere else: a rod end in its
// clip, a rod through a hole, a clip gripping a rod's body. Each clip
// holding the rod counts it.
bool joined(const std::vector<PlacedSolid>& placed, PiecePair pair, HeldPieces& held) {
  const auto p = holeAndRod(placed[size_t(pair.first)], placed[size_t(pair.second)]);
  if (!p) return false;
  const PlacedSolid &piece = *p->first, &rod = *p->second;
  bool isJoined = throughHole(piece, rod.rod);
  for (int c = 0; c < piece.clipCount; ++c)
    if (clipHolds(piece.clips[c], rod.rod)) {
      addHeld(placed, held[{int(&piece - placed.data()), c + 1}], int(&rod - placed.data()));
      isJoined = true;
    }
  return isJoined;
}


// --- findings
const CheckedPiece& laterOf(const PlacedSolid& a, const PlacedSolid& b) {
  return a.piece->number > b.piece->number ? *a.piece : *b.piece;
}

std::vector<int32_t> numbersOf(std::initializer_list<const CheckedPiece*> pieces) {
  std::vector<int32_t> numbers;
  for (const CheckedPiece* p : pieces) numbers.push_back(p->number);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
}

std::string lineText(int32_t line) { return line > 0 ? ", ligne " + std::to_string(line) : ""; }

// Reported at the line of the piece placed last, naming the other one.
Finding pairFinding(const PlacedSolid& a, const PlacedSolid& b, bool same) {
  const CheckedPiece& later = laterOf(a, b);
  const CheckedPiece& other = &later == a.piece ? *b.piece : *a.piece;
  const std::string otherText = "la pièce " + std::to_string(other.number) + " (sorte " +
                                std::to_string(other.kind) + lineText(other.line) + ")";
  std::string text = pieceText(later.number, later.kind);
  text += same ? " est au même endroit que " + otherText + " : l'une est dans l'autre"
               : " traverse " + otherText + " : leurs solides se recouvrent";
  return {same ? FindingKind::SAME_PLACE : FindingKind::COLLISION, later.line, numbersOf({a.piece, b.piece}),
          text};
}

// Reported at the line of the last of the rods it names.
Finding clipFinding(const std::vector<PlacedSolid>& placed, ClipKey clip, const HeldRods& held) {
  const CheckedPiece& c = *placed[size_t(clip.first)].piece;
  std::vector<int32_t> numbers;
  for (int rod : held.named) numbers.push_back(placed[size_t(rod)].piece->number);
  const int32_t line = placed[size_t(held.named.back())].piece->line;
  const long long more = held.count - (long long)numbers.size();
  std::string list;
  for (size_t k = 0; k < numbers.size(); ++k)
    list += (k == 0 ? "" : k + 1 == numbers.size() && !more ? " et " : ", ") + std::to_string(numbers[k]);
  if (more) list += " et " + std::to_string(more) + " autres";
  std::string text = "la pince " + std::to_string(clip.second) + " de " + pieceText(c.number, c.kind) + " tient " +
                     std::to_string(held.count) + " pièces, " + list +
                     " : une pince tient un seul bout de tige ou une seule tige par son corps";
  numbers.push_back(c.number);
  std::sort(numbers.begin(), numbers.end());
  return {FindingKind::CLIP, line, numbers, text};
}

}  // namespace

bool addSolidFindings(const CheckInput& input, const CheckControl* control, std::vector<Finding>& findings) {
  const std::vector<PlacedSolid> placed = placeSolids(input);
  HeldPieces held;
  std::vector<Finding> found;
  std::vector<PiecePair> foundPairs;  // the pair of each finding
  long long visited = 0;
  bool stopped = false;
  const auto test = [&](PiecePair pair) {
    if (++visited % 256 == 0 && control && control->keepGoing && !control->keepGoing(control->context))
      return !(stopped = true);
    if (joined(placed, pair, held)) return true;
    const PlacedSolid &a = placed[size_t(pair.first)], &b = placed[size_t(pair.second)];
    const bool same = samePlace(a, b);
    if (same || solidsOverlap(a, b)) {
      found.push_back(pairFinding(a, b, same));
      foundPairs.push_back(pair);
    }
    return findings.size() + found.size() < MAX_FINDINGS;
  };
  if (control && control->everyPair)
    forEveryPair(placed, test);
  else
    forEachNearPair(placed, test);
  // Rods sharing an overfull clip are reported once, as the clip's finding:
  // the clips each named rod is one of too many in.
  std::map<int, std::vector<ClipKey>> crowdedClipsOf;
  for (const auto& [clip, rods] : held) {
    if (rods.count < 2) continue;
    findings.push_back(clipFinding(placed, clip, rods));
    for (int rod : rods.named) crowdedClipsOf[rod].push_back(clip);
  }
  auto shareAClip = [&](PiecePair pair) {
    const auto a = crowdedClipsOf.find(pair.first), b = crowdedClipsOf.find(pair.second);
    if (a == crowdedClipsOf.end() || b == crowdedClipsOf.end()) return false;
    for (const ClipKey& clip : a->second)
      if (std::find(b->second.begin(), b->second.end(), clip) != b->second.end()) return true;
    return false;
  };
  for (size_t k = 0; k < found.size(); ++k)
    if (!shareAClip(foundPairs[k])) findings.push_back(std::move(found[k]));
  return !stopped;
}
