// Cost of the parts list of a generated model of 1000 or 10000 pieces, every
// kind in turn, in the kinds' own colours (17 lines) or in 100 shades (up to
// 1700 lines, each with its own picture in the HTML page).
//
// PartsText: counting and the text table, as --parts prints it.
// PartsHtml: the whole HTML page written to a file as --parts -o LIST.html
// does: counting, an offscreen view started for the pictures, one 64 x 64
// picture per line, the page, the file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "exports/parts_list.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "shell/parts_command.h"

namespace {
void quiet(const char*, const char*, MessageIcon) {}

// The benchmark lives in <build>/bench; the data files are in <build>.
void useBuildData() {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  dataDir = exe.parent_path().parent_path().string() + "/";
}

void fillModel(int pieces, int shades) {
  clearModel();
  for (int i = 0; i < pieces; ++i) {
    modelTable[i] = pieceTemplates[i % KIND_COUNT];
    if (shades > 1) modelTable[i].colour[0] = float(i % shades) / float(shades);
  }
}

void BM_PartsText(benchmark::State& state) {
  fillModel(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) benchmark::DoNotOptimize(partsText(modelParts()));
  state.counters["lines"] = double(modelParts().size());
}

void BM_PartsHtml(benchmark::State& state) {
  useBuildData();
  setMessageSink(quiet);
  fillModel(int(state.range(0)), int(state.range(1)));
  const std::string path = (std::filesystem::temp_directory_path() / "vexocad-parts-bench.html").string();
  for (auto _ : state)
    if (!writePartsFile(path, "bench.vxo", nullptr)) state.SkipWithError("the page was not written");
  state.counters["lines"] = double(modelParts().size());
  std::filesystem::remove(path);
  setMessageSink(nullptr);
}

void modelSizes(benchmark::internal::Benchmark* b) {
  for (int pieces : {1000, 10000})
    for (int shades : {1, 100}) b->Args({pieces, shades});
}
}  // namespace

BENCHMARK(BM_PartsText)->Apply(modelSizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PartsHtml)->Apply(modelSizes)->Unit(benchmark::kMillisecond);
