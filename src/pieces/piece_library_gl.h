// Display lists of the piece kinds and sub-parts, built once per GL context.
#pragma once

#include "pieces/catalogue.h"
#include "pieces/piece_file.h"

extern unsigned subPartSolidList[SUBPART_COUNT];
extern unsigned subPartEdgeList[SUBPART_COUNT];
extern unsigned kindSolidList[KIND_COUNT];
extern unsigned kindEdgeList[KIND_COUNT];

// Builds all 50 lists, fills the templates, clears the model table and makes
// the ghost piece a copy of kind 13. Needs a current GL context.
void buildPieceLibrary();
void emitMesh(const MeshBuffer& buffer, bool edgeMode);
void compilePieceFile(const char* path, bool edgeMode);
