// Reading piece and sub-part files: a line-oriented text format whose lines
// are comments ("0", "/"), sub-part placements (1), edges (2), triangles (3)
// and quadrilaterals (4).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/geometry.h"

constexpr int DATA_LINE_CAPACITY = 255;
constexpr int MESH_CAPACITY = 260;  // per form, counting a file's own lines
// Real piece files are a few kilobytes; the limit keeps a wrong file (a
// device, a huge log) from filling the memory.
constexpr long long MAX_DATA_FILE_BYTES = 4LL * 1024 * 1024;

struct MeshBuffer {
  int32_t edgeCount;
  int32_t triangleCount;
  int32_t quadCount;
  Point3 edges[MESH_CAPACITY][2];
  Point3 triangles[MESH_CAPACITY][3];
  Point3 quads[MESH_CAPACITY][4];
};

// The next significant line (not a comment or an empty line) of at most 254
// characters; longer lines come in pieces. False at the end of the file.
bool readDataLine(FILE* file, char buffer[DATA_LINE_CAPACITY]);

// Reads a whole data file: a regular file of at most MAX_DATA_FILE_BYTES.
// The one place piece and sub-part files are opened. On failure the text is
// empty and problem says what the piece library reports: the path, and the
// reason after it when the path is no file or too large.
bool readPieceDataFile(const std::string& path, std::string& text, std::string& problem);

// Parses the form 2, 3 and 4 lines of text into the buffer. Values a line
// lacks are 0; elements past the capacity of their form are ignored.
void parseMeshText(const char* text, size_t length, MeshBuffer& buffer);
// One significant line into the buffer; false when it is not form 2, 3 or 4.
bool parseMeshLine(const char* line, MeshBuffer& buffer);

// A form 1 line: the sub-part placement matrix (column-major, last row fixed)
// and the name. False when the line is not form 1.
bool parseSubPartLine(const char* line, Matrix& placement, char name[256]);
