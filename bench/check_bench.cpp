// Cost of the model checker (--verify without the compile) on models of
// about 1000 and 10000 pieces: the examples' tall tower grown, and a dense
// grid (flat grids of 150 rods, 40 units above one another, so that every
// piece has neighbours in its boxes' cells). Each run checks the model the
// checker's way, its grid of boxes choosing the pairs to test, and, as the
// reference in the same run, with every pair of pieces tested: the ratio is
// the figure, absolute times drift on a shared machine. Times are the
// process's CPU time. Neither model has a finding.
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <string>

#include "checks/model_check.h"
#include "grown_tower.h"
#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "script/compiler.h"
#include "shell/script_file.h"

namespace {

void quiet(const char*, const char*, MessageIcon) {}

double cpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Layers of 3n^2 - 2n pieces: n by n connectors joined by 150 rods.
ScriptLines denseGridScript(int pieces) {
  const int n = 10, layers = pieces / (3 * n * n - 2 * n);
  ScriptLines lines{"int $colonnes=" + std::to_string(n - 1) + " $y=0",
                    "fonction rang",
                    "  #10 %$premier @ h5 c1",
                    "  #8 %p1 @ c2 h1 id=$premier id=$courant",
                    "  repete $colonnes",
                    "    #10 %$courant @ h7 c1",
                    "    #8 %p1 @ c2 h3 id=$courant",
                    "    #10 %p1 @ h1 c1",
                    "  finrepete",
                    "finfonction",
                    "fonction couche",
                    "  #8 trans 0 $y 0 id=$premier id=$courant",
                    "  repete $colonnes",
                    "    #10 %$courant @ h7 c1",
                    "    #8 %p1 @ c2 h3 id=$courant",
                    "  finrepete",
                    "  repete $colonnes",
                    "    appel rang",
                    "  finrepete",
                    "finfonction",
                    "repete " + std::to_string(layers),
                    "  appel couche",
                    "  op+ 40 $y",
                    "finrepete"};
  return lines;
}

void check(benchmark::State& state, const ScriptLines& script) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  dataDir = exe.parent_path().parent_path().string() + "/";
  setMessageSink(quiet);
  compileScript(script);
  const CheckInput input = lastCompileCheckInput();
  double gridSeconds = 0;
  size_t findings = 0;
  for (auto _ : state) {
    const double start = cpuSeconds();
    findings = checkModel(input).findings.size();
    gridSeconds += cpuSeconds() - start;
  }
  CheckControl everyPair;
  everyPair.everyPair = true;
  const double start = cpuSeconds();
  const size_t everyPairFindings = checkModel(input, &everyPair).findings.size();
  const double everyPairSeconds = cpuSeconds() - start;
  if (findings != 0 || everyPairFindings != 0) state.SkipWithError("the model has findings");
  const double checkSeconds = gridSeconds / double(state.iterations());
  state.counters["pieces"] = double(input.pieces.size());
  state.counters["check_cpu_ms"] = 1000 * checkSeconds;
  state.counters["every_pair_cpu_ms"] = 1000 * everyPairSeconds;
  state.counters["every_pair_per_check"] = everyPairSeconds / checkSeconds;
  setMessageSink(nullptr);
}

void BM_CheckTallTower(benchmark::State& state) { check(state, grownTallTower(int(state.range(0)))); }
BENCHMARK(BM_CheckTallTower)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CheckDenseGrid(benchmark::State& state) { check(state, denseGridScript(int(state.range(0)))); }
BENCHMARK(BM_CheckDenseGrid)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
