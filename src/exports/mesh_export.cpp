// Writing the mesh files. Assimp writes into a fresh folder beside the
// target, through streams of our own that check every write (its own
// streams ignore a full disk); the files are renamed over their final
// names only when all of them are complete, and the folder is removed
// whatever happens, so a failed export leaves nothing behind.
#include "exports/mesh_export.h"

#include <assimp/scene.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <assimp/Exporter.hpp>
#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "exports/checked_streams.h"
#include "exports/mesh_batches.h"
#include "exports/mesh_scene.h"
#include "exports/three_mf_file.h"
#include "pieces/kind_mesh.h"

namespace fs = std::filesystem;

namespace {

struct FormatName {
  const char* extension;
  MeshFormat format;
  const char* assimpId;
};

// Binary STL: a fifth of the text form's size, and exact floats. PLY as
// text: Assimp 5.2's binary PLY writes the corners' colours as floats
// where its header announces bytes, and the colours are PLY's only ones.
constexpr FormatName formats[] = {
    {".stl", MeshFormat::STL, "stlb"}, {".obj", MeshFormat::OBJ, "obj"},      {".glb", MeshFormat::GLB, "glb2"},
    {".ply", MeshFormat::PLY, "ply"},  {".3mf", MeshFormat::THREE_MF, nullptr},
};

std::string lowerExtension(const std::string& path) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  return extension;
}

// lib3mf writes 3MF through streams of its own: the archive is complete
// when it ends with its directory's record and that directory (at the end
// of the file, its names in the last few kilobytes) lists every part.
bool completeThreeMf(const fs::path& path) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::string tail(4096, '\0');
  std::fseek(file, 0, SEEK_END);
  const long size = std::ftell(file);
  tail.resize(size_t(std::min<long>(size, long(tail.size()))));
  const bool read = std::fseek(file, -long(tail.size()), SEEK_END) == 0 &&
                    std::fread(tail.data(), 1, tail.size(), file) == tail.size();
  std::fclose(file);
  const auto has = [&](const char* text) { return tail.find(text) != std::string::npos; };
  return read && tail.size() >= 22 && tail.compare(tail.size() - 22, 4, "PK\5\6") == 0 && has("3D/3dmodel.model") &&
         has("[Content_Types].xml") && has("_rels/.rels");
}

// A file written by a library through its own streams, on the disk before
// it replaces anything.
bool flushedToDisk(const fs::path& path, WriteLog& log) {
  const int file = ::open(path.c_str(), O_RDONLY);
  if (file < 0 || ::fsync(file) != 0) log.fail(std::strerror(errno));
  if (file >= 0) ::close(file);
  return log.failure.empty();
}

// The folder of files made for target: the main file renamed last, so that
// whoever waits for it finds its material file already there.
bool moveInPlace(const fs::path& folder, const fs::path& target, std::string* reason) {
  std::error_code error;
  std::vector<fs::path> made;
  for (const auto& entry : fs::directory_iterator(folder, error)) made.push_back(entry.path());
  std::stable_partition(made.begin(), made.end(), [&](const fs::path& p) { return p.filename() != target.filename(); });
  for (const fs::path& file : made) {
    fs::rename(file, target.parent_path() / file.filename(), error);
    if (error) return *reason = error.message(), false;
  }
  return true;
}

// What an interrupted export (Ctrl+C, a kill) removes before it ends: the
// files Assimp may have started and their folder. Only unlink, rmdir,
// sigaction and raise run in the handler, on paths laid out before the
// export starts. The signal then does what it did before the export: it
// ends the command line, and the desktop program keeps its unsaved text.
char leftovers[3][4096];
constexpr int leftoverSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction actionsBefore[3];

void removeLeftoversAndStop(int signal) {
  for (int i = 0; i < 3 && leftovers[i][0]; ++i) i < 2 ? ::unlink(leftovers[i]) : ::rmdir(leftovers[i]);
  for (int i = 0; i < 3; ++i)
    if (leftoverSignals[i] == signal) ::sigaction(signal, &actionsBefore[i], nullptr);
  std::raise(signal);
}

struct LeftoverGuard {
  LeftoverGuard(const fs::path& made, const fs::path& folder) {
    const fs::path material = fs::path(made).replace_extension(".mtl");  // any format: unused paths are harmless
    const std::string paths[3] = {made.string(), material.string(), folder.string()};
    for (int i = 0; i < 3; ++i) std::snprintf(leftovers[i], sizeof leftovers[i], "%s", paths[i].c_str());
    struct sigaction action {};
    action.sa_handler = removeLeftoversAndStop;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (int i = 0; i < 3; ++i) {
      ::sigaction(leftoverSignals[i], nullptr, &actionsBefore[i]);
      if (actionsBefore[i].sa_handler != SIG_IGN) ::sigaction(leftoverSignals[i], &action, nullptr);
    }
  }
  ~LeftoverGuard() {
    for (int i = 0; i < 3; ++i) ::sigaction(leftoverSignals[i], &actionsBefore[i], nullptr);
    leftovers[0][0] = '\0';
  }
};

// Writes the file (and whatever goes beside it) into a fresh folder beside
// target with write, then moves them in place.
template <typename Write>
bool writeThroughFolder(const fs::path& target, bool threeMf, Write write, const std::atomic<bool>* stop,
                        std::string* reason) {
  std::string folderName = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  if (!::mkdtemp(folderName.data())) return *reason = std::strerror(errno), false;
  const fs::path folder = folderName, made = folder / target.filename();
  const LeftoverGuard guard(made, folder);
  WriteLog log;
  write(made, log);
  if (stop && *stop) log.fail("arrêté");
  bool written = log.failure.empty() && fs::is_regular_file(made) && (!threeMf || completeThreeMf(made)) &&
                 flushedToDisk(made, log);
  if (written)
    written = moveInPlace(folder, target, &log.failure);
  else
    log.fail("écriture incomplète");
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  *reason = log.failure;
  return written;
}

void writeWithAssimp(const aiScene& scene, const char* assimpId, const fs::path& made, WriteLog& log) {
  Assimp::Exporter exporter;
  exporter.SetIOHandler(new CheckedFiles(&log));
  if (exporter.Export(&scene, assimpId, made.string()) != aiReturn_SUCCESS) log.fail(exporter.GetErrorString());
}

// The file a path names: a link's target, so that a link stays a link.
fs::path targetOf(const std::string& path) {
  std::error_code error;
  fs::path target = path;
  for (int i = 0; i < 40 && fs::is_symlink(target, error); ++i) {
    const fs::path next = fs::read_symlink(target, error);
    target = next.is_absolute() ? next : target.parent_path() / next;
  }
  return target.has_parent_path() ? target : fs::path(".") / target;
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
  const fs::path target = targetOf(path);
  std::error_code status;
  if (fs::exists(target, status) && !fs::is_regular_file(target, status)) {
    *error = "Impossible d'écrire le fichier " + path + " (ce n'est pas un fichier ordinaire)";
    return false;
  }
  // glTF wants at least one buffer, and Assimp writes none for no triangle.
  if (format == MeshFormat::GLB && countDrawnTriangles(table) == 0) {
    *error = "Le modèle n'a aucun triangle à exporter, et un fichier .glb ne peut pas être vide: " + path;
    return false;
  }
  // A write past a file-size limit must fail with an error, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  const FormatName& name =
      *std::find_if(std::begin(formats), std::end(formats), [&](const FormatName& f) { return f.format == format; });
  std::string reason;
  const bool threeMf = format == MeshFormat::THREE_MF;
  const auto write = [&](const fs::path& made, WriteLog& log) {
    if (threeMf) {
      std::string failure;
      if (!writeThreeMfFile(table, scale, made.string(), &failure)) log.fail(failure);
      return;
    }
    if (format == MeshFormat::STL) return writeStlInBatches(table, scale, made, log, stop);
    if (format == MeshFormat::OBJ) return writeObjInBatches(table, scale, made, log, stop);
    if (format == MeshFormat::PLY) return writePlyInBatches(table, scale, made, log, stop);
    const std::unique_ptr<aiScene> scene = buildMeshScene(table, scale, MeshLayout::SHARED, false);
    writeWithAssimp(*scene, name.assimpId, made, log);
  };
  if (writeThroughFolder(target, threeMf, write, stop, &reason)) return true;
  *error = "Impossible d'écrire le fichier " + path + " (" + reason + ")";
  return false;
}
