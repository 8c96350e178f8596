#include "pieces/piece_file.h"

#include <cstring>

#include "pieces/catalogue.h"
#include "platform/core_files.h"
#include "platform/core_messages.h"
#include "platform/core_text_encoding.h"
#include "platform/core_data_dir.h"

namespace {
constexpr size_t PATH_CAPACITY = 1024;
// Real piece files are a few kilobytes; the limit keeps a wrong file (a
// device, a huge log) from filling the memory.
constexpr long long MAX_DATA_FILE_BYTES = 4LL * 1024 * 1024;

std::string dataPath(const char* folder, const char* name) {
  std::string path = dataDir + folder + name;
  if (path.size() > PATH_CAPACITY - 1) path.resize(PATH_CAPACITY - 1);
  return path;
}

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

std::string piecePath(int kind) { return dataPath("vexo/Parts/", pieceFileNames[kind]); }
std::string subPartPath(int index) { return dataPath("vexo/P/", subPartFileNames[index]); }

bool readDataFile(const char* path, std::string& text) {
  const FileReadError error = readRegularFile(path, MAX_DATA_FILE_BYTES, &text);
  if (error == FileReadError::None) return true;
  std::string message = path;
  if (error != FileReadError::CannotOpen) message += " (" + fileReadErrorReason(error, MAX_DATA_FILE_BYTES) + ")";
  showMessage(message.c_str(), "Erreur lors de l'ouverture de la pièce", ICON_NONE);
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

void loadMesh(const char* path, MeshBuffer& buffer) {
  std::string text;
  buffer.edgeCount = buffer.triangleCount = buffer.quadCount = 0;
  if (readDataFile(path, text)) parseMeshText(text.data(), text.size(), buffer);
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

int readSubPartPlacement(const char* line, Matrix& placement) {
  char name[256];
  if (!parseSubPartLine(line, placement, name)) return -1;
  const int index = findSubPart(name);
  if (index < 0) showMessage(cp1252ToUtf8(name).c_str(), "Non trouvé", ICON_ERROR);
  return index;
}
