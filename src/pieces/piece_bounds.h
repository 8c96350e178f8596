// The box each piece kind fills in its own axes, as the piece library draws
// it: the faces and edges of its file and of its sub-parts under their
// placements, rods turned as loaded. Fitting the view to a model reads it.
#pragma once

#include <vector>

#include "model/matrix.h"
#include "pieces/piece_file.h"

struct Box {
  float low[3] = {1e30f, 1e30f, 1e30f};  // low above high: empty
  float high[3] = {-1e30f, -1e30f, -1e30f};
};

bool isEmpty(const Box& box);
void addPoint(Box& box, const float point[3]);
// The eight corners of box placed by M, added to into.
void addPlacedBox(Box& into, const Box& box, const Matrix& M);
// The same corners appended to a list, leaving out those beyond float's range.
void addPlacedCorners(std::vector<Point3>& into, const Box& box, const Matrix& M);

// Read from the data folder at the first call, quietly (the piece library
// reports missing or bad files), and again after dataDir changes. Empty for
// a kind whose files hold nothing and for a number that is no kind.
Box kindBounds(int kind);
