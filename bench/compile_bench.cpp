// Compile time of generated scripts: a chain of connectors and rods, the
// same built through repeat blocks and calls, and loops that only compute.
// Also variable lookups with many variables and scripts of many function
// definitions: the indexes against a walk of the list.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "script/compile_state.h"
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

// The lookup every value word took before the index: a walk of the list.
Variable* findByWalking(const VariableList& list, const char* name) {
  for (Variable* v = list.head; v; v = v->next)
    if (std::strcmp(v->name, name) == 0) return v;
  return nullptr;
}

// Both ways in one run, each over the oldest name and a number word (looked
// up as a name before it is read as a number); the counters give the time of
// one lookup each way and their ratio.
void BM_VariableLookup(benchmark::State& state) {
  VariableList list;
  for (int i = 0; i < state.range(0); ++i) pushVariable(list, ("$v" + std::to_string(i)).c_str(), i, 0);
  const char* words[] = {"$v0", "8"};
  constexpr int ROUNDS = 32;
  using Clock = std::chrono::steady_clock;
  Clock::duration walking{}, indexed{};
  for (auto _ : state) {
    const auto start = Clock::now();
    for (int r = 0; r < ROUNDS; ++r)
      for (const char* w : words) benchmark::DoNotOptimize(findByWalking(list, w));
    const auto middle = Clock::now();
    for (int r = 0; r < ROUNDS; ++r)
      for (const char* w : words) benchmark::DoNotOptimize(findVariable(list, w));
    walking += middle - start;
    indexed += Clock::now() - middle;
  }
  freeVariables(list);
  const double lookups = double(state.iterations()) * ROUNDS * 2;
  state.counters["walk_ns"] = std::chrono::duration<double, std::nano>(walking).count() / lookups;
  state.counters["index_ns"] = std::chrono::duration<double, std::nano>(indexed).count() / lookups;
  state.counters["walk_per_index"] = double(walking.count()) / double(std::max<Clock::rep>(indexed.count(), 1));
}
BENCHMARK(BM_VariableLookup)->Arg(4)->Arg(100)->Arg(10000)->Arg(100000);

// Definitions of count functions of different names, each placing a piece.
ScriptLines definitionsScript(int count) {
  ScriptLines lines;
  for (int i = 0; i < count; ++i) {
    lines.push_back("fonction f" + std::to_string(i));
    lines.push_back("#8");
    lines.push_back("finfonction");
  }
  return lines;
}

// What every definition did before the index: a walk of all the functions
// defined before it for one of the same name, to define it again in place.
// The names are those of definitionsScript; returns what the walks found.
int walkForEachDefinition(int count) {
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) names.push_back("f" + std::to_string(i));
  struct Entry {
    const char* name;
    Entry* next;
  };
  std::vector<Entry> entries(static_cast<size_t>(count));
  Entry* head = nullptr;
  int found = 0;
  for (int i = 0; i < count; ++i) {
    for (Entry* e = head; e; e = e->next)
      if (std::strcmp(e->name, names[size_t(i)].c_str()) == 0) ++found;
    entries[size_t(i)] = {names[size_t(i)].c_str(), head};
    head = &entries[size_t(i)];
  }
  return found;
}

// The whole compile of the definitions now, and beside it in the same run
// the walks alone that the old compile made on top of the same work: the
// counters give the time per definition of each and old_per_new, the old
// compile's time (this compile and the walks) over this compile's.
void BM_FunctionDefinitions(benchmark::State& state) {
  const int count = int(state.range(0));
  const ScriptLines lines = definitionsScript(count);
  using Clock = std::chrono::steady_clock;
  Clock::duration compiling{}, walking{};
  for (auto _ : state) {
    const auto start = Clock::now();
    benchmark::DoNotOptimize(compileScript(lines).piecesPlaced);
    const auto middle = Clock::now();
    benchmark::DoNotOptimize(walkForEachDefinition(count));
    compiling += middle - start;
    walking += Clock::now() - middle;
  }
  clearKeyBindings();
  const double definitions = double(state.iterations()) * count;
  state.counters["compile_ns_per_definition"] = std::chrono::duration<double, std::nano>(compiling).count() / definitions;
  state.counters["walk_ns_per_definition"] = std::chrono::duration<double, std::nano>(walking).count() / definitions;
  state.counters["old_per_new"] =
      double((compiling + walking).count()) / double(std::max<Clock::rep>(compiling.count(), 1));
}
BENCHMARK(BM_FunctionDefinitions)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
