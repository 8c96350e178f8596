// Cost of picking in the offscreen view of the generated pieces, on models
// of 1000 and 10000 pieces: the kinds 0 to 15 in turn (rods carry up to 30
// markers each), laid out on a grid, every tenth piece a frame holding the
// nine after it. The mouse is on a piece in the middle of the view.
//
// PickPiece: the F11 question. PickConnectionPoint: the click's question,
// every piece's markers (first pass) and then the found piece's markers
// (second pass). Each from the model on the CPU and, as the reference in
// the same run, in OpenGL selection mode (GlSelect): the ratio is the
// figure, absolute times drift on a shared machine.
// The time per piece should stay flat from 1000 to 10000: each pass indexes
// the frame tree once and meets every piece once.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "bench_view.h"
#include "insertion/picking.h"
#include "model/matrix.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "shell/render_command.h"
#include "view/camera.h"

namespace {

constexpr int VIEW_SIZE = 600;
constexpr int GROUP_SIZE = 10;
constexpr int GRID_COLUMNS = 100;
constexpr float GRID_STEP = 150.0f;

ViewState view;  // the camera and mouse of every pick

bool ensureView() { return ensureBenchView(VIEW_SIZE); }

// Piece i sits on the grid at column i % 100, row i / 100, facing the eye;
// pieces in a frame are placed relative to their frame's piece.
void buildModel(int n) {
  clearModel();
  for (int i = 0; i < n; ++i) {
    PieceRecord& p = modelTable[i];
    p = pieceTemplates[i % 16];
    Matrix grid;
    setTranslation(grid, float(i % GRID_COLUMNS) * GRID_STEP, -float(i / GRID_COLUMNS) * GRID_STEP, 0.0f);
    setRotation(p.matrix, 90.0f, 0.0f, 0.0f);
    multiplyLeft(grid, p.matrix);
    const int frame = i - i % GROUP_SIZE;
    if (frame == i) continue;
    p.flags |= PIECE_IN_FRAME;
    p.frameParent = &modelTable[frame];
    setTranslation(p.matrix, float(i - frame) * GRID_STEP, 0.0f, 0.0f);
  }
}

// The view centred on piece 48 (a kind-0 connector on the grid's top row,
// in the frame of piece 40), the mouse on its hole or, 7 pixels above, on
// its hub.
void aimAtAPiece(int pixelsAbove) {
  view = offscreenStartView();
  view.camera.viewDistance = -1500.0f;
  view.camera.viewMatrix.m[12] = -48.0f * GRID_STEP;
  view.mouseX = VIEW_SIZE / 2;
  view.mouseY = VIEW_SIZE / 2 - pixelsAbove;
}

// The worst case for the CPU: along the grid's top row from beyond its end,
// so that the pick volume passes through all hundred pieces of the row.
void lookAlongTheTopRow() {
  view = offscreenStartView();
  rotateViewByDrag(view.camera, 0, -90);
  view.camera.viewDistance = -16000.0f;
  view.mouseX = VIEW_SIZE / 2;
  view.mouseY = VIEW_SIZE / 2;
}

bool prepare(benchmark::State& state, int pixelsAbove) {
  if (!ensureView()) {
    state.SkipWithError("no offscreen OpenGL view");
    return false;
  }
  buildModel(int(state.range(0)));
  if (pixelsAbove < 0)
    lookAlongTheTopRow();
  else
    aimAtAPiece(pixelsAbove);
  return true;
}

int32_t pickPieceOnTheCpu(PieceRecord* table) { return pickPiece(table, view); }
int32_t pickPieceByLists(PieceRecord* table) { return pickPieceGlSelect(table, view); }
void pickPointOnTheCpu(PieceRecord* table, PickedPoint& picked) { pickConnectionPoint(table, view, picked); }
void pickPointByLists(PieceRecord* table, PickedPoint& picked) { pickConnectionPointGlSelect(table, view, picked); }

template <int32_t (*pick)(PieceRecord*)>
void pickPieceBench(benchmark::State& state) {
  if (!prepare(state, 7)) return;
  int32_t found = pick(modelTable);  // the CPU picker reads the meshes once
  for (auto _ : state) benchmark::DoNotOptimize(found = pick(modelTable));
  if (found != 48) state.SkipWithError("not the piece under the mouse");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <void (*pick)(PieceRecord*, PickedPoint&)>
void pickConnectionPointBench(benchmark::State& state) {
  if (!prepare(state, 0)) return;
  PickedPoint picked;
  pick(modelTable, picked);
  for (auto _ : state) {
    pick(modelTable, picked);
    benchmark::DoNotOptimize(picked.piece);
  }
  if (pieceNumber(picked.piece) != 48 || picked.portKind != 0)
    state.SkipWithError("not the hole under the mouse");
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <int32_t (*pick)(PieceRecord*)>
void pickAlongARowBench(benchmark::State& state) {
  if (!prepare(state, -1)) return;
  int32_t found = pick(modelTable);
  for (auto _ : state) benchmark::DoNotOptimize(found = pick(modelTable));
  state.SetLabel("piece " + std::to_string(found));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_PickPiece(benchmark::State& state) { pickPieceBench<pickPieceOnTheCpu>(state); }
void BM_PickPieceGlSelect(benchmark::State& state) { pickPieceBench<pickPieceByLists>(state); }
void BM_PickConnectionPoint(benchmark::State& state) { pickConnectionPointBench<pickPointOnTheCpu>(state); }
void BM_PickConnectionPointGlSelect(benchmark::State& state) { pickConnectionPointBench<pickPointByLists>(state); }

void BM_PickPieceAlongARow(benchmark::State& state) { pickAlongARowBench<pickPieceOnTheCpu>(state); }
void BM_PickPieceAlongARowGlSelect(benchmark::State& state) { pickAlongARowBench<pickPieceByLists>(state); }

BENCHMARK(BM_PickPiece)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickPieceGlSelect)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickConnectionPoint)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickConnectionPointGlSelect)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickPieceAlongARow)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PickPieceAlongARowGlSelect)->ArgName("pieces")->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
