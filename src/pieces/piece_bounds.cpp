// Bounds of the piece kinds, read from the same files and with the same
// placements as the display lists, without GL.
#include "pieces/piece_bounds.h"

#include <cmath>
#include <memory>
#include <string>

#include "pieces/catalogue.h"
#include "pieces/piece_file.h"
#include "platform/core_data_dir.h"
#include "platform/core_files.h"

namespace {
constexpr long long MAX_DATA_FILE_BYTES = 4LL * 1024 * 1024;

void transformPoint(const Matrix& M, const float p[3], float out[3]) {
  for (int r = 0; r < 3; ++r) out[r] = M.m[r] * p[0] + M.m[4 + r] * p[1] + M.m[8 + r] * p[2] + M.m[12 + r];
}

void addMeshPoints(Box& box, const MeshBuffer& b) {
  auto add = [&](const Point3& p) {
    const float point[3] = {p.x, p.y, p.z};
    addPoint(box, point);
  };
  for (int i = 0; i < b.edgeCount; ++i) add(b.edges[i][0]), add(b.edges[i][1]);
  for (int i = 0; i < b.triangleCount; ++i)
    for (const Point3& p : b.triangles[i]) add(p);
  for (int i = 0; i < b.quadCount; ++i)
    for (const Point3& p : b.quads[i]) add(p);
}

// A mesh buffer is large: one, on the heap, serves every file in turn.
Box meshFileBounds(const std::string& path, MeshBuffer& scratch, std::string* text = nullptr) {
  std::string bytes;
  Box box;
  if (readRegularFile(path.c_str(), MAX_DATA_FILE_BYTES, &bytes) != FileReadError::None) return box;
  parseMeshText(bytes.data(), bytes.size(), scratch);
  addMeshPoints(box, scratch);
  if (text) *text = std::move(bytes);
  return box;
}

// The sub-parts that the file's form 1 lines place.
void addSubParts(Box& box, const std::string& text, const Box subParts[SUBPART_COUNT]) {
  FILE* file = fmemopen(const_cast<char*>(text.data()), text.size(), "rb");
  if (!file) return;
  char line[DATA_LINE_CAPACITY];
  char name[256];
  Matrix placement;
  while (readDataLine(file, line)) {
    if (line[0] != '1' || !parseSubPartLine(line, placement, name)) continue;
    const int index = findSubPart(name);
    if (index >= 0) addPlacedBox(box, subParts[index], placement);
  }
  std::fclose(file);
}

void readAllKindBounds(Box kinds[KIND_COUNT]) {
  auto scratch = std::make_unique<MeshBuffer>();
  Box subParts[SUBPART_COUNT];
  for (int i = 0; i < SUBPART_COUNT; ++i) subParts[i] = meshFileBounds(subPartPath(i), *scratch);
  for (int k = 0; k < KIND_COUNT; ++k) {
    std::string text;
    Box own = meshFileBounds(piecePath(k), *scratch, &text);
    addSubParts(own, text, subParts);
    Matrix turn;
    setRotation(turn, 0.0f, 0.0f, isTurnedAtLoad(k) ? -45.0f : 0.0f);  // 45 degrees about z, as loaded
    kinds[k] = Box{};
    addPlacedBox(kinds[k], own, turn);
  }
}
}  // namespace

bool isEmpty(const Box& box) { return box.low[0] > box.high[0]; }

// A point beyond float's range (a placement gone to infinity) would move the
// view there: it is left out.
void addPoint(Box& box, const float point[3]) {
  if (!std::isfinite(point[0]) || !std::isfinite(point[1]) || !std::isfinite(point[2])) return;
  for (int i = 0; i < 3; ++i) {
    if (point[i] < box.low[i]) box.low[i] = point[i];
    if (point[i] > box.high[i]) box.high[i] = point[i];
  }
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

void addPlacedBox(Box& into, const Box& box, const Matrix& M) {
  forPlacedCorners(box, M, [&](const float* p) { addPoint(into, p); });
}

void addPlacedCorners(std::vector<Point3>& into, const Box& box, const Matrix& M) {
  forPlacedCorners(box, M, [&](const float* p) { into.push_back({p[0], p[1], p[2]}); });
}

Box kindBounds(int kind) {
  static Box kinds[KIND_COUNT];
  static std::string readFrom;
  static bool read = false;
  if (kind < 0 || kind >= KIND_COUNT) return Box{};
  if (!read || readFrom != dataDir) {
    readAllKindBounds(kinds);
    readFrom = dataDir;
    read = true;
  }
  return kinds[kind];
}
