#include "support/piece_shapes.h"

#include <array>
#include <cmath>
#include <fstream>
#include <sstream>

#include "pieces/catalogue.h"

namespace {
// Rows of a 3 x 4 placement: x' = a x + b y + c z + tx, and so on.
using Placement = std::array<std::array<double, 4>, 3>;

ShapePoint placed(const Placement& m, const ShapePoint& p) {
  auto row = [&](int r) { return m[size_t(r)][0] * p.x + m[size_t(r)][1] * p.y + m[size_t(r)][2] * p.z + m[size_t(r)][3]; };
  return {row(0), row(1), row(2)};
}

void addPlaced(std::vector<ShapeFace>& into, const std::vector<ShapeFace>& faces, const Placement& m) {
  for (ShapeFace f : faces) {
    for (ShapePoint& p : f) p = placed(m, p);
    into.push_back(f);
  }
}
}  // namespace

std::vector<ShapeFace> facesOfFile(const std::string& path) {
  std::vector<ShapeFace> faces;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    int form = 0, colour = 0;
    words >> form >> colour;
    if (form != 3 && form != 4) continue;
    ShapeFace f = ShapeFace(size_t(form));
    for (ShapePoint& p : f) words >> p.x >> p.y >> p.z;
    faces.push_back(f);
  }
  return faces;
}

std::vector<ShapeFace> facesOfKind(const std::string& dataDir, int kind) {
  const std::string path = dataDir + "vexo/Parts/" + pieceFileNames[kind];
  std::vector<ShapeFace> faces;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) {
    std::istringstream words(line);
    int form = 0, colour = 0;
    Placement m{};
    std::string name;
    if (!(words >> form >> colour) || form != 1) continue;
    words >> m[0][3] >> m[1][3] >> m[2][3];
    for (auto& row : m) words >> row[0] >> row[1] >> row[2];
    words >> name;
    addPlaced(faces, facesOfFile(dataDir + "vexo/P/" + name), m);
  }
  const std::vector<ShapeFace> own = facesOfFile(path);
  faces.insert(faces.end(), own.begin(), own.end());
  if (kind < 10 || kind > 15) return faces;
  // Rods: x towards (1, 1), y towards (-1, 1).
  const double h = std::sqrt(0.5);
  std::vector<ShapeFace> turned;
  addPlaced(turned, faces, Placement{{{h, -h, 0, 0}, {h, h, 0, 0}, {0, 0, 1, 0}}});
  return turned;
}
