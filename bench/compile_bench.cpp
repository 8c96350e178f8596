// Compile time of generated scripts: a chain of connectors and rods, the
// same built through repeat blocks and calls, and loops that only compute.
#include <benchmark/benchmark.h>

#include "pieces/catalogue.h"
#include "script/compiler.h"
#include "script/key_bindings.h"

namespace {
// Each line one piece, hung by a reference and an attach on the one before.
ScriptLines chainScript(int pieces) {
  ScriptLines lines{"#8"};
  for (int n = 1; n < pieces; ++n) lines.push_back(n % 2 ? "#12 %p1 @ h5 c1" : "#8 %p1 @ c2 h1");
  return lines;
}

// 10000 pieces from a function called in nested repeat blocks.
ScriptLines loopedScript() {
  return {"fonction pair $angle",
          "  #12 %p1 @ h5 c1 rot 0 0 $angle",
          "  #8 %p1 @ c2 h1",
          "finfonction",
          "int $a=0",
          "repete 50",
          "  repete 100",
          "    appel pair $a",
          "    op+ 1 $a",
          "  finrepete",
          "finrepete"};
}

// A million statement words that place nothing: each pass runs three
// operations of four words and one block end.
ScriptLines computeScript() {
  return {"int $x=0 $y=0", "repete 76923", "op+ 1 $x op* 1 $y op- 1 $x", "finrepete"};
}

void compile(benchmark::State& state, const ScriptLines& lines) {
  initPieceTemplatesHeadless();
  for (auto _ : state) {
    const CompileResult r = compileScript(lines);
    benchmark::DoNotOptimize(r.piecesPlaced);
  }
  clearKeyBindings();
}

void BM_CompileChain(benchmark::State& state) {
  const ScriptLines lines = chainScript(int(state.range(0)));
  compile(state, lines);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_CompileChain)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_CompileLoopsAndCalls(benchmark::State& state) { compile(state, loopedScript()); }
BENCHMARK(BM_CompileLoopsAndCalls)->Unit(benchmark::kMillisecond);

void BM_CompileMillionWords(benchmark::State& state) { compile(state, computeScript()); }
BENCHMARK(BM_CompileMillionWords)->Unit(benchmark::kMillisecond);
}  // namespace
