// Clicks in an offscreen 600 x 600 view from the start-up camera (400 units
// from the origin). The port under the pointer is picked, the nearest of
// several, and insertion appends the line that joins the ghost there; the
// text then compiles to exactly the model insertion built. Then the piece
// under the pointer, as F11 reports it.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_editor.h"
#include "script/compiler.h"
#include "shell/model_dump.h"
#include "shell/render_command.h"
#include "shell/shared_state.h"
#include "support/script_harness.h"
#include "support/table_file.h"

// Mesa's software driver keeps some memory of its own until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {

class Picking : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSharedState();
    dataDir = VEXOCAD_BINARY_DIR "/";
    hEditor = makeHeadlessEditor();
    ASSERT_TRUE(startOffscreenView(600, 600))
        << "no offscreen OpenGL view (EGL with Mesa's surfaceless platform is needed): "
        << ::testing::PrintToString(messages.take());
    insertionMode = 1;
  }
  void TearDown() override {
    destroyHeadlessEditor(hEditor);
    stopOffscreenView();
  }
  void load(const std::string& script) {
    loadEditorLines(hEditor, splitLines(script));
    compileScript(readEditorLines(hEditor));
    ASSERT_EQ(messages.take(), std::vector<std::string>{});
  }
  MessageCapture messages;
};

// Each row of tests/insertion/clicks.txt: a model, a click, the line appended.
TEST_F(Picking, AClickAppendsTheLineThatJoinsTheGhostAtThePortUnderThePointer) {
  for (const std::string& row : tableRows("insertion/clicks.txt")) {
    SCOPED_TRACE(row);
    const std::vector<std::string> f = tableFields(row);
    ASSERT_EQ(f.size(), 5u);
    load(f[0]);
    std::istringstream(f[1]) >> mouseX >> mouseY;
    std::istringstream ghost(f[2]);
    int kind;
    std::string port;
    ghost >> kind >> port;
    ghostPiece = pieceTemplates[kind];
    ghostPortKind = int32_t(std::strchr("ohc=", port[0]) - "ohc=");
    ghostPlace = std::stof(port.substr(1));
    relativeReferences = f[3].find('a') == std::string::npos;
    ampersandOption = f[3].find('&') != std::string::npos;
    frameMarkerRequest = f[3].find('m') != std::string::npos;
    const std::vector<std::string> text = readEditorLines(hEditor);
    const std::string model = dumpModel();
    insertPiece(nullptr);
    const std::vector<std::string> lines = readEditorLines(hEditor);
    if (f[4].empty()) {
      EXPECT_EQ(lines, text);
      EXPECT_EQ(dumpModel(), model);
      continue;
    }
    EXPECT_EQ(lines.size(), text.size() + 1);
    EXPECT_EQ(lines.back(), f[4]);
    const std::string built = dumpModel();
    compileScript(lines);
    EXPECT_EQ(dumpModel(), built);
  }
}

TEST_F(Picking, PieceUnderThePointerIsTheNearestAndOverflowCountsAsNone) {
  for (const std::string& row : tableRows("insertion/pieces-under-the-pointer.txt")) {
    const std::vector<std::string> f = tableFields(row);
    ASSERT_EQ(f.size(), 3u) << row;
    load(f[0]);
    std::istringstream(f[1]) >> mouseX >> mouseY;
    EXPECT_EQ(pickPiece(modelTable), std::stoi(f[2])) << row;
  }
}

}  // namespace
