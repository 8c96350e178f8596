// What the drawing benchmarks share: the data files of the build they run
// from, one offscreen view kept from one benchmark to the next, and a block
// of pieces of every kind.
#pragma once

#include <cmath>
#include <filesystem>

#include "model/matrix.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_messages.h"
#include "shell/render_command.h"

// The benchmarks live in <build>/bench; the data files are in <build>.
inline void useBuildData() {
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
  dataDir = exe.parent_path().parent_path().string() + "/";
}

inline int benchViewSize = 0;  // the offscreen view's size, 0 when none

// An offscreen view of size x size, started again only for another size;
// false when there is no offscreen OpenGL here.
inline bool ensureBenchView(int size) {
  if (benchViewSize == size) return true;
  stopOffscreenView();
  useBuildData();
  setMessageSink([](const char*, const char*, MessageIcon) {});
  benchViewSize = startOffscreenView(size, size) ? size : 0;
  setMessageSink(nullptr);
  return benchViewSize == size;
}

// For the benchmarks that time a view's start.
inline void stopBenchView() {
  stopOffscreenView();
  benchViewSize = 0;
}

// n pieces of the catalogue's kinds in turn, in a cube of side the cube root
// of n rounded up, 150 units apart.
inline void buildBlock(int n) {
  clearModel();
  const int side = int(std::ceil(std::cbrt(double(n)) - 1e-9));
  for (int i = 0; i < n; ++i) {
    modelTable[i] = pieceTemplates[i % 16];
    setTranslation(modelTable[i].matrix, float(i % side) * 150.0f, float(i / side % side) * 150.0f,
                   float(i / (side * side)) * 150.0f);
  }
}
