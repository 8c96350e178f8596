// "Exporter le code" without a display: the test answers the dialog as a
// user would, through the main window's command, and looks at what stands
// beside the document afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "platform/core_data_dir.h"
#include "platform/window_system.h"
#include "shell/documents.h"
#include "shell/main_window.h"
#include "shell/panes.h"
#include "shell/shared_state.h"
#include "support/process.h"

namespace fs = std::filesystem;

extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {
ExportChoices answer;  // kind and options; an empty path takes the proposed one
bool answerDialog(ExportChoices& c, std::string (*pathFor)(ExportKind), const std::string&) {
  const std::string path = answer.path.empty() ? pathFor(answer.kind) : answer.path;
  answer.viewWidth = c.viewWidth, answer.viewHeight = c.viewHeight;
  return c = answer, c.path = path, true;
}
int asksBeforeStop = 1 << 30;
bool progress(const std::string&, bool finished) { return finished || --asksBeforeStop >= 0; }
std::string lastMessage;
void keepMessage(const char* text, const char*, MessageIcon) { lastMessage = text; }

class ExportDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    dataDir = VEXOCAD_BINARY_DIR "/";
    resetSharedState();
    setMessageSink(keepMessage);
    desktop.dialogs = DesktopDialogs{};
    desktop.dialogs.chooseExport = answerDialog;
    desktop.dialogs.exportProgress = progress;
    desktop.hEditor = makeHeadlessEditor();
    desktop.hMainWindow = createHeadlessWindow(mainWindowProc);
    createPanes(nullptr, 1000, 622);
    dir = makeTempDir();
    writeFile(dir + "/modele.vxo", "#8\n\n#12 %p1 @ h1 c1\n\n#8 %p1 @ c2 h1\n");
    std::strcpy(desktop.documentName, (dir + "/modele.vxo").c_str());
    ASSERT_TRUE(openDocumentFile(desktop.documentName, desktop.hEditor));
    mainWindowProc(desktop.hMainWindow, WM_COMMAND, CMD_COMPILE, 0);  // as opening it in the program does
  }
  void TearDown() override {
    destroyPanes();
    destroyWindow(desktop.hMainWindow);
    destroyHeadlessEditor(desktop.hEditor);
    fs::remove_all(dir);
  }
  std::set<std::string> names() {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) found.insert(entry.path().filename());
    return found;
  }
  void exportAs(ExportKind kind, const std::string& path = "") {
    answer = ExportChoices{};
    answer.kind = kind, answer.path = path, answer.width = 40, answer.height = 30;
    mainWindowProc(desktop.hMainWindow, WM_COMMAND, CMD_EXPORT, 0);
  }
  std::string dir;
};

TEST_F(ExportDialog, EachExportIsWrittenBesideTheDocument) {
  for (ExportKind kind : {ExportKind::IMAGE, ExportKind::PARTS_CSV, ExportKind::PARTS_HTML, ExportKind::BOOKLET,
                          ExportKind::MESH_STL, ExportKind::MESH_GLB})
    exportAs(kind);
  EXPECT_EQ(names(), (std::set<std::string>{"modele.vxo", "modele.png", "modele.csv", "modele.html", "modele-livret",
                                            "modele.stl", "modele.glb"}));
  const std::string png = readFile(dir + "/modele.png");
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(png.substr(16, 8), std::string("\0\0\0\x28\0\0\0\x1e", 8)) << "40 x 30";
  EXPECT_TRUE(fs::exists(dir + "/modele-livret/etape-0002.png"));
  EXPECT_NE(readFile(dir + "/modele.csv").find("Quantité"), std::string::npos);
  EXPECT_NE(lastMessage.find(dir + "/modele.glb"), std::string::npos) << lastMessage;
}

TEST_F(ExportDialog, AFailureOrAStopLeavesNothingAndSaysWhy) {
  exportAs(ExportKind::MESH_STL, dir + "/absent/modele.stl");
  EXPECT_NE(lastMessage.find("absent"), std::string::npos) << lastMessage;
  exportAs(ExportKind::PARTS_CSV, dir + "/modele.stl");
  EXPECT_NE(lastMessage.find(".csv"), std::string::npos) << lastMessage;
  exportAs(ExportKind::IMAGE);
  asksBeforeStop = 2;
  exportAs(ExportKind::BOOKLET);
  EXPECT_NE(lastMessage.find("arrêté"), std::string::npos) << lastMessage;
  asksBeforeStop = 0;
  exportAs(ExportKind::MESH_OBJ);
  asksBeforeStop = 1 << 30;
  EXPECT_NE(lastMessage.find("arrêté"), std::string::npos) << lastMessage;
  EXPECT_EQ(names(), (std::set<std::string>{"modele.vxo", "modele.png"}));
}
}  // namespace
