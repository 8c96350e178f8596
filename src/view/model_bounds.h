// The room the drawn model takes in world axes, for fitting the view to it.
#pragma once

#include "model/model_table.h"
#include "pieces/kind_mesh.h"

// The corners of the boxes of every piece that drawing reaches (each root
// and the pieces in its frame, placed as drawing composes them), from each
// kind's bounds.
std::vector<Point3> modelCorners(const PieceRecord* table);
