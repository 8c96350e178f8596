// Reading piece and sub-part files: a line-oriented text format whose lines
// are comments ("0", "/"), sub-part placements (1), edges (2), triangles (3)
// and quadrilaterals (4).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "model/matrix.h"

constexpr int DATA_LINE_CAPACITY = 255;
constexpr int MESH_CAPACITY = 260;  // per form, counting a file's own lines

struct Point3 {
  float x, y, z;
};

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

// Full paths of the data files: dataDir + folder + name, cut to 1023 bytes.
std::string piecePath(int kind);
std::string subPartPath(int index);

// Parses the form 2, 3 and 4 lines of a file into the buffer. A file that
// cannot be read (readDataFile) is reported and leaves all counts at 0. Values a line
// lacks are 0; elements past the capacity of their form are ignored.
void loadMesh(const char* path, MeshBuffer& buffer);
// The same on text already in memory (no message).
void parseMeshText(const char* text, size_t length, MeshBuffer& buffer);
// One significant line into the buffer; false when it is not form 2, 3 or 4.
bool parseMeshLine(const char* line, MeshBuffer& buffer);

// A form 1 line: the sub-part placement matrix (column-major, last row fixed)
// and the name. False when the line is not form 1.
bool parseSubPartLine(const char* line, Matrix& placement, char name[256]);
// A form 1 line as the piece library places it: the index of the named
// sub-part and its placement. -1 when the line is not form 1, or when no
// sub-part has that name, after the "Non trouvé" message with the name.
int readSubPartPlacement(const char* line, Matrix& placement);

// Reads a whole data file: a regular file of at most 4 MB. A failure is
// reported captioned "Erreur lors de l'ouverture de la pièce", with the path
// as text, and the reason after it when the path is no file or too large.
bool readDataFile(const char* path, std::string& text);
