// Reading the piece kinds: each kind's file and the sub-part files it places,
// once per data folder and detail, into the one record every consumer
// derives from.
#include "pieces/kind_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <numbers>

#include "pieces/piece_file.h"
#include "platform/core_data_dir.h"

namespace {

constexpr size_t PATH_CAPACITY = 1024;

struct DetailSet {
  bool loaded = false;
  std::string readFrom;  // the dataDir it was read under
  SubPartMesh subParts[SUBPART_COUNT];
  KindMesh kinds[KIND_COUNT];
};

DetailSet detailSets[3];  // by MeshDetail

// dataDir + the detail's set + folder + name, cut to 1023 bytes.
std::string dataPath(MeshDetail detail, const char* folder, const char* name) {
  const char* const set =
      detail == MeshDetail::COARSE ? "vexo/Coarse/" : detail == MeshDetail::TINY ? "vexo/Tiny/" : "vexo/";
  std::string path = dataDir + set + folder + name;
  if (path.size() > PATH_CAPACITY - 1) path.resize(PATH_CAPACITY - 1);
  return path;
}

// The simpler file when there is one, else the full one; a problem is the
// full file's.
bool readDetailFile(MeshDetail detail, const char* folder, const char* name, std::string& text,
                    std::string& problem) {
  if (detail != MeshDetail::FULL && readPieceDataFile(dataPath(detail, folder, name), text, problem)) return true;
  return readPieceDataFile(dataPath(MeshDetail::FULL, folder, name), text, problem);
}

// The turn of rods as glRotatef(45, 0, 0, 1) builds it in single precision:
// the angle through double radians into float sine and cosine.
Matrix turnOf(int kind) {
  Matrix turn = identityMatrix();
  if (!isTurnedAtLoad(kind)) return turn;
  const float angle = float(45.0 * std::numbers::pi / 180.0);
  const float s = std::sin(angle), c = std::cos(angle);
  turn.m[0] = c;
  turn.m[5] = c;
  turn.m[1] = s;
  turn.m[4] = -s;
  return turn;
}

// Centre of the box around the points, radius to the farthest of them.
template <typename ForEachPoint>
void boundPoints(ForEachPoint forEachPoint, Point3& centre, float& radius) {
  float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
  bool first = true;
  forEachPoint([&](const Point3& p) {
    const float v[3] = {p.x, p.y, p.z};
    for (int a = 0; a < 3; ++a) {
      low[a] = first ? v[a] : std::min(low[a], v[a]);
      high[a] = first ? v[a] : std::max(high[a], v[a]);
    }
    first = false;
  });
  centre = {0.5f * (low[0] + high[0]), 0.5f * (low[1] + high[1]), 0.5f * (low[2] + high[2])};
  double r2 = 0.0;
  forEachPoint([&](const Point3& p) {
    const double dx = p.x - centre.x, dy = p.y - centre.y, dz = p.z - centre.z;
    r2 = std::max(r2, dx * dx + dy * dy + dz * dz);
  });
  radius = float(std::sqrt(r2));
}

// The buffer's faces as the library emits them: quadrilaterals, then
// triangles; then its edges.
void meshOfBuffer(const MeshBuffer& b, std::vector<MeshFace>& faces, std::vector<MeshEdge>& edges) {
  for (int i = 0; i < b.quadCount; ++i) {
    MeshFace f{4, {}};
    std::copy(b.quads[i], b.quads[i] + 4, f.p);
    faces.push_back(f);
  }
  for (int i = 0; i < b.triangleCount; ++i) {
    MeshFace f{3, {}};
    std::copy(b.triangles[i], b.triangles[i] + 3, f.p);
    faces.push_back(f);
  }
  for (int i = 0; i < b.edgeCount; ++i) edges.push_back({b.edges[i][0], b.edges[i][1]});
}

// A mesh buffer is large: one, on the heap, serves every file in turn.
void parseInto(const std::string& text, std::vector<MeshFace>& faces, std::vector<MeshEdge>& edges) {
  static const auto scratch = std::make_unique<MeshBuffer>();
  parseMeshText(text.data(), text.size(), *scratch);
  meshOfBuffer(*scratch, faces, edges);
}

// The faces and edges as one part, after what the mesh holds.
void appendPart(KindMesh& mesh, const std::vector<MeshFace>& faces, const std::vector<MeshEdge>& edges,
                int subPart, const Matrix& placement) {
  MeshPart part{subPart >= 0, placement, subPart, int(mesh.faces.size()), int(faces.size()),
                int(mesh.triangles.size()), 0, int(mesh.edges.size()), int(edges.size()), {}, 0.0f};
  for (const MeshFace& f : faces) {
    mesh.faces.push_back(f);
    mesh.triangles.push_back({f.p[0], f.p[1], f.p[2]});
    if (f.count == 4) mesh.triangles.push_back({f.p[0], f.p[2], f.p[3]});
  }
  mesh.edges.insert(mesh.edges.end(), edges.begin(), edges.end());
  part.triangleCount = int(mesh.triangles.size()) - part.firstTriangle;
  boundPoints(
      [&](auto visit) {
        for (int i = 0; i < part.faceCount; ++i) {
          const MeshFace& f = mesh.faces[size_t(part.firstFace + i)];
          for (int k = 0; k < f.count; ++k) visit(f.p[k]);
        }
        for (int i = 0; i < part.edgeCount; ++i)
          for (const Point3& p : mesh.edges[size_t(part.firstEdge + i)]) visit(p);
      },
      part.centre, part.radius);
  mesh.parts.push_back(part);
}

Box boxOf(const std::vector<MeshFace>& faces, const std::vector<MeshEdge>& edges) {
  Box box;
  auto add = [&](const Point3& p) {
    const float point[3] = {p.x, p.y, p.z};
    addPoint(box, point);
  };
  for (const MeshEdge& e : edges) add(e[0]), add(e[1]);
  for (const MeshFace& f : faces)
    for (int k = 0; k < f.count; ++k) add(f.p[k]);
  return box;
}

// The file's form 1 lines, each the named sub-part under its placement.
void appendSubParts(KindMesh& mesh, const std::string& text, const DetailSet& set) {
  FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  if (!file) return;  // no stream over an empty file: it has no line
  char line[DATA_LINE_CAPACITY], name[256];
  std::map<int, MeshPart> read;
  Matrix placement;
  while (readDataLine(file, line)) {
    if (!parseSubPartLine(line, placement, name)) continue;
    const int index = findSubPart(name);
    if (index < 0) {
      mesh.unknownSubParts.push_back(name);
      continue;
    }
    if (auto known = read.find(index); known != read.end()) {
      MeshPart part = known->second;
      part.placement = placement;
      mesh.parts.push_back(part);
      continue;
    }
    const SubPartMesh& sub = set.subParts[index];
    appendPart(mesh, sub.faces, sub.edges, index, placement);
    read[index] = mesh.parts.back();
  }
  std::fclose(file);
}

void bound(KindMesh& mesh, const DetailSet& set, const Box& own) {
  boundPoints(
      [&](auto visit) {
        for (const MeshPart& part : mesh.parts) {
          const Matrix frame = partFrame(mesh, part);
          for (int i = 0; i < part.faceCount; ++i) {
            const MeshFace& f = mesh.faces[size_t(part.firstFace + i)];
            for (int k = 0; k < f.count; ++k) visit(placedPoint(frame, f.p[k]));
          }
          for (int i = 0; i < part.edgeCount; ++i)
            for (const Point3& p : mesh.edges[size_t(part.firstEdge + i)]) visit(placedPoint(frame, p));
        }
      },
      mesh.centre, mesh.radius);
  Box unturned = own;
  for (const MeshPart& part : mesh.parts)
    if (part.placed) {
      const SubPartMesh& sub = set.subParts[part.subPart];
      addPlacedBox(unturned, boxOf(sub.faces, sub.edges), part.placement);
    }
  addPlacedBox(mesh.bounds, unturned, mesh.turn);
}

// Sub-parts first in file order, then the file's own geometry, as the
// kind's list draws them.
void readKind(KindMesh& mesh, int kind, MeshDetail detail, const DetailSet& set) {
  mesh = KindMesh{};
  mesh.turn = turnOf(kind);
  mesh.turned = isTurnedAtLoad(kind);  // the turn is not the identity
  std::string text;
  std::vector<MeshFace> faces;
  std::vector<MeshEdge> edges;
  if (readDetailFile(detail, "Parts/", pieceFileNames[kind], text, mesh.problem)) {
    appendSubParts(mesh, text, set);
    parseInto(text, faces, edges);
    appendPart(mesh, faces, edges, -1, identityMatrix());
  }
  bound(mesh, set, boxOf(faces, edges));
}

const DetailSet& detailSet(MeshDetail detail) {
  DetailSet& set = detailSets[int(detail)];
  if (set.loaded && set.readFrom == dataDir) return set;
  for (int i = 0; i < SUBPART_COUNT; ++i) {
    SubPartMesh& sub = set.subParts[i];
    sub = SubPartMesh{};
    std::string text;
    readDetailFile(detail, "P/", subPartFileNames[i], text, sub.problem);
    parseInto(text, sub.faces, sub.edges);
  }
  for (int k = 0; k < KIND_COUNT; ++k) readKind(set.kinds[k], k, detail, set);
  set.readFrom = dataDir;
  set.loaded = true;
  return set;
}

}  // namespace

const KindMesh& kindMesh(int kind, MeshDetail detail) {
  static const KindMesh none{identityMatrix(), false, {}, {}, {}, {}, {}, 0.0f, {}, {}, {}};
  if (kind < 0 || kind >= KIND_COUNT) return none;
  return detailSet(detail).kinds[kind];
}

const SubPartMesh& subPartMesh(int index, MeshDetail detail) {
  static const SubPartMesh none{};
  if (index < 0 || index >= SUBPART_COUNT) return none;
  return detailSet(detail).subParts[index];
}

Matrix partFrame(const KindMesh& mesh, const MeshPart& part) {
  Matrix frame = mesh.turn;
  if (part.placed) multiplyRight(frame, part.placement);
  return frame;
}

Box kindBounds(int kind) { return kind < 0 || kind >= KIND_COUNT ? Box{} : kindMesh(kind).bounds; }
