// The tests' own reader of piece files, apart from the program's: a file's
// faces, and a kind's faces as it should be drawn (its sub-parts under their
// placements, rods turned 45 degrees about z), computed in double. What the
// program derives from its one reader is checked against it.
#pragma once

#include <string>
#include <vector>

struct ShapePoint {
  double x, y, z;
};
using ShapeFace = std::vector<ShapePoint>;  // 3 or 4 corners, in file order

// The form 3 and 4 lines of a file, in file order; none for a file that
// cannot be read.
std::vector<ShapeFace> facesOfFile(const std::string& path);
// The kind's faces in its own frame, read from dataDir (ending in "/").
std::vector<ShapeFace> facesOfKind(const std::string& dataDir, int kind);
