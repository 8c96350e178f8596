#include "exports/mesh_batches.h"

#include <assimp/cexport.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Exporter.hpp>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <string_view>
#include <vector>

#include "exports/mesh_scene.h"

namespace {

// About 13 MB of binary STL, 20 MB of OBJ text.
constexpr long long BATCH_TRIANGLES = 1 << 18;

bool stopped(const std::atomic<bool>* stop) { return stop && *stop; }

WriteResult assimpFailure(const char* text) { return {WriteProblem::OTHER, text}; }

// Calls write(first, last) for runs of pieces of about BATCH_TRIANGLES
// triangles in drawing order (once, with no piece, for an empty model),
// while nothing failed and no stop was asked.
template <typename Write>
WriteResult forEachBatch(const PieceRecord* table, const std::vector<PlacedPiece>& pieces, const OutputFile& out,
                         const std::atomic<bool>* stop, Write write) {
  size_t first = 0;
  WriteResult result;
  do {
    size_t last = first;
    for (long long triangles = 0; last < pieces.size() && triangles < BATCH_TRIANGLES; ++last)
      triangles += kindTriangleCount(table[pieces[last].number].kind);
    result = write(first, last);
    first = last;
  } while (first < pieces.size() && result.ok() && !out.error && !stopped(stop));
  return result;
}

// The batch as the format's files in memory, which the exporter keeps
// (nullptr when Assimp failed, with its reason in failure).
const aiExportDataBlob* exportBatch(Assimp::Exporter& exporter, const PieceRecord* table,
                                    const std::vector<PlacedPiece>& pieces, size_t first, size_t last, double scale,
                                    MeshLayout layout, const char* format, WriteResult& failure,
                                    bool vertexColours = false) {
  const auto scene = buildMeshScene(table, pieces, first, last, scale, layout, vertexColours);
  const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), format);
  if (!blob) failure = assimpFailure(*exporter.GetErrorString() ? exporter.GetErrorString() : "Assimp n'a rien écrit");
  return blob;
}

// Binary STL: 80 bytes of header, the triangle count, then 50 bytes a
// triangle. The batches' triangles follow one another under the first
// batch's header, and the count is their sum.
constexpr size_t STL_HEADER = 80, STL_COUNTED = 84;

struct ObjCounts {
  long long positions = 0, coordinates = 0, normals = 0;
};

// A face's corner "p", "p/t", "p//n" or "p/t/n", its indices moved past the
// batches before (Assimp writes them counted from 1 in each batch).
void appendMovedCorner(std::string_view corner, const ObjCounts& before, std::string& out) {
  const long long offsets[3] = {before.positions, before.coordinates, before.normals};
  for (int part = 0; part < 3; ++part) {
    const size_t slash = corner.find('/');
    const std::string_view number = corner.substr(0, slash);
    long long index = 0;
    if (!number.empty() && std::from_chars(number.data(), number.data() + number.size(), index).ec == std::errc()) {
      char digits[24];
      out.append(digits, std::to_chars(digits, digits + sizeof digits, index + offsets[part]).ptr);
    }
    if (slash == std::string_view::npos) return;
    out += '/';
    corner.remove_prefix(slash + 1);
  }
}

// A face's line "3 a b c": the corner count, then the indices, moved.
void appendMovedIndices(std::string_view words, long long before, std::string& out) {
  bool count = true;
  for (size_t at = 0; at < words.size();) {
    const size_t start = words.find_first_not_of(" \t\r", at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(words.find_first_of(" \t\r", start), words.size());
    long long index = 0;
    std::from_chars(words.data() + start, words.data() + end, index);
    if (!count) out += ' ';
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, count ? index : index + before).ptr);
    count = false;
    at = end;
  }
  out += '\n';
}

void appendMovedFace(std::string_view line, const ObjCounts& before, std::string& out) {
  out += 'f';
  for (size_t at = 1; at < line.size();) {
    const size_t start = line.find_first_not_of(" \t\r", at);
    if (start == std::string_view::npos) break;
    const size_t end = std::min(line.find_first_of(" \t\r", start), line.size());
    out += ' ';
    appendMovedCorner(line.substr(start, end - start), before, out);
    at = end;
  }
}

// One batch's OBJ text: its vertices, texture coordinates and normals as
// they are, its faces moved past the batches before, and the material
// library named once, at the top.
void appendObjBatch(std::string_view text, bool first, const std::string& libraryLine, ObjCounts& counts,
                    OutputFile& out) {
  const ObjCounts before = counts;
  std::string lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    if (line.starts_with("mtllib ") && !first) continue;
    if (line.starts_with("mtllib ")) {
      lines += libraryLine;
    } else if (line.starts_with("f ")) {
      appendMovedFace(line, before, lines);
    } else if (line.starts_with("g ")) {  // each piece an object too, which importers keep apart
      lines.append("o ").append(line.substr(2)).append("\n").append(line);
    } else {
      counts.positions += line.starts_with("v ");
      counts.coordinates += line.starts_with("vt ");
      counts.normals += line.starts_with("vn ");
      lines += line;
    }
    lines += '\n';
    if (lines.size() >= (1 << 20)) writeOutput(out, lines.data(), lines.size()), lines.clear();
  }
  writeOutput(out, lines.data(), lines.size());
}

// PLY text: a header that counts the vertices and the faces, then the
// vertices' lines, then the faces' lines ("3 a b c", indices from 0). The
// batches' vertices and faces are gathered in two unnamed scratch files, and
// the file is the first batch's header with the sums of the counts, then
// all the vertices, then all the faces, each batch's moved past the
// vertices before it.
struct PlyParts {
  std::string header;  // up to "end_header", counts as "element vertex %V" and "element face %F"
  long long vertices = 0, faces = 0;
  OutputFile vertexLines, faceLines;
};

long long headerCount(std::string_view header, std::string_view element) {
  const size_t at = header.find(element);
  long long count = -1;
  if (at != std::string_view::npos) {
    const char* digits = header.data() + at + element.size();
    std::from_chars(digits, header.data() + header.size(), count);
  }
  return count;
}

void putLines(OutputFile& file, std::string& lines) {
  writeOutput(file, lines.data(), lines.size());
  lines.clear();
}

WriteResult appendPlyBatch(std::string_view text, PlyParts& parts) {
  const size_t body = text.find("end_header\n");
  const long long vertices = headerCount(text, "element vertex "), faces = headerCount(text, "element face ");
  if (body == std::string_view::npos || vertices < 0 || faces < 0) return assimpFailure("Assimp a écrit un PLY illisible");
  if (parts.header.empty()) {
    parts.header = std::string(text.substr(0, body + 11));
    parts.header.replace(parts.header.find("element vertex "), 15 + std::to_string(vertices).size(), "element vertex %V");
    parts.header.replace(parts.header.find("element face "), 13 + std::to_string(faces).size(), "element face %F");
  }
  std::string lines;
  size_t at = body + 11;
  for (long long line = 0; line < vertices + faces && at < text.size(); ++line) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view words = text.substr(at, end - at);
    at = end + 1;
    if (line < vertices) {
      lines.append(words).push_back('\n');
    } else {
      appendMovedIndices(words, parts.vertices, lines);
    }
    if (line + 1 == vertices || line + 1 == vertices + faces || lines.size() >= (1 << 20))
      putLines(line < vertices ? parts.vertexLines : parts.faceLines, lines);
  }
  parts.vertices += vertices;
  parts.faces += faces;
  return {};
}

// The parts, whole: header with the counts, vertices, faces. A part that
// could not be written (or read back) leaves its failure in out.
void joinPly(PlyParts& parts, OutputFile& out) {
  std::string header = parts.header;
  header.replace(header.find("%V"), 2, std::to_string(parts.vertices));
  header.replace(header.find("%F"), 2, std::to_string(parts.faces));
  writeOutput(out, header.data(), header.size());
  static thread_local char buffer[1 << 16];
  for (OutputFile* part : {&parts.vertexLines, &parts.faceLines}) {
    if (part->error) out.error = part->error;
    long long n = 0;
    for (long long at = 0; (n = readOutput(*part, at, buffer, sizeof buffer)) > 0 && !out.error; at += n)
      writeOutput(out, buffer, size_t(n));
    if (n < 0) out.error = errno;
  }
}

}  // namespace

WriteResult writeStlInBatches(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop) {
  const std::vector<PlacedPiece> pieces = drawnPieces(table, UpAxis::Z);
  uint32_t total = 0;
  const WriteResult result = forEachBatch(table, pieces, out, stop, [&](size_t first, size_t last) {
    Assimp::Exporter exporter;
    WriteResult failure;
    const aiExportDataBlob* blob =
        exportBatch(exporter, table, pieces, first, last, scale, MeshLayout::SHARED, "stlb", failure);
    if (!blob) return failure;
    if (blob->size < STL_COUNTED) return assimpFailure("Assimp n'a écrit qu'une partie du fichier");
    const auto* bytes = static_cast<const char*>(blob->data);
    uint32_t count;
    std::memcpy(&count, bytes + STL_HEADER, sizeof count);
    total += count;
    if (first == 0) writeOutput(out, bytes, STL_COUNTED);
    writeOutput(out, bytes + STL_COUNTED, blob->size - STL_COUNTED);
    return WriteResult{};
  });
  seekOutput(out, STL_HEADER);
  writeOutput(out, &total, sizeof total);
  return result;
}

WriteResult writeObjInBatches(const PieceRecord* table, double scale, OutputFile& out, OutputFile& materials,
                              const std::string& materialName, const std::atomic<bool>* stop) {
  const std::vector<PlacedPiece> pieces = drawnPieces(table);
  const std::string libraryLine = "mtllib " + materialName;
  ObjCounts counts;
  return forEachBatch(table, pieces, out, stop, [&](size_t first, size_t last) {
    Assimp::Exporter exporter;
    WriteResult failure;
    // Assimp's OBJ writer names each group after its mesh.
    const aiExportDataBlob* blob =
        exportBatch(exporter, table, pieces, first, last, scale, MeshLayout::PLACED_COPIES, "obj", failure);
    if (!blob) return failure;
    appendObjBatch({static_cast<const char*>(blob->data), blob->size}, first == 0, libraryLine, counts, out);
    // Every batch names all the model's materials: the first one's stand.
    if (first == 0 && blob->next) writeOutput(materials, blob->next->data, blob->next->size);
    return WriteResult{};
  });
}

WriteResult writePlyInBatches(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop) {
  PlyParts parts;
  WriteResult result = openScratchFile(out.target, parts.vertexLines);
  if (result.ok()) result = openScratchFile(out.target, parts.faceLines);
  const std::vector<PlacedPiece> pieces = drawnPieces(table, UpAxis::Z);
  if (result.ok())
    result = forEachBatch(table, pieces, out, stop, [&](size_t first, size_t last) {
      Assimp::Exporter exporter;
      WriteResult failure;
      // Assimp's PLY writer takes the meshes without their nodes; the
      // colours are on the corners.
      const aiExportDataBlob* blob = exportBatch(exporter, table, pieces, first, last, scale,
                                                 MeshLayout::PLACED_INDEXED_COPIES, "ply", failure, true);
      if (!blob) return failure;
      // A scratch file that cannot be written stops the batches, through out.
      const WriteResult appended = appendPlyBatch({static_cast<const char*>(blob->data), blob->size}, parts);
      if (const int error = parts.vertexLines.error ? parts.vertexLines.error : parts.faceLines.error) out.error = error;
      return appended;
    });
  if (result.ok() && !stopped(stop)) joinPly(parts, out);
  return result;
}
