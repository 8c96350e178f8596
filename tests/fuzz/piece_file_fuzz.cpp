// Fuzz target: the piece file reader over any file contents. The same bytes
// are read from a file (readPieceDataFile) and parsed from memory
// (parseMeshText), and go through the form 1 pass that the kinds' reader
// makes (readDataLine, then the sub-part placement of each form 1 line).
// Checks that the file reads as the bytes, that the element counts are those
// of the file's significant lines (cut at 254 characters, capped at 260 per
// form) and that a placement keeps its fixed last row and names a sub-part
// or none. An input whose first byte is 1, 2 or 3 also names, in place of a
// file, a pipe, a directory or a link to /dev/zero: each must be refused
// with a problem naming it, never hang or be read as empty.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "fuzz_support.h"
#include "pieces/catalogue.h"
#include "pieces/piece_file.h"

namespace {
// Significant lines per first character, counted the plain way: a line is
// read in pieces of at most 254 bytes ending at a line feed; a CR LF end
// reads as LF; pieces that begin with "/", "0", a line feed or NUL are
// comments or empty.
struct LineCounts {
  int byFirst[256] = {};
  int significant = 0;
  int of(char first) const { return byFirst[static_cast<unsigned char>(first)]; }
};

LineCounts countLines(const uint8_t* data, size_t size) {
  LineCounts counts;
  size_t i = 0;
  while (i < size) {
    size_t end = i;
    while (end < size && end - i < DATA_LINE_CAPACITY - 1 && data[end++] != '\n') {
    }
    unsigned char first = data[i];
    // "\r\n" alone becomes an empty line.
    if (end - i == 2 && data[i] == '\r' && data[i + 1] == '\n') first = '\n';
    i = end;
    if (first == '/' || first == '0' || first == '\n' || first == '\0') continue;
    ++counts.byFirst[first];
    ++counts.significant;
  }
  return counts;
}

int capped(int n) { return n < MESH_CAPACITY ? n : MESH_CAPACITY; }

bool sameMesh(const MeshBuffer& a, const MeshBuffer& b) {
  return a.edgeCount == b.edgeCount && a.triangleCount == b.triangleCount && a.quadCount == b.quadCount &&
         std::memcmp(a.edges, b.edges, sizeof(a.edges[0]) * a.edgeCount) == 0 &&
         std::memcmp(a.triangles, b.triangles, sizeof(a.triangles[0]) * a.triangleCount) == 0 &&
         std::memcmp(a.quads, b.quads, sizeof(a.quads[0]) * a.quadCount) == 0;
}

// The form 1 pass of the piece library, on the same lines.
void checkSubPartPass(const uint8_t* data, size_t size, const LineCounts& counts) {
  FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!f) return;  // no stream over zero bytes
  char line[DATA_LINE_CAPACITY];
  int significant = 0, formOne = 0;
  while (readDataLine(f, line)) {
    ++significant;
    FUZZ_CHECK(std::memchr(line, '\0', DATA_LINE_CAPACITY) != nullptr);
    if (line[0] != '1') continue;
    ++formOne;
    Matrix placement;
    char name[256];
    FUZZ_CHECK(parseSubPartLine(line, placement, name));
    const int index = findSubPart(name);
    FUZZ_CHECK(index >= -1 && index < SUBPART_COUNT);
    FUZZ_CHECK(placement.m[3] == 0 && placement.m[7] == 0 && placement.m[11] == 0 && placement.m[15] == 1);
  }
  std::fclose(f);
  FUZZ_CHECK(significant == counts.significant);
  FUZZ_CHECK(formOne == counts.of('1'));
}

// A piece file that is no regular file: made, read, and removed again.
void checkNonRegularFile(uint8_t selector) {
  const std::string path = writeScratchFile(nullptr, 0) + ".special";
  std::filesystem::remove_all(path);
  const bool made = selector == 1   ? mkfifo(path.c_str(), 0600) == 0
                    : selector == 2 ? mkdir(path.c_str(), 0700) == 0
                                    : symlink("/dev/zero", path.c_str()) == 0;
  if (!made) return;
  std::string text, problem;
  FUZZ_CHECK(!readPieceDataFile(path, text, problem));
  FUZZ_CHECK(problem.rfind(path + " (", 0) == 0 && text.empty());
  std::filesystem::remove_all(path);
}

// Large: kept off the stack.
MeshBuffer fromMemory, fromFile;
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  captureMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const LineCounts counts = countLines(data, size);
  parseMeshText(reinterpret_cast<const char*>(data), size, fromMemory);
  FUZZ_CHECK(fromMemory.edgeCount == capped(counts.of('2')));
  FUZZ_CHECK(fromMemory.triangleCount == capped(counts.of('3')));
  FUZZ_CHECK(fromMemory.quadCount == capped(counts.of('4')));

  std::string text, problem;
  FUZZ_CHECK(readPieceDataFile(writeScratchFile(data, size), text, problem) && problem.empty());
  FUZZ_CHECK(text == std::string(reinterpret_cast<const char*>(data), size));
  parseMeshText(text.data(), text.size(), fromFile);
  FUZZ_CHECK(sameMesh(fromMemory, fromFile));

  checkSubPartPass(data, size, counts);
  if (size > 0 && data[0] >= 1 && data[0] <= 3) checkNonRegularFile(data[0]);
  return 0;
}
