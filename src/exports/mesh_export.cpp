// Writing the mesh files. Every file goes through the safe writer
// (platform/core_safe_writer.h): made beside its target, every write
// checked, and put in place only when all of them are complete (an OBJ's
// materials first, then the OBJ), so a failed or stopped export leaves
// nothing behind and the targets as they were. Assimp writes the .glb
// through streams of ours over the writer's file (its own ignore a full
// disk), lib3mf through callbacks.
#include "exports/mesh_export.h"

#include <assimp/scene.h>

#include <algorithm>
#include <atomic>
#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "exports/mesh_batches.h"
#include "exports/mesh_scene.h"
#include "exports/three_mf_file.h"
#include "pieces/kind_mesh.h"
#include "platform/core_safe_writer.h"

namespace fs = std::filesystem;

namespace {

struct FormatName {
  const char* extension;
  MeshFormat format;
};

constexpr FormatName formats[] = {
    {".stl", MeshFormat::STL}, {".obj", MeshFormat::OBJ},      {".glb", MeshFormat::GLB},
    {".ply", MeshFormat::PLY}, {".3mf", MeshFormat::THREE_MF},
};

std::string lowerExtension(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return extension;
}

// Assimp's glTF writer writes through this into the safe writer's file.
class OutputStream : public Assimp::IOStream {
 public:
  explicit OutputStream(OutputFile& file) : file_(file) {}
  size_t Read(void*, size_t, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t size, size_t count) override {
    return writeOutput(file_, buffer, size * count) ? count : 0;
  }
  aiReturn Seek(size_t offset, aiOrigin origin) override {
    const long long from = origin == aiOrigin_SET ? 0 : origin == aiOrigin_CUR ? file_.position : file_.size;
    seekOutput(file_, from + (long long)offset);
    return aiReturn_SUCCESS;
  }
  size_t Tell() const override { return size_t(file_.position); }
  size_t FileSize() const override { return size_t(file_.size); }
  void Flush() override {}

 private:
  OutputFile& file_;
};

// The one file the writer may open: the target, for writing.
class OutputFiles : public Assimp::IOSystem {
 public:
  explicit OutputFiles(OutputFile& file) : file_(file) {}
  bool Exists(const char*) const override { return false; }
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* path, const char* mode) override {
    return std::strchr(mode, 'w') && file_.target == path ? new OutputStream(file_) : nullptr;
  }
  void Close(Assimp::IOStream* stream) override { delete stream; }

 private:
  OutputFile& file_;
};

WriteResult writeGlb(const PieceRecord* table, double scale, OutputFile& out) {
  const std::unique_ptr<aiScene> scene = buildMeshScene(table, scale, MeshLayout::SHARED, false);
  Assimp::Exporter exporter;
  exporter.SetIOHandler(new OutputFiles(out));
  if (exporter.Export(scene.get(), "glb2", out.target) == aiReturn_SUCCESS) return {};
  return {WriteProblem::OTHER, exporter.GetErrorString()};
}

WriteResult writeMesh(MeshFormat format, const PieceRecord* table, double scale, OutputFile& out,
                      OutputFile& materials, const std::atomic<bool>* stop) {
  switch (format) {
    case MeshFormat::STL: return writeStlInBatches(table, scale, out, stop);
    case MeshFormat::OBJ:
      return writeObjInBatches(table, scale, out, materials, fs::path(materials.path).filename().string(), stop);
    case MeshFormat::PLY: return writePlyInBatches(table, scale, out, stop);
    case MeshFormat::THREE_MF: return writeThreeMfFile(table, scale, out);
    case MeshFormat::GLB: return writeGlb(table, scale, out);
  }
  return {};
}

std::string scaleText(double scale) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", scale);
  return text;
}

// The first drawn piece (-1 for none) that a format would write with a
// coordinate that is no finite single-precision number once scaled: a NaN
// or an infinity in its placement, or a placement too far away for the
// scale. Every corner of a kind lies within |centre| + radius of its origin.
int pieceWithoutFiniteCoordinates(const PieceRecord* table, double scale) {
  for (const PlacedPiece& piece : drawnPieces(table)) {
    const KindMesh& mesh = kindMesh(table[piece.number].kind);
    if (mesh.triangles.empty()) continue;
    const double reach = std::hypot(mesh.centre.x, mesh.centre.y, mesh.centre.z) + mesh.radius;
    const float* m = piece.world.m;
    for (int r = 0; r < 3; ++r) {
      const double far = (std::fabs(m[r]) + std::fabs(m[4 + r]) + std::fabs(m[8 + r])) * reach + std::fabs(m[12 + r]);
      if (!(far * scale < FLT_MAX)) return piece.number;
    }
  }
  return -1;
}

}  // namespace

bool meshFormatOfPath(const std::string& path, MeshFormat* format) {
  const std::string extension = lowerExtension(path);
  for (const FormatName& f : formats)
    if (extension == f.extension) return *format = f.format, true;
  return false;
}

std::string materialFileOf(const std::string& path) {
  MeshFormat format;
  if (!meshFormatOfPath(path, &format) || format != MeshFormat::OBJ) return "";
  return fs::path(path).replace_extension(".mtl").string();
}

long long exportedTriangleCount(const PieceRecord* table) { return countDrawnTriangles(table); }

bool exportModelMesh(const PieceRecord* table, const std::string& path, double scale, std::string* error,
                     const std::atomic<bool>* stop) {
  MeshFormat format;
  if (!meshFormatOfPath(path, &format)) {
    *error = "Format de maillage inconnu: " + path + " (choisir .stl, .obj, .glb, .ply ou .3mf)";
    return false;
  }
  const auto cannotWrite = [&](const std::string& file, const std::string& reason) {
    *error = "Impossible d'écrire le fichier " + file + " (" + reason + ")";
    return false;
  };
  if (const int piece = pieceWithoutFiniteCoordinates(table, scale); piece >= 0)
    return cannotWrite(path, "la pièce " + std::to_string(piece) + ", ligne " +
                                 std::to_string(table[piece].scriptLine) +
                                 ", aurait des coordonnées infinies ou indéfinies à l'échelle " + scaleText(scale) +
                                 "; rien n'a été écrit");
  // glTF wants at least one buffer, and Assimp writes none for no triangle.
  if (format == MeshFormat::GLB && countDrawnTriangles(table) == 0) {
    *error = "Le modèle n'a aucun triangle à exporter, et un fichier .glb ne peut pas être vide: " + path;
    return false;
  }
  OutputFile out, materials;
  WriteResult result = openOutputFile(path, out);
  if (!result.ok()) return cannotWrite(path, result.reason);
  // An OBJ names its materials beside the file it is written to.
  if (format == MeshFormat::OBJ) {
    const std::string materialPath = materialFileOf(out.target);
    if (result = openOutputFile(materialPath, materials); !result.ok()) return cannotWrite(materialPath, result.reason);
  }
  result = writeMesh(format, table, scale, out, materials, stop);
  for (OutputFile* file : {&out, &materials})
    if (const WriteResult failed = outputFailure(*file); !failed.ok()) return cannotWrite(file->path, failed.reason);
  if (result.ok() && stop && *stop) result = {WriteProblem::INTERRUPTED, "arrêté"};
  if (result.ok() && format == MeshFormat::THREE_MF && !completeThreeMf(out))
    result = {WriteProblem::OTHER, "écriture incomplète"};
  OutputFile* const both[] = {&materials, &out};
  if (result.ok()) result = format == MeshFormat::OBJ ? commitOutputFiles(both, 2) : commitOutputFile(out);
  return result.ok() || cannotWrite(path, result.reason);
}
