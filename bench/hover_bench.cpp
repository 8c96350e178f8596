// Hovering in insertion mode: what one frame costs while the pointer moves
// over a block of 1000 or 10000 pieces seen whole at 600 x 600, against
// drawing the whole frame as every move did before, in the same run.
//
// Hover: one frame as the window draws it when only the pointer moved: the
// model's fingerprint, the preview (the pick at the pointer and the plan of
// the click), the kept model copied back and the overlay drawn over it. The
// pointer walks a diagonal across the model, so every frame picks anew. Its
// counters: hover_ms and frame_ms (the whole frame: model and ghost, timed
// in the same run), hover_fps, and speedup (frame_ms / hover_ms).
// PickAtPointer: the pick and the plan alone (the click's own work).
// Fingerprint: the check that the model did not change.
// Run with LP_NUM_THREADS=0 on a shared machine: Mesa's software driver then
// works on the measured thread, and real time counts all of a frame's work.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <filesystem>

#include "bench_view.h"
#include "insertion/insertion.h"
#include "model/matrix.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "shell/render_command.h"
#include "view/camera.h"
#include "view/kept_model.h"
#include "view/overlay.h"
#include "view/scene.h"

namespace {

constexpr int VIEW_SIZE = 600;
constexpr int POINTER_STEPS = 64;

ViewState view;
InsertionState insertion;
KeptModel kept;

bool ensureView() { return ensureBenchView(VIEW_SIZE); }

// n pieces of the rod and connector kinds in a cube, 150 units apart, seen
// whole from the side and a little above.
void buildBlockInView(int n) {
  buildBlock(n);
  const int side = int(std::ceil(std::cbrt(double(n)) - 1e-9));
  view = offscreenStartView();
  const float middle = float(side - 1) * 75.0f;
  setTranslation(view.camera.viewMatrix, -middle, -middle, -middle);
  rotateViewByDrag(view.camera, 20, 30);
  view.camera.viewDistance = -float(side) * 150.0f * 2.2f;
  releaseKeptModel(kept);
}

// Pointer step i of a diagonal across the middle of the view.
void movePointer(int i) {
  view.mouseX = 150 + (i % POINTER_STEPS) * 300 / POINTER_STEPS;
  view.mouseY = 150 + (i % POINTER_STEPS) * 300 / POINTER_STEPS;
}

void showPreview(const InsertionPlan& plan) {
  view.ghost = ghostView(insertion);
  view.ghost.placed = insertsPiece(plan);
  view.ghost.world = plan.world;
  view.ghost.refused = !view.ghost.placed && plan.outcome != InsertionOutcome::NoPoint;
}

// The whole frame, as every pointer move drew it before: model and ghost.
double wholeFrameMilliseconds(int frames) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) {
    movePointer(i);
    view.ghost = ghostView(insertion);
    drawScene(offscreenRenderer(), modelTable, view);
    glFinish();
  }
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / frames;
}

void BM_Hover(benchmark::State& state) {
  if (!ensureView()) return state.SkipWithError("no offscreen OpenGL view");
  buildBlockInView(int(state.range(0)));
  drawModelLayer(offscreenRenderer(), modelTable, view);
  if (!keepModel(kept, VIEW_SIZE, VIEW_SIZE, modelFingerprint(modelTable, view)))
    return state.SkipWithError("the context cannot keep the model");
  int i = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    movePointer(i++);
    const uint64_t model = modelFingerprint(modelTable, view);
    showPreview(planClickAt(insertion, view));
    if (!restoreModel(kept, VIEW_SIZE, VIEW_SIZE, model)) return state.SkipWithError("the kept model was lost");
    drawOverlay(offscreenRenderer(), view);
    glFinish();
  }
  const double hover =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / double(i);
  const double frame = wholeFrameMilliseconds(state.range(0) > 5000 ? 10 : 30);
  state.counters["hover_ms"] = hover;
  state.counters["frame_ms"] = frame;
  state.counters["hover_fps"] = 1000.0 / hover;
  state.counters["speedup"] = frame / hover;
}

void BM_PickAtPointer(benchmark::State& state) {
  if (!ensureView()) return state.SkipWithError("no offscreen OpenGL view");
  buildBlockInView(int(state.range(0)));
  int i = 0;
  for (auto _ : state) {
    movePointer(i++);
    benchmark::DoNotOptimize(planClickAt(insertion, view));
  }
}

void BM_Fingerprint(benchmark::State& state) {
  if (!ensureView()) return state.SkipWithError("no offscreen OpenGL view");
  buildBlockInView(int(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(modelFingerprint(modelTable, view));
}

BENCHMARK(BM_Hover)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_PickAtPointer)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Fingerprint)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
