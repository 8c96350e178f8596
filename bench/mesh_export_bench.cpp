// Cost of the mesh export on models of 1000 and 10000 pieces: the kinds 0
// to 15 in turn on a grid, every tenth piece a frame holding the nine
// after it, written to each format in a temporary folder. The time per
// piece should stay flat from 1000 to 10000, except for 3MF: lib3mf looks
// through every object it has for each one it adds, so that one grows as
// the square of the pieces. Peak memory is measured on the command line
// instead (/usr/bin/time -v vexocad --export ...).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "exports/mesh_export.h"
#include "model/matrix.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"

namespace {

void buildModel(int n) {
  clearModel();
  for (int i = 0; i < n; ++i) {
    PieceRecord& p = modelTable[i];
    p = pieceTemplates[i % 16];
    p.scriptLine = i + 1;
    Matrix grid;
    setTranslation(grid, float(i % 100) * 150.0f, -float(i / 100) * 150.0f, 0.0f);
    multiplyLeft(grid, p.matrix);
    const int frame = i - i % 10;
    if (frame == i) continue;
    p.flags |= PIECE_IN_FRAME;
    p.frameParent = &modelTable[frame];
    setTranslation(p.matrix, float(i - frame) * 15.0f, 0.0f, 0.0f);
  }
}

template <const char* extension>
void exportBench(benchmark::State& state) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  dataDir = exe.parent_path().parent_path().string() + "/";
  buildModel(int(state.range(0)));
  const std::string path =
      std::filesystem::temp_directory_path() / ("vexocad-bench-" + std::to_string(::getpid()) + extension);
  std::string error;
  for (auto _ : state)
    if (!exportModelMesh(modelTable, path, 1.0, &error)) state.SkipWithError(error.c_str());
  state.counters["triangles"] = double(exportedTriangleCount(modelTable));
  state.counters["MB"] = double(std::filesystem::file_size(path)) / 1e6;
  std::filesystem::remove(path);
  std::filesystem::remove(std::filesystem::path(path).replace_extension(".mtl"));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

constexpr char stl[] = ".stl", obj[] = ".obj", glb[] = ".glb", ply[] = ".ply", threeMf[] = ".3mf";

}  // namespace

BENCHMARK_TEMPLATE(exportBench, stl)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, obj)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, glb)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, ply)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_TEMPLATE(exportBench, threeMf)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1);
