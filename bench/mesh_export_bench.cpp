// Cost of the mesh export against the disk, on grids of 1000 and 10000
// pieces (rows of 100 kind-8 connectors, each followed by a kind-12 rod:
// the 10000-piece grid holds 12.3 million triangles). Each run writes the
// format, then the same number of bytes through the same safe writer a
// megabyte per write (the disk's own time, synced as the export is), and
// for STL, OBJ and PLY the old way: Assimp's writer of that format given
// the model as scenes of about 2^18 triangles (the placing, corner maps and
// number printing it did, without the joining of its pieces). Counters:
// seconds of each, "disk_ratio" (export over raw write, the goal is 3 at
// most) and "old_ratio" (old way over the export). Peak memory is measured
// on the command line (/usr/bin/time -v vexocad --export ...).
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <assimp/Exporter.hpp>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "exports/mesh_export.h"
#include "exports/mesh_scene.h"
#include "model/matrix.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_safe_writer.h"

namespace fs = std::filesystem;

namespace {

void buildGrid(int n) {
  clearModel();
  for (int i = 0; i < n; ++i) {
    PieceRecord& p = modelTable[i];
    const bool rod = i % 2 == 1;
    p = pieceTemplates[rod ? 12 : 8];
    p.scriptLine = i + 1;
    Matrix at;
    setTranslation(at, float(i % 200) * 200.0f, 0.0f, float(i / 200) * 400.0f);
    multiplyLeft(at, p.matrix);
  }
}

double seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The same bytes' count of zeros, a megabyte per write, committed.
double rawWrite(const std::string& path, long long bytes) {
  const auto start = std::chrono::steady_clock::now();
  const std::vector<char> megabyte(1 << 20, 0);
  OutputFile out;
  openOutputFile(path, out);
  for (long long left = bytes; left > 0; left -= (long long)megabyte.size())
    writeOutput(out, megabyte.data(), size_t(std::min<long long>(left, (long long)megabyte.size())));
  commitOutputFile(out);
  return seconds(start);
}

// Assimp's writer of the format on the model in batches of pieces, each
// batch's file written out as it comes.
PieceRecord batchTable[MODEL_CAPACITY];

double oldWay(const std::string& path, const char* format, int pieces) {
  const auto start = std::chrono::steady_clock::now();
  OutputFile out;
  openOutputFile(path, out);
  for (int first = 0; first < pieces;) {
    std::fill(std::begin(batchTable), std::end(batchTable), PieceRecord{});
    long long triangles = 0;
    int last = first;
    for (; last < pieces && triangles < (1 << 18); ++last) {
      batchTable[last - first] = modelTable[last];
      triangles += kindTriangleCount(modelTable[last].kind);
    }
    const auto scene = buildMeshScene(batchTable, 1.0, false);
    Assimp::Exporter exporter;
    const aiExportDataBlob* blob = exporter.ExportToBlob(scene.get(), format);
    if (blob) writeOutput(out, blob->data, blob->size);
    first = last;
  }
  commitOutputFile(out);
  return seconds(start);
}

template <const char* extension, const char* assimpFormat>
void exportBench(benchmark::State& state) {
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  dataDir = exe.parent_path().parent_path().string() + "/";
  const int pieces = int(state.range(0));
  buildGrid(pieces);
  const std::string base = fs::temp_directory_path() / ("vexocad-bench-" + std::to_string(::getpid()));
  const std::string path = base + extension;
  std::string error;
  double exportSeconds = 0, rawSeconds = 0, oldSeconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (!exportModelMesh(modelTable, path, 1.0, &error)) state.SkipWithError(error.c_str());
    exportSeconds += seconds(start);
    rawSeconds += rawWrite(base + ".raw", (long long)fs::file_size(path));
    if (*assimpFormat) oldSeconds += oldWay(base + ".old", assimpFormat, pieces);
  }
  const double runs = double(state.iterations());
  state.counters["export_s"] = exportSeconds / runs;
  state.counters["raw_s"] = rawSeconds / runs;
  state.counters["disk_ratio"] = exportSeconds / rawSeconds;
  if (*assimpFormat) state.counters["old_s"] = oldSeconds / runs;
  if (*assimpFormat) state.counters["old_ratio"] = oldSeconds / exportSeconds;
  state.counters["MB"] = double(fs::file_size(path)) / 1e6;
  state.counters["triangles"] = double(exportedTriangleCount(modelTable));
  for (const char* end : {".raw", ".old", ".mtl"}) fs::remove(base + end);
  fs::remove(path);
  fs::remove(fs::path(path).replace_extension(".mtl"));
}

constexpr char stl[] = ".stl", obj[] = ".obj", glb[] = ".glb", ply[] = ".ply", threeMf[] = ".3mf";
constexpr char stlb[] = "stlb", objText[] = "obj", plyText[] = "ply", none[] = "";

}  // namespace

BENCHMARK_TEMPLATE(exportBench, stl, stlb)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, ply, plyText)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, obj, objText)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, glb, none)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, threeMf, none)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
