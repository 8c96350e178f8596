// The one geometry of each piece kind: its file and the sub-part files it
// places, read once through one reader into one record per kind (the
// sub-parts under their placements, the rods' turn, the bounds). The display
// lists, the simpler meshes, picking, the view's bounds and the mesh export
// all derive from it, so that what is drawn, picked, framed and exported is
// the same shape. No GL here.
#pragma once

#include <string>
#include <vector>

#include "model/geometry.h"
#include "pieces/catalogue.h"

// FULL is the files the library draws; COARSE and TINY the simpler variants
// made for pieces seen small, in "vexo/Coarse/" (fewer segments around,
// plain rod ends) and "vexo/Tiny/" (each piece one solid of its outline, no
// clip jaws). A simpler file that is missing falls back to the full one.
enum class MeshDetail { FULL, COARSE, TINY };

// One group of a kind's geometry as its list issues it: a sub-part under the
// placement of its form 1 line, or the file's own faces and edges (placed =
// false, no matrix of their own). A sub-part placed many times is stored
// once: its later placements share the first one's faces, kept in the
// sub-part's own frame, so a file placing one sub-part a hundred thousand
// times costs a part record each, not a copy of its faces each.
struct MeshPart {
  bool placed;
  Matrix placement;
  int subPart;  // index in subPartFileNames, -1 for the file's own
  int firstFace, faceCount;
  int firstTriangle, triangleCount;
  int firstEdge, edgeCount;
  // A sphere holding the part's corners and edge ends, in its own frame
  // (before its placement).
  Point3 centre;
  float radius;
};

struct KindMesh {
  // Applied before every part: the rods (isTurnedAtLoad) are modelled along
  // their file's axes but shown turned 45 degrees about z, as glRotatef(45,
  // 0, 0, 1) builds the turn in single precision; identity for the others.
  // The one place the turn is decided.
  Matrix turn;
  bool turned;
  std::vector<MeshPart> parts;  // in list order: sub-parts in file order, then the file's own
  // Per file, its quadrilaterals then its triangles, corners clockwise as
  // seen from outside, as the file lists them.
  std::vector<MeshFace> faces;
  // The same faces as triangles: quadrilaterals split into (0 1 2) and (0 2 3).
  std::vector<MeshTriangle> triangles;
  std::vector<MeshEdge> edges;
  // A sphere holding every corner and edge end, in the kind's frame.
  Point3 centre;
  float radius;
  // The box the kind fills in its own axes: the box of its own points and
  // of its sub-parts' boxes under their placements, then turned. Fitting the
  // view to a model reads it.
  Box bounds;
  // What reading found wrong, for the piece library to report: the file
  // that could not be read (see readPieceDataFile), and the sub-part names
  // of form 1 lines that name none, in file order.
  std::string problem;
  std::vector<std::string> unknownSubParts;
};

// A sub-part file's own faces and edges, and what reading it found wrong.
struct SubPartMesh {
  std::vector<MeshFace> faces;
  std::vector<MeshEdge> edges;
  std::string problem;
};

// The mesh of a kind at a detail, read from the files under dataDir on
// first use and again when dataDir changes. Files that cannot be read or
// sub-part names not found add nothing. A number that is no kind has an
// empty mesh.
const KindMesh& kindMesh(int kind, MeshDetail detail = MeshDetail::FULL);
// A sub-part file as the kinds place it; empty for a number that is no
// sub-part.
const SubPartMesh& subPartMesh(int index, MeshDetail detail = MeshDetail::FULL);
// The frame a part's corners are given in, within the kind's frame: the
// kind's turn, then the part's placement (each element summed in double).
Matrix partFrame(const KindMesh& mesh, const MeshPart& part);

// The box of kindMesh(kind), FULL; empty for a number that is no kind.
Box kindBounds(int kind);
