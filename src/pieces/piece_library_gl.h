// Display lists of the piece kinds and sub-parts, built once per GL context.
// Pieces are drawn with the lists of their kind; the model knows nothing of
// them.
#pragma once

#include <vector>

#include "pieces/catalogue.h"
#include "pieces/flat_mesh.h"
#include "pieces/simpler_meshes_gl.h"

// The lists, buffers and bounds of one GL context: the window's and an
// offscreen view's are separate, each built in its own context and given
// back to it. A library of 0 names draws nothing.
struct PieceLibrary {
  unsigned listBase = 0;     // the 50 nested lists, sub-parts then kinds
  unsigned simplerBase = 0;  // each kind's coarse and tiny lists
  SimplerBuffers simpler;
  std::vector<IndexedMesh> marks;  // each kind's mark mesh (pieces/mark_meshes.h), by kind
  BoundingSphere spheres[KIND_COUNT]{};
  float detailRadii[KIND_COUNT]{};
};

// Builds all 50 lists and the simpler meshes' lists and buffers in the
// current GL context, reporting the files that cannot be read.
PieceLibrary buildPieceLibrary();
// Gives the lists and buffers back to the current context, which must be
// the one they were built in, and empties the library.
void deletePieceLibrary(PieceLibrary& library);
// The solid or edge list of a piece kind; 0 for a number that is no kind.
unsigned kindList(const PieceLibrary& library, int kind, bool edges);

// Each kind's coarse or tiny mesh (pieces/flat_mesh.h) in one flat list per
// mode, with no nested sub-part list, for pieces seen small; FULL gives the
// nested kindList. 0 before the build and for a number that is no kind.
unsigned detailKindList(const PieceLibrary& library, int kind, MeshDetail detail, bool edges);
// The sphere holding a kind at every detail, in the kind's frame; radius 0
// before the build and for a number that is no kind.
BoundingSphere kindBoundingSphere(const PieceLibrary& library, int kind);
// Half the size of a kind's details: the radius of its bounds box with the
// longest side cut to the middle one. A rod's ends and sides are as fine as
// the rod is thick, however long it is; a connector's are as fine as it is
// wide. 0 before the build and for a number that is no kind.
float kindDetailRadius(const PieceLibrary& library, int kind);
