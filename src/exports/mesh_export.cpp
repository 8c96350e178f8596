// Writing the mesh files. Every file goes through the safe writer
// (platform/core_safe_writer.h): made beside its target, every write
// checked, and put in place only when all of them are complete (an OBJ's
// materials first, then the OBJ), so a failed or stopped export leaves
// nothing behind and the targets as they were. Assimp writes the .glb in
// memory (it is small: every kind's mesh once), lib3mf through callbacks.
#include "exports/mesh_export.h"

#include <assimp/scene.h>

#include <algorithm>
#include <atomic>
#include <assimp/Exporter.hpp>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "exports/mesh_scene.h"
#include "exports/mesh_streams.h"
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

// The names under every "extensions" object of the JSON.
void collectExtensions(const nlohmann::json& value, std::set<std::string>& used) {
  if (value.is_object())
    for (const auto& [key, item] : value.items()) {
      if (key == "extensions" && item.is_object())
        for (const auto& extension : item.items()) used.insert(extension.key());
      collectExtensions(item, used);
    }
  if (value.is_array())
    for (const auto& item : value) collectExtensions(item, used);
}

// The .glb with only the extensions it uses declared: Assimp declares
// KHR_materials_volume and FB_ngon_encoding in every file. A binary glTF is
// a 12-byte header, then chunks of a length, a type and that many bytes:
// the JSON (padded with spaces to four bytes), then the binary buffer.
bool declareUsedExtensionsOnly(std::string& glb) {
  uint32_t jsonLength = 0;
  if (glb.size() < 20 || glb.compare(0, 4, "glTF") != 0) return false;
  std::memcpy(&jsonLength, &glb[12], 4);
  if (glb.size() < 20 + size_t(jsonLength) || glb.compare(16, 4, "JSON") != 0) return false;
  nlohmann::json json = nlohmann::json::parse(glb.begin() + 20, glb.begin() + 20 + jsonLength, nullptr, false);
  if (json.is_discarded()) return false;
  std::set<std::string> used;
  collectExtensions(json, used);
  for (const char* list : {"extensionsUsed", "extensionsRequired"}) {
    if (!json.contains(list)) continue;
    nlohmann::json kept = nlohmann::json::array();
    for (const auto& name : json[list])
      if (name.is_string() && used.count(name.get<std::string>())) kept.push_back(name);
    if (kept.empty()) json.erase(list);
    else json[list] = kept;
  }
  std::string text = json.dump();
  text.append((4 - text.size() % 4) % 4, ' ');
  const uint32_t newLength = uint32_t(text.size());
  glb.replace(20, jsonLength, text);
  std::memcpy(&glb[12], &newLength, 4);
  const uint32_t total = uint32_t(glb.size());
  std::memcpy(&glb[8], &total, 4);
  return true;
}

// glTF in metres, as its readers take it: a model unit is a millimetre.
// Its colours are linear, as the format defines them.
WriteResult writeGlb(const PieceRecord* table, double scale, OutputFile& out) {
  const std::unique_ptr<aiScene> scene = buildMeshScene(table, scale / 1000, true);
  Assimp::Exporter exporter;
  const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), "glb2");
  if (!blob) return {WriteProblem::OTHER, exporter.GetErrorString()};
  std::string glb(static_cast<const char*>(blob->data), blob->size);
  if (!declareUsedExtensionsOnly(glb)) return {WriteProblem::OTHER, "Assimp a écrit un glTF illisible"};
  writeOutput(out, glb.data(), glb.size());
  return {};
}

WriteResult writeMesh(MeshFormat format, const PieceRecord* table, double scale, OutputFile& out,
                      OutputFile& materials, const std::atomic<bool>* stop) {
  switch (format) {
    case MeshFormat::STL: return writeStlFile(table, scale, out, stop);
    case MeshFormat::OBJ:
      return writeObjFile(table, scale, out, materials, fs::path(materials.path).filename().string(), stop);
    case MeshFormat::PLY: return writePlyFile(table, scale, out, stop);
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

MeshSides exportedSides(const PieceRecord* table) {
  std::map<int, std::vector<aiVector3D>> cornersOf;
  double low[3] = {HUGE_VAL, HUGE_VAL, HUGE_VAL}, high[3] = {-HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  for (const PlacedPiece& piece : drawnPieces(table)) {
    const int kind = table[piece.number].kind;
    auto corners = cornersOf.find(kind);
    if (corners == cornersOf.end()) corners = cornersOf.emplace(kind, shareCorners(kindTriangles(kind)).corners).first;
    const float* m = piece.world.m;
    for (const aiVector3D& p : corners->second)
      for (int r = 0; r < 3; ++r) {
        const double at = double(m[r]) * p.x + double(m[4 + r]) * p.y + double(m[8 + r]) * p.z + m[12 + r];
        low[r] = std::min(low[r], at);
        high[r] = std::max(high[r], at);
      }
  }
  if (!(low[0] <= high[0])) return {};
  return {high[0] - low[0], high[1] - low[1], high[2] - low[2]};
}

double scaleForLargestSide(const PieceRecord* table, double millimetres) {
  const double largest = exportedSides(table).largest();
  return largest > 0 && std::isfinite(largest) ? millimetres / largest : 0;
}

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
