#include "exports/mesh_streams.h"

#include <assimp/types.h>

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

#include "exports/mesh_scene.h"
#include "exports/parts_list.h"

namespace {

// Text and bytes gathered here go to the file a megabyte at a time; a line
// is never longer than the slack past that.
class Stream {
 public:
  explicit Stream(OutputFile& file) : file_(file), buffer_(FLUSH_AT + SLACK), at_(buffer_.data()) {}
  void text(std::string_view text) {
    if (text.size() > SLACK / 2) {
      flush();
      writeOutput(file_, text.data(), text.size());
      return;
    }
    std::memcpy(at_, text.data(), text.size());
    at_ += text.size();
  }
  void bytes(const void* bytes, size_t count) {
    std::memcpy(at_, bytes, count);
    at_ += count;
  }
  void number(float value) { at_ = std::to_chars(at_, at_ + 32, value).ptr; }
  void number(unsigned long long value) { at_ = std::to_chars(at_, at_ + 24, value).ptr; }
  void character(char c) { *at_++ = c; }
  // After each line or record: past a megabyte, it goes to the file.
  void mayFlush() {
    if (at_ >= buffer_.data() + FLUSH_AT) flush();
  }
  void flush() {
    if (at_ != buffer_.data()) writeOutput(file_, buffer_.data(), size_t(at_ - buffer_.data()));
    at_ = buffer_.data();
  }
  void seek(long long position) {
    flush();
    seekOutput(file_, position);
  }

 private:
  static constexpr size_t FLUSH_AT = 1 << 20, SLACK = 1 << 16;
  OutputFile& file_;
  std::vector<char> buffer_;
  char* at_;
};

// A kind's triangles in its own frame with each corner once, and for OBJ
// each distinct face normal once.
struct KindGeometry {
  SharedCorners shared;
  std::vector<aiVector3D> normals;
  std::vector<unsigned> normalOfFace;
};

using KindGeometries = std::map<int, KindGeometry>;

const KindGeometry& geometryOf(KindGeometries& kinds, int kind) {
  auto found = kinds.find(kind);
  if (found != kinds.end()) return found->second;
  KindGeometry& g = kinds[kind];
  g.shared = shareCorners(kindTriangles(kind));
  std::map<std::array<float, 3>, unsigned> normalIndex;
  for (const auto& f : g.shared.faces) {
    const aiVector3D &a = g.shared.corners[f[0]], &b = g.shared.corners[f[1]], &c = g.shared.corners[f[2]];
    const aiVector3D n = ((b - a) ^ (c - a)).NormalizeSafe();
    const auto [at, added] = normalIndex.emplace(std::array<float, 3>{n.x, n.y, n.z}, unsigned(g.normals.size()));
    if (added) g.normals.push_back(n);
    g.normalOfFace.push_back(at->second);
  }
  return g;
}

// The piece's matrix as rows (three coefficients and the move), each times
// the scale; in double, so that only the result is rounded to a float.
struct Placement {
  double row[3][4];
};

Placement placementOf(const Matrix& world, double scale) {
  Placement p;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) p.row[r][c] = double(world.m[4 * c + r]) * scale;
  return p;
}

aiVector3D placed(const Placement& p, const aiVector3D& v, bool move = true) {
  const auto at = [&](int r) {
    return float(p.row[r][0] * v.x + p.row[r][1] * v.y + p.row[r][2] * v.z + (move ? p.row[r][3] : 0.0));
  };
  return {at(0), at(1), at(2)};
}

void placeCorners(const KindGeometry& g, const Placement& p, std::vector<aiVector3D>& corners) {
  corners.resize(g.shared.corners.size());
  for (size_t i = 0; i < corners.size(); ++i) corners[i] = placed(p, g.shared.corners[i]);
}

bool stopped(const std::atomic<bool>* stop, const OutputFile& out) { return (stop && *stop) || out.error; }

// The pieces to write (those with triangles), with their kind's geometry.
struct PieceToWrite {
  const PlacedPiece* piece;
  const PieceRecord* record;
  const KindGeometry* geometry;
};

std::vector<PieceToWrite> piecesToWrite(const PieceRecord* table, const std::vector<PlacedPiece>& pieces,
                                        KindGeometries& kinds) {
  std::vector<PieceToWrite> written;
  for (const PlacedPiece& piece : pieces) {
    const KindGeometry& g = geometryOf(kinds, table[piece.number].kind);
    if (!g.shared.faces.empty()) written.push_back({&piece, &table[piece.number], &g});
  }
  return written;
}

void point(Stream& s, const aiVector3D& p) {
  s.number(p.x);
  s.character(' ');
  s.number(p.y);
  s.character(' ');
  s.number(p.z);
}

std::string pieceName(const PieceToWrite& p) {
  return "piece " + std::to_string(p.piece->number) + " ligne " + std::to_string(p.record->scriptLine);
}

}  // namespace

WriteResult writeStlFile(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop) {
  const std::vector<PlacedPiece> pieces = drawnPieces(table, UpAxis::Z);
  KindGeometries kinds;
  const std::vector<PieceToWrite> written = piecesToWrite(table, pieces, kinds);
  unsigned long long total = 0;
  for (const PieceToWrite& p : written) total += p.geometry->shared.faces.size();
  if (total > UINT32_MAX) return {WriteProblem::OTHER, "plus de triangles que le format STL n'en compte"};
  // A header that starts with "solid" would pass for text.
  char header[80] = "VexoCad STL, Z vers le haut, millimetres";
  const uint32_t count = uint32_t(total);
  Stream s(out);
  s.bytes(header, sizeof header);
  s.bytes(&count, sizeof count);
  std::vector<aiVector3D> corners;
  for (const PieceToWrite& p : written) {
    if (stopped(stop, out)) break;
    placeCorners(*p.geometry, placementOf(p.piece->world, scale), corners);
    for (const auto& f : p.geometry->shared.faces) {
      const aiVector3D &a = corners[f[0]], &b = corners[f[1]], &c = corners[f[2]];
      const aiVector3D n = ((b - a) ^ (c - a)).NormalizeSafe();
      const float record[12] = {n.x, n.y, n.z, a.x, a.y, a.z, b.x, b.y, b.z, c.x, c.y, c.z};
      s.bytes(record, sizeof record);
      s.bytes("\0", 2);
      s.mayFlush();
    }
  }
  s.flush();
  return {};
}

WriteResult writePlyFile(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop) {
  const std::vector<PlacedPiece> pieces = drawnPieces(table, UpAxis::Z);
  KindGeometries kinds;
  const std::vector<PieceToWrite> written = piecesToWrite(table, pieces, kinds);
  unsigned long long vertices = 0, faces = 0;
  for (const PieceToWrite& p : written) vertices += p.geometry->shared.corners.size(), faces += p.geometry->shared.faces.size();
  Stream s(out);
  s.text("ply\nformat ascii 1.0\ncomment VexoCad, Z vers le haut, millimetres\nelement vertex ");
  s.number(vertices);
  s.text("\nproperty float x\nproperty float y\nproperty float z\nproperty uchar red\nproperty uchar green\n"
         "property uchar blue\nproperty uchar alpha\nelement face ");
  s.number(faces);
  s.text("\nproperty list uchar int vertex_index\nend_header\n");
  std::vector<aiVector3D> corners;
  for (const PieceToWrite& p : written) {
    if (stopped(stop, out)) return s.flush(), WriteResult{};
    const ColourBytes c = colourBytes(p.record->colour);
    const std::string colour = " " + std::to_string(c[0]) + " " + std::to_string(c[1]) + " " + std::to_string(c[2]) +
                               " " + std::to_string(c[3]) + "\n";
    placeCorners(*p.geometry, placementOf(p.piece->world, scale), corners);
    for (const aiVector3D& corner : corners) {
      point(s, corner);
      s.text(colour);
      s.mayFlush();
    }
  }
  unsigned long long before = 0;
  for (const PieceToWrite& p : written) {
    if (stopped(stop, out)) break;
    for (const auto& f : p.geometry->shared.faces) {
      s.character('3');
      for (unsigned corner : f) s.character(' '), s.number(before + corner);
      s.character('\n');
      s.mayFlush();
    }
    before += p.geometry->shared.corners.size();
  }
  s.flush();
  return {};
}

WriteResult writeObjFile(const PieceRecord* table, double scale, OutputFile& out, OutputFile& materials,
                         const std::string& materialName, const std::atomic<bool>* stop) {
  const std::vector<PlacedPiece> pieces = drawnPieces(table, UpAxis::Y);
  KindGeometries kinds;
  const std::vector<PieceToWrite> written = piecesToWrite(table, pieces, kinds);
  // One material per colour, in the order the pieces first use them.
  Stream m(materials);
  std::map<ColourBytes, std::string> named;
  for (const PieceToWrite& p : written) {
    const ColourBytes c = colourBytes(p.record->colour);
    if (named.count(c)) continue;
    named[c] = ::materialName(c);
    m.text("newmtl " + named[c] + "\nKd ");
    point(m, aiVector3D(c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f));
    m.text("\nd ");
    m.number(c[3] / 255.0f);
    m.text("\nillum 1\n\n");
    m.mayFlush();
  }
  m.flush();
  Stream s(out);
  s.text("# VexoCad, Y vers le haut, millimètres\nmtllib " + materialName + "\n");
  unsigned long long cornersBefore = 0, normalsBefore = 0;
  std::vector<aiVector3D> corners;
  for (const PieceToWrite& p : written) {
    if (stopped(stop, out)) break;
    const std::string name = pieceName(p);
    s.text("o " + name + "\ng " + name + "\nusemtl " + named[colourBytes(p.record->colour)] + "\n");
    const Placement placement = placementOf(p.piece->world, scale);
    placeCorners(*p.geometry, placement, corners);
    for (const aiVector3D& corner : corners) {
      s.text("v ");
      point(s, corner);
      s.character('\n');
      s.mayFlush();
    }
    const Placement turn = placementOf(p.piece->world, 1.0);
    for (const aiVector3D& normal : p.geometry->normals) {
      s.text("vn ");
      point(s, placed(turn, normal, false).NormalizeSafe());
      s.character('\n');
      s.mayFlush();
    }
    const auto& faces = p.geometry->shared.faces;
    for (size_t f = 0; f < faces.size(); ++f) {
      const unsigned long long normal = normalsBefore + p.geometry->normalOfFace[f] + 1;
      s.character('f');
      for (unsigned corner : faces[f]) {
        s.character(' ');
        s.number(cornersBefore + corner + 1);
        s.text("//");
        s.number(normal);
      }
      s.character('\n');
      s.mayFlush();
    }
    cornersBefore += corners.size();
    normalsBefore += p.geometry->normals.size();
  }
  s.flush();
  return {};
}
