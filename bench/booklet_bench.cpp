// Cost of the building-steps booklet of a tall tower, as `vexocad --steps`
// writes it at its default picture size: compile, one picture of the finished model, one per
// page (at most MAX_BOOKLET_STEPS: longer scripts' steps are joined) and the
// page. Two ways of cutting the same tower into steps: a storey (12 pieces)
// per step, each storey a call of a function; and a blank line after every
// line, so that every piece is a step of its own. Each iteration writes the
// booklet the way it was drawn before (every picture fitted to the whole
// model, PNG files compressed as other images are) and then as it is drawn
// now; the time reported is the new way's, old_s and new_s are both in
// seconds and old_over_new their ratio.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "exports/steps_booklet.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "script/compiler.h"
#include "shell/render_command.h"
#include "view/camera.h"

namespace {

void quiet(const char*, const char*, MessageIcon) {}

const char* const STOREY[] = {"#12 %$a @ o101 c1", "#8 %p1 @ c2 o1 id=$a", "#12 %$b @ o101 c1",
                              "#8 %p1 @ c2 o1 id=$b", "#12 %$c @ o101 c1",  "#8 %p1 @ c2 o1 id=$c",
                              "#12 %$d @ o101 c1", "#8 %p1 @ c2 o1 id=$d", "#12 %$a @ h1 c1",
                              "#12 %$b @ h3 c1",   "#12 %$c @ h3 c1",       "#12 %$d @ h3 c1"};

// About `pieces` pieces: the ground square, then storeys.
ScriptLines towerScript(int pieces, bool everyPieceAStep) {
  ScriptLines lines{"#8 id=$a", "#12 %p1 @ h1 c1", "#8 %p1 @ c2 h1 id=$b", "#12 %p1 @ h3 c1",
                    "#8 %p1 @ c2 h1 id=$c", "#12 %p1 @ h3 c1", "#8 %p1 @ c2 h1 id=$d", "#12 %p1 @ h3 c1", ""};
  if (!everyPieceAStep) {
    lines.push_back("fonction etage");
    for (const char* line : STOREY) lines.push_back(line);
    lines.push_back("finfonction");
    lines.push_back("");
  }
  for (int storey = 0; storey < (pieces - 8) / 12; ++storey) {
    if (!everyPieceAStep) {
      lines.push_back("appel etage");
      lines.push_back("");
      continue;
    }
    for (const char* line : STOREY) {
      lines.push_back(line);
      lines.push_back("");
    }
  }
  return lines;
}

double secondsToWrite(const ScriptLines& lines, const std::string& folder, BookletDrawing drawing,
                      BookletResult& result) {
  std::filesystem::remove_all(folder);
  if (!startOffscreenView(BOOKLET_PICTURE_WIDTH, BOOKLET_PICTURE_HEIGHT)) {
    result.error = "no offscreen OpenGL view";
    return 0.0;
  }
  compileScript(lines);
  const auto start = std::chrono::steady_clock::now();
  const Camera size = offscreenStartView().camera;
  result = writeStepsBooklet(offscreenRenderer(), size, modelTable, lines, folder, "tour", nullptr, drawing);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  stopOffscreenView();
  return seconds.count();
}

void BM_Booklet(benchmark::State& state) {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  dataDir = exe.parent_path().parent_path().string() + "/";
  setMessageSink(quiet);
  const ScriptLines lines = towerScript(int(state.range(0)), state.range(1) == 1);
  const std::string folder = "/tmp/vexocad-booklet-bench";
  BookletResult result;
  double oldSeconds = 0.0, newSeconds = 0.0;
  for (auto _ : state) {
    oldSeconds += secondsToWrite(lines, folder, BookletDrawing::AS_BEFORE, result);
    if (result.status != BookletResult::WRITTEN) return state.SkipWithError(result.error.c_str());
    const double seconds = secondsToWrite(lines, folder, BookletDrawing::AROUND_STEP, result);
    if (result.status != BookletResult::WRITTEN) return state.SkipWithError(result.error.c_str());
    newSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  std::filesystem::remove_all(folder);
  setMessageSink(nullptr);
  state.counters["pieces"] = usedPrefixLength();
  state.counters["pages"] = result.steps;
  state.counters["old_s"] = oldSeconds / double(state.iterations());
  state.counters["new_s"] = newSeconds / double(state.iterations());
  state.counters["old_over_new"] = oldSeconds / newSeconds;
}

BENCHMARK(BM_Booklet)
    ->ArgNames({"pieces", "piecesPerStep"})
    ->Args({1000, 12})
    ->Args({1000, 1})
    ->Args({10000, 12})
    ->Args({10000, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseManualTime();

}  // namespace
