// The solid faces of the coarse and tiny meshes in buffer objects, as
// indexed triangles: a corner is shared by every face around it that lies in
// the same plane, so the GL lights it once rather than once per face, and
// the faces are laid out by the way they face, so that those of a piece
// that cannot face the eye are not sent at all. Drawn from lists, the same
// meshes took the software GL a quarter longer.
#pragma once

#include <array>
#include <vector>

#include "pieces/catalogue.h"
#include "pieces/flat_mesh.h"

// A kind's triangles in the index buffer, laid out so that the faces a piece
// can show from where the eye is are at most two runs: those facing down its
// main axis, those of no axis and those facing up it in one run (both caps
// are drawn only from beside the piece, when the run is whole), and the
// faces around the axis sorted by the angle they face, twice over, so that
// any half turn of them and more is one run.
struct KindLayout {
  int axis = -1;            // 0, 1 or 2; -1 when every face is drawn
  size_t first = 0;          // the down, other and up runs, in indices
  size_t otherFirst = 0, upFirst = 0, upEnd = 0;
  size_t aroundFirst = 0;    // then the faces around, in indices
  std::vector<float> angles;  // of each triangle around, sorted, then again plus a turn
  std::array<float, 3> centre{};
  float radius = 0.0f;       // holding every corner, round centre
};

// The buffers of one GL context; none (0) before they are built.
struct SimplerBuffers {
  unsigned vertices = 0, indices = 0;
  KindLayout layouts[2][KIND_COUNT];  // [coarse or tiny][kind]
};

// Fills buffers with every kind's coarse and tiny mesh, indexed by kind.
// Needs a current GL context; without buffer objects nothing is built and
// beginSimplerSolids says so.
SimplerBuffers buildSimplerBuffers(const std::vector<FlatMesh>& coarse, const std::vector<FlatMesh>& tiny);
// Gives the buffers back to the current context, which must be theirs.
void deleteSimplerBuffers(SimplerBuffers& buffers);

// Around a run of drawSimplerSolid calls: binds the buffers as the vertex
// and normal arrays. False when there are none; the lists are then drawn.
bool beginSimplerSolids(const SimplerBuffers& buffers);
// The kind's faces at COARSE or TINY under the current modelview and colour.
void drawSimplerSolid(const SimplerBuffers& buffers, int kind, MeshDetail detail, const float* modelview);
void endSimplerSolids();
