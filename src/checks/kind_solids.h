// Where the checker takes the pieces' shapes from: each kind's triangles in
// the kind's own frame, as the piece library draws them.
#pragma once

#include <array>
#include <vector>

using SolidCorner = std::array<double, 3>;
using SolidTriangle = std::array<SolidCorner, 3>;

// Every triangle of the kind's full-detail mesh, sub-parts in place and
// rods turned as drawn; empty for a kind whose files hold nothing.
std::vector<SolidTriangle> kindSolidTriangles(int kind);
