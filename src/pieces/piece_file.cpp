#include "pieces/piece_file.h"

#include <cstring>

#include "platform/core_files.h"

namespace {
void zero(Point3* points, int n) { std::memset(static_cast<void*>(points), 0, sizeof(Point3) * n); }

// The type and colour numbers are read and thrown away.
void parseEdge(const char* line, Point3 p[2]) {
  int type, colour;
  zero(p, 2);
  std::sscanf(line, "%d %d %f %f %f %f %f %f", &type, &colour, &p[0].x, &p[0].y, &p[0].z, &p[1].x,
              &p[1].y, &p[1].z);
}

void parseTriangle(const char* line, Point3 p[3]) {
  int type, colour;
  zero(p, 3);
  std::sscanf(line, "%d %d %f %f %f %f %f %f %f %f %f", &type, &colour, &p[0].x, &p[0].y, &p[0].z,
              &p[1].x, &p[1].y, &p[1].z, &p[2].x, &p[2].y, &p[2].z);
}

void parseQuad(const char* line, Point3 p[4]) {
  int type, colour;
  zero(p, 4);
  std::sscanf(line, "%d %d %f %f %f %f %f %f %f %f %f %f %f %f", &type, &colour, &p[0].x, &p[0].y,
              &p[0].z, &p[1].x, &p[1].y, &p[1].z, &p[2].x, &p[2].y, &p[2].z, &p[3].x, &p[3].y,
              &p[3].z);
}
}  // namespace

bool readDataLine(FILE* file, char buffer[DATA_LINE_CAPACITY]) {
  for (;;) {
    if (std::feof(file)) return false;
    if (!std::fgets(buffer, DATA_LINE_CAPACITY, file)) return false;
    // A CR LF pair reads as one line break, as text mode reads it.
    size_t n = std::strlen(buffer);
    if (n >= 2 && buffer[n - 2] == '\r' && buffer[n - 1] == '\n') {
      buffer[n - 2] = '\n';
      buffer[n - 1] = '\0';
    }
    const char first = buffer[0];
    if (first == '/' || first == '0' || first == '\n' || first == '\0') continue;
    return true;
  }
}

bool readPieceDataFile(const std::string& path, std::string& text, std::string& problem) {
  text.clear();
  problem.clear();
  const FileReadError error = readRegularFile(path.c_str(), MAX_DATA_FILE_BYTES, &text);
  if (error == FileReadError::None) return true;
  text.clear();
  problem = path;
  if (error != FileReadError::CannotOpen) problem += " (" + fileReadErrorReason(error, MAX_DATA_FILE_BYTES) + ")";
  return false;
}

bool parseMeshLine(const char* line, MeshBuffer& b) {
  switch (line[0]) {
    case '4':
      if (b.quadCount < MESH_CAPACITY) parseQuad(line, b.quads[b.quadCount++]);
      return true;
    case '3':
      if (b.triangleCount < MESH_CAPACITY) parseTriangle(line, b.triangles[b.triangleCount++]);
      return true;
    case '2':
      if (b.edgeCount < MESH_CAPACITY) parseEdge(line, b.edges[b.edgeCount++]);
      return true;
    default:
      return false;
  }
}

void parseMeshText(const char* text, size_t length, MeshBuffer& buffer) {
  buffer.edgeCount = buffer.triangleCount = buffer.quadCount = 0;
  FILE* f = fmemopen(const_cast<char*>(text), length, "rb");
  if (!f) return;
  char line[DATA_LINE_CAPACITY];
  while (readDataLine(f, line)) parseMeshLine(line, buffer);
  std::fclose(f);
}

bool parseSubPartLine(const char* line, Matrix& M, char name[256]) {
  if (line[0] != '1') return false;
  int type, colour;
  float* e = M.m;
  for (int i = 0; i < 16; ++i) e[i] = 0.0f;
  e[15] = 1.0f;
  name[0] = '\0';
  // x y z, then the rows a b c / d e f / g h i.
  std::sscanf(line, "%d %d %f %f %f %f %f %f %f %f %f %f %f %f %255s", &type, &colour, &e[12],
              &e[13], &e[14], &e[0], &e[4], &e[8], &e[1], &e[5], &e[9], &e[2], &e[6], &e[10], name);
  return true;
}
