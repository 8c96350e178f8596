// The solid faces of the coarse and tiny meshes in buffer objects, as
// indexed triangles: a corner is shared by every face around it that lies in
// the same plane, so the GL lights it once rather than once per face, and
// the faces are laid out by the way they face, so that those of a piece
// that cannot face the eye are not sent at all. Drawn from lists, the same
// meshes took the software GL a quarter longer.
#pragma once

#include <vector>

#include "pieces/flat_mesh.h"

// Fills the buffers with every kind's coarse and tiny mesh, indexed by kind.
// Needs a current GL context; without buffer objects nothing is built and
// beginSimplerSolids says so.
void buildSimplerBuffers(const std::vector<FlatMesh>& coarse, const std::vector<FlatMesh>& tiny);
// Forgets the buffers of a context that is gone.
void forgetSimplerBuffers();
// Gives the buffers back to the current context, which must be theirs.
void deleteSimplerBuffers();

// Around a run of drawSimplerSolid calls: binds the buffers as the vertex
// and normal arrays. False when there are none; the lists are then drawn.
bool beginSimplerSolids();
// The kind's faces at COARSE or TINY under the current modelview and colour.
void drawSimplerSolid(int kind, MeshDetail detail, const float* modelview);
void endSimplerSolids();
