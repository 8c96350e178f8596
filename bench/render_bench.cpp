// Cost of drawing the model in the offscreen view.
//
// FrameWalk: one frame's walk of the model table (index build plus the GL
// calls of every piece: save matrix, multiply, name, colour, list call,
// restore), measured apart from rasterisation: every piece calls an empty
// display list, so the GL does no geometry work at all and the time is the
// walk and the GL calls it issues (6 per piece). Three model shapes: flat
// (every piece a root), chain (each piece in the frame of the one before,
// 10000 levels deep at most) and groups (a root with 9 pieces in its frame).
// ScanningWalk is the table scan per drawn piece that the index replaces,
// for comparison.
//
// Render1000: a model of 1000 generated pieces drawn at 600 x 600: one frame
// read back, one frame written as PNG, and the whole offscreen command
// (context, textures, piece library, frame, PNG) from a cold start.
//
// BlockFrame: a block of 1000 or 10000 pieces of every rod and connector
// kind, 150 units apart (a tall tower of 10000 would reach past the far
// plane whole in sight), drawn at 600 x 600 whole in sight and in a close-up, the way the
// view draws now (pieces outside the view skipped, small ones coarse)
// against the way before (every piece through the nested lists), in the
// same run: compare the two, not the absolute rates, on a shared machine.
// There, run with LP_NUM_THREADS=0: Mesa's software driver then rasterises
// on the measured thread, and the CPU column counts all of a frame's work
// whatever else the machine runs.
// FirstFrame: from the script to the first frame of the 10000-piece grid
// and the 9968-piece tower, fitted as an opened file is (view and piece
// library, compile, frame): through the nested lists, as the still picture
// (the first frame before), and the quick way the desktop program now draws
// it first, with each step's share and the still picture that follows as
// counters.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench_view.h"
#include "grown_tower.h"
#include "model/matrix.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "pieces/piece_library_gl.h"
#include "platform/core_messages.h"
#include "platform/gl_offscreen.h"
#include "script/compiler.h"
#include "shell/render_command.h"
#include "shell/script_file.h"
#include "view/scene.h"
#include "view/camera.h"
#include "view/model_bounds.h"
#include "view/visible_pieces.h"

namespace {

enum Shape { FLAT, CHAIN, GROUPS };
constexpr int GROUP_SIZE = 10;
constexpr int RENDER_SIZE = 600;

void quiet(const char*, const char*, MessageIcon) {}

// The view state the benchmarks draw with.
ViewState view;

bool ensureView(int size) { return ensureBenchView(size); }

void inFrameOf(int piece, int parent) {
  modelTable[piece].flags |= PIECE_IN_FRAME;
  modelTable[piece].frameParent = &modelTable[parent];
}

// n pieces of the rod and connector kinds.
void buildModel(int n, Shape shape) {
  clearModel();
  for (int i = 0; i < n; ++i) {
    PieceRecord& p = modelTable[i];
    p = pieceTemplates[i % 16];
    setTranslation(p.matrix, float(i % 32) * 150.0f - 2400.0f, 0.0f,
                   float(i / 32) * 150.0f - 2400.0f);
    if (shape == CHAIN && i > 0) {
      inFrameOf(i, i - 1);
      setTranslation(p.matrix, 0.01f, 0.0f, 0.0f);
    }
    if (shape == GROUPS && i % GROUP_SIZE != 0) inFrameOf(i, i - i % GROUP_SIZE);
  }
}

// Every kind drawn by an empty list, so that the walk alone is measured.
Renderer walkRenderer;

// The walk the frame-tree index replaces: every drawn piece scans the table
// for the pieces in its frame.
void drawTreeByScanning(const PieceRecord* record, const PieceRecord* table) {
  float saved[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, saved);
  glMultMatrixf(record->matrix.m);
  glLoadName(GLuint(record - table));
  drawPiece(walkRenderer, *record, ViewState{});
  for (int i = 0; i < MODEL_CAPACITY && isUsed(table[i]); ++i)
    if (table[i].frameParent == record && isInFrame(table[i])) drawTreeByScanning(&table[i], table);
  glLoadMatrixf(saved);
}

void drawModelByScanning() {
  for (int i = 0; i < MODEL_CAPACITY && isUsed(modelTable[i]); ++i)
    if (!isInFrame(modelTable[i])) drawTreeByScanning(&modelTable[i], modelTable);
}

void walkBenchmark(benchmark::State& state, void (*draw)()) {
  if (!ensureView(1)) {
    state.SkipWithError("no offscreen OpenGL view");
    return;
  }
  const int n = int(state.range(0));
  buildModel(n, Shape(state.range(1)));
  constexpr int LISTS = 2 * SUBPART_COUNT + 2 * KIND_COUNT;
  walkRenderer.pieces.listBase = glGenLists(LISTS);
  for (int i = 0; i < LISTS; ++i) glNewList(walkRenderer.pieces.listBase + unsigned(i), GL_COMPILE), glEndList();
  glLoadIdentity();
  glTranslatef(0.0f, 0.0f, -400.0f);
  for (auto _ : state) {
    draw();
    glFinish();
  }
  glDeleteLists(walkRenderer.pieces.listBase, LISTS);
  state.SetItemsProcessed(state.iterations() * n);
  state.counters["gl_calls"] = double(6 * n);
}

void BM_FrameWalk(benchmark::State& state) {
  walkBenchmark(state, [] { drawModelTrees(walkRenderer, modelTable, ViewState{}); });
}

void BM_ScanningWalk(benchmark::State& state) { walkBenchmark(state, drawModelByScanning); }

void walkArguments(benchmark::internal::Benchmark* b) {
  b->ArgNames({"pieces", "shape"});
  for (int shape : {FLAT, CHAIN, GROUPS})
    for (int n : {100, 1000, 10000}) b->Args({n, shape});
  b->Unit(benchmark::kMicrosecond);
}

BENCHMARK(BM_FrameWalk)->Apply(walkArguments);
BENCHMARK(BM_ScanningWalk)->Apply(walkArguments);

// A 1000-piece grid seen from above at an angle, all of it in the picture.
bool prepareRender1000() {
  if (!ensureView(RENDER_SIZE)) return false;
  buildModel(1000, FLAT);
  view = offscreenStartView();
  view.camera.viewDistance = -7000.0f;
  rotateViewByDrag(view.camera, 50, 30);
  return true;
}

const char* const pngPath = "/tmp/vexocad-render-bench.png";

void BM_Render1000Frame(benchmark::State& state) {
  if (!prepareRender1000()) return state.SkipWithError("no offscreen OpenGL view");
  for (auto _ : state) {
    drawOffscreenFrame(view);
    benchmark::DoNotOptimize(readOffscreenPixels(RENDER_SIZE, RENDER_SIZE));
  }
}

void BM_Render1000Png(benchmark::State& state) {
  if (!prepareRender1000()) return state.SkipWithError("no offscreen OpenGL view");
  for (auto _ : state)
    if (renderCurrentModelToPng(pngPath, view) != 0)
      return state.SkipWithError("the PNG file could not be written");
  std::remove(pngPath);
}

// As "vexocad --render" runs it, from no context at all, with the model built
// before the view starts, and seen from the start-up view.
void BM_RenderCommand1000(benchmark::State& state) {
  useBuildData();
  setMessageSink(quiet);
  for (auto _ : state) {
    state.PauseTiming();
    stopBenchView();
    buildModel(1000, FLAT);
    state.ResumeTiming();
    if (renderModelToPng(pngPath, RENDER_SIZE, RENDER_SIZE, false, DISPLAY_SOLIDS) != 0) {
      state.SkipWithError("the offscreen render failed");
      break;
    }
  }
  setMessageSink(nullptr);
  std::remove(pngPath);
}

// NESTED: every piece through the nested lists, as the first frames were
// drawn; STILL: the still picture (pieces outside the view skipped, small
// ones simpler), the old way of the moving frames too; MOVING: the frames
// drawn while the view moves.
enum Way { NESTED, STILL, MOVING };
enum Sight { WHOLE, CLOSE_UP };

ModelDrawing drawWay(Way way) { return {way != NESTED, DrawDetail::AUTO, way == MOVING}; }

// Looking from the side and a little above at the middle of the model's
// pieces from far enough for all of them, or at its lowest corner from the
// start-up distance.
void aimCamera(Sight sight) {
  float low[3] = {1e30f, 1e30f, 1e30f}, high[3] = {-1e30f, -1e30f, -1e30f};
  for (int i = 0; i < MODEL_CAPACITY && isUsed(modelTable[i]); ++i)
    for (int a = 0; a < 3; ++a) {
      low[a] = std::min(low[a], modelTable[i].matrix.m[12 + a]);
      high[a] = std::max(high[a], modelTable[i].matrix.m[12 + a]);
    }
  Camera& camera = view.camera;
  resetView(camera);
  float half = 0.0f;
  for (int a = 0; a < 3; ++a) half += (high[a] - low[a]) * (high[a] - low[a]) / 4.0f;
  const float* aim = sight == WHOLE ? high : low;
  setTranslation(camera.viewMatrix, -(low[0] + aim[0]) / 2, -(low[1] + aim[1]) / 2, -(low[2] + aim[2]) / 2);
  rotateViewByDrag(camera, 20, 30);
  const float reach = std::sqrt(half) + 100.0f;
  camera.viewDistance = sight == WHOLE ? -reach / std::sin(float(FIELD_OF_VIEW) * 0.5f * 3.14159265f / 180.0f) : -400.0f;
}

// Rows of 100 kind-8 connectors joined by kind-12 rods, the rows 400 apart.
void buildGrid(int n) {
  clearModel();
  for (int i = 0; i < n; ++i) {
    PieceRecord& p = modelTable[i];
    p = pieceTemplates[i % 2 ? 12 : 8];
    Matrix at;
    setTranslation(at, float(i % 200) * 200.0f, 0.0f, float(i / 200) * 400.0f);
    multiplyLeft(at, p.matrix);
  }
}


// Frames of the model the given function builds, seen and drawn as the
// benchmark's arguments say.
void frameBenchmark(benchmark::State& state, void (*build)(int)) {
  if (!ensureView(RENDER_SIZE)) return state.SkipWithError("no offscreen OpenGL view");
  build(int(state.range(0)));
  view = offscreenStartView();
  aimCamera(Sight(state.range(1)));
  view.drawing = drawWay(Way(state.range(2)));
  for (auto _ : state) {
    drawOffscreenFrame(view);
    glFinish();
  }
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_BlockFrame(benchmark::State& state) { frameBenchmark(state, buildBlock); }

void BM_GridFrame(benchmark::State& state) { frameBenchmark(state, buildGrid); }

BENCHMARK(BM_GridFrame)
    ->ArgNames({"pieces", "closeup", "way"})
    ->ArgsProduct({{1000, 10000}, {WHOLE, CLOSE_UP}, {STILL, MOVING}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

BENCHMARK(BM_BlockFrame)
    ->ArgNames({"pieces", "closeup", "way"})
    ->ArgsProduct({{1000, 10000}, {WHOLE, CLOSE_UP}, {NESTED, STILL, MOVING}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

double millisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// The script of the grid: 50 rows of 100 kind-8 connectors, each
// row's connectors joined by kind-12 rods, one rod past the last: 10000 pieces.
ScriptLines gridScript() {
  return {"float $z=0",          "repete 50",          "#8 trans 0 0 $z", "repete 99", "#12 %p1 @ h3 c1",
          "#8 %p1 @ c2 h7",      "finrepete",          "#12 %p1 @ h3 c1", "ajoute 400 $z", "finrepete"};
}

enum FirstModel { GRID, TOWER };

// From the script to the first frame, as the desktop program opens a file:
// a new view and its renderer, the compile, the view fitted to the whole
// model at three quarters, one frame drawn the given way; then, apart, the
// still picture that follows a quick first frame. Each step's share is a
// counter.
void BM_FirstFrame(benchmark::State& state) {
  const ScriptLines script = state.range(0) == GRID ? gridScript() : grownTallTower(9968);
  const Way way = Way(state.range(1));
  useBuildData();
  setMessageSink(quiet);
  double viewMs = 0, compileMs = 0, frameMs = 0, stillMs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    stopBenchView();
    clearModel();
    state.ResumeTiming();
    auto start = std::chrono::steady_clock::now();
    if (!startOffscreenView(RENDER_SIZE, RENDER_SIZE)) return state.SkipWithError("no offscreen OpenGL view");
    viewMs += millisecondsSince(start);
    start = std::chrono::steady_clock::now();
    compileScript(script);
    compileMs += millisecondsSince(start);
    start = std::chrono::steady_clock::now();
    view = offscreenStartView();
    fitView(view.camera, modelCorners(modelTable), THREE_QUARTER_VIEW);
    view.drawing = drawWay(way);
    drawOffscreenFrame(view);
    glFinish();
    frameMs += millisecondsSince(start);
    state.PauseTiming();
    start = std::chrono::steady_clock::now();
    view.drawing = drawWay(STILL);
    drawOffscreenFrame(view);
    glFinish();
    stillMs += millisecondsSince(start);
    state.ResumeTiming();
  }
  const double n = double(state.iterations());
  state.counters["view_ms"] = viewMs / n;
  state.counters["compile_ms"] = compileMs / n;
  state.counters["frame_ms"] = frameMs / n;
  state.counters["still_after_ms"] = stillMs / n;
  state.counters["pieces"] = double(usedPrefixLength());
  setMessageSink(nullptr);
}

BENCHMARK(BM_FirstFrame)
    ->ArgNames({"tower", "way"})
    ->ArgsProduct({{GRID, TOWER}, {NESTED, STILL, MOVING}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

BENCHMARK(BM_Render1000Frame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Render1000Png)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderCommand1000)->Unit(benchmark::kMillisecond);

}  // namespace
