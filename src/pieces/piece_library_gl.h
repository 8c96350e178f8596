// Display lists of the piece kinds and sub-parts, built once per GL context.
// Pieces are drawn with the lists of their kind; the model knows nothing of
// them.
#pragma once

#include "pieces/catalogue.h"
#include "pieces/flat_mesh.h"

extern unsigned subPartSolidList[SUBPART_COUNT];
extern unsigned subPartEdgeList[SUBPART_COUNT];
extern unsigned kindSolidList[KIND_COUNT];
extern unsigned kindEdgeList[KIND_COUNT];

// Builds all 50 lists. Needs a current GL context.
void buildPieceLibrary();
// Forgets the lists of a context that is gone: every list is 0 again, which
// draws nothing, until the next build.
void forgetPieceLibrary();
// Gives the lists and buffers back to the current context, which must be the
// one they were built in, then forgets them: for a context that stays while
// another one builds its own.
void deletePieceLibrary();
// The solid or edge list of a piece kind; 0 for a number that is no kind.
unsigned kindList(int kind, bool edges);

// Each kind's coarse or tiny mesh (pieces/flat_mesh.h) in one flat list per
// mode, with no nested sub-part list, for pieces seen small; FULL gives the
// nested kindList. 0 before the build and for a number that is no kind.
unsigned detailKindList(int kind, MeshDetail detail, bool edges);
// The sphere holding a kind at every detail, in the kind's frame; radius 0
// before the build and for a number that is no kind.
BoundingSphere kindBoundingSphere(int kind);
// Half the size of a kind's details: the radius of its bounds box with the
// longest side cut to the middle one. A rod's ends and sides are as fine as
// the rod is thick, however long it is; a connector's are as fine as it is
// wide. 0 before the build and for a number that is no kind.
float kindDetailRadius(int kind);
