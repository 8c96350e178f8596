// "Exporter le code" without a display: the test answers the dialog as a
// user would, through the main window's command, and looks at what stands
// beside the document afterwards, and at the GL resources of a window's
// renderer that lives meanwhile in a context of its own.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <set>
#include <vector>

#include "platform/core_data_dir.h"
#include "platform/window_system.h"
#include "shell/documents.h"
#include "shell/export_dialog.h"
#include "shell/gl_window.h"
#include "shell/main_window.h"
#include "shell/panes.h"
#include "shell/shared_state.h"
#include "support/process.h"

namespace fs = std::filesystem;

extern "C" const char* __lsan_default_suppressions() { return "leak:swrast_dri.so\n"; }

namespace {
ExportChoices answer;  // kind and options; an empty path takes the proposed one
std::string lastNote;  // the text the dialog shows above its fields
bool answerDialog(ExportChoices& c, std::string (*pathFor)(ExportKind), const std::string& note) {
  lastNote = note;
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

TEST_F(ExportDialog, TheNoteCountsThePiecesOfTheLastCompile) {
  exportAs(ExportKind::IMAGE);
  EXPECT_NE(lastNote.find("(3 pièces)"), std::string::npos) << lastNote;
  writeFile(dir + "/un.vxo", "#8\n");
  std::strcpy(desktop.documentName, (dir + "/un.vxo").c_str());
  ASSERT_TRUE(openDocumentFile(desktop.documentName, desktop.hEditor));
  mainWindowProc(desktop.hMainWindow, WM_COMMAND, CMD_COMPILE, 0);
  exportAs(ExportKind::IMAGE);
  EXPECT_NE(lastNote.find("(1 pièce)"), std::string::npos) << lastNote;
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

// The dialog's form, changed as the user would: the path and the size
// follow the kind until the user edits them, only the kind's own options
// take input, the booklet's path is a folder, and the scale must be a
// number the export takes, with a decimal comma or point.
TEST(ExportForm, PathAndSizeFollowTheKindUntilEditedAndOnlyItsOptionsAreActive) {
  ExportChoices c;
  c.path = "/d/m.png", c.width = c.viewWidth = 600, c.height = c.viewHeight = 500;
  c.bookletWidth = 400, c.bookletHeight = 300;
  c.sides = {100, 20, 50};  // 20 high
  ExportForm dialog;
  makeExportForm(dialog, c, [](ExportKind kind) { return "/d/m" + std::to_string(int(kind)); }, "");
  Form& form = dialog.form;
  auto pick = [&](ExportKind kind) {
    form.fields[0].chosen = int(kind);
    form.choiceChanged(form, 0, form.context);
  };
  auto active = [&] {
    std::string flags;
    for (const FormField& f : form.fields) flags += f.active ? '1' : '0';
    return flags;
  };
  EXPECT_EQ(active(), "11110010");
  pick(ExportKind::BOOKLET);
  EXPECT_EQ(chosenExport(dialog).path, "/d/m4");
  EXPECT_EQ(chosenExport(dialog).width, 400);
  EXPECT_EQ(form.fields[1].browse, FormField::SAVE_FOLDER);
  form.fields[1].value = "/e/livret", form.fields[2].value = "123";  // typed by the user
  pick(ExportKind::PARTS_CSV);
  EXPECT_EQ(active(), "11000011");
  EXPECT_EQ(form.fields[1].browse, FormField::SAVE_FILE);
  const ExportChoices edited = chosenExport(dialog);
  EXPECT_EQ(edited.path, "/e/livret");
  EXPECT_EQ(edited.width, 123);
  EXPECT_EQ(edited.height, 300);
  pick(ExportKind::MESH_STL);
  EXPECT_EQ(active(), "11001110");
  EXPECT_EQ(form.fields[5].value, "100,0") << "the largest side at scale 1";
  EXPECT_EQ(form.fields[6].value, "100,0 × 50,0 mm au sol, 20,0 mm de haut");
  form.fields[5].value = "250";  // the largest side typed: the scale follows
  form.textChanged(form, 5, form.context);
  EXPECT_EQ(form.fields[4].value, "2,5") << "a decimal comma, as the millimetres";
  EXPECT_EQ(form.fields[6].value, "250,0 × 125,0 mm au sol, 50,0 mm de haut");
  EXPECT_EQ(form.check(form, form.context), "");
  for (const char* scale : {"0", "-1", "deux", "1x", "", "inf", "nan", "1e7", "0x10", "1,5,0"}) {
    form.fields[4].value = scale;
    EXPECT_NE(form.check(form, form.context), "") << scale;
  }
  form.fields[4].value = "0,5";  // typed the French way
  EXPECT_EQ(form.check(form, form.context), "");
  EXPECT_EQ(chosenExport(dialog).scale, 0.5);
  form.fields[4].value = "0.25";
  EXPECT_EQ(chosenExport(dialog).scale, 0.25);
  EXPECT_EQ(chosenExport(dialog).kind, ExportKind::MESH_STL);
}

// A GL context standing in for the 3-D window's, on the EGL display the
// offscreen views use, without a surface: the window's resources are
// looked at, not its pixels.
struct WindowContext {
  EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  EGLContext context = EGL_NO_CONTEXT;
  bool open() {
    EGLConfig config;
    EGLint count = 0;
    const EGLint attributes[] = {EGL_SURFACE_TYPE, 0, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    if (!eglInitialize(display, nullptr, nullptr) || !eglBindAPI(EGL_OPENGL_API) ||
        !eglChooseConfig(display, attributes, &config, 1, &count) || count < 1)
      return false;
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    return context != EGL_NO_CONTEXT && makeCurrent();
  }
  bool makeCurrent() { return eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, context); }
  ~WindowContext() {
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
  }
};

// The list and texture names alive in the current context.
std::vector<GLuint> aliveNames() {
  std::vector<GLuint> names;
  for (GLuint n = 1; n < 400; ++n)
    if (glIsList(n)) names.push_back(n);
  for (GLuint n = 1; n < 100; ++n)
    if (glIsTexture(n)) names.push_back(1000 + n);
  return names;
}

// A colour of no kind and no texture, put in the first list of the piece
// library and the first texel of the room's floor: a list or texture
// deleted and built again loses it.
constexpr GLubyte MARK[3] = {12, 34, 56};

void markResources(const Renderer& renderer) {
  glNewList(renderer.pieces.listBase, GL_COMPILE);
  glColor3ubv(MARK);
  glEndList();
  glBindTexture(GL_TEXTURE_2D, renderer.room.names[3]);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, MARK);
}

// The list's colour and the texel, as 0-255 values.
std::vector<int> readMarks(const Renderer& renderer) {
  glColor3ub(0, 0, 0);
  glCallList(renderer.pieces.listBase);
  GLfloat colour[4];
  glGetFloatv(GL_CURRENT_COLOR, colour);
  glBindTexture(GL_TEXTURE_2D, renderer.room.names[3]);
  GLint width = 0, height = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
  std::vector<GLubyte> texels(size_t(width) * size_t(height) * 3 + 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
  return {int(colour[0] * 255 + 0.5f), int(colour[1] * 255 + 0.5f), int(colour[2] * 255 + 0.5f),
          texels[0], texels[1], texels[2]};
}

// The exports that draw do so in offscreen views of their own: the window's
// renderer keeps every list and texture it had, with their contents, and
// gains none.
TEST_F(ExportDialog, PictureExportsLeaveTheWindowsListsAndTexturesAsTheyWere) {
  WindowContext window;
  ASSERT_TRUE(window.open()) << "no surfaceless GL context";
  ASSERT_TRUE(startGlWindowRenderer());
  const Renderer& renderer = glWindowRenderer();
  markResources(renderer);
  const std::vector<GLuint> before = aliveNames();
  const std::vector<int> marks = readMarks(renderer);
  ASSERT_EQ(marks, (std::vector<int>{12, 34, 56, 12, 34, 56}));
  for (ExportKind kind : {ExportKind::IMAGE, ExportKind::BOOKLET, ExportKind::PARTS_HTML}) {
    exportAs(kind);
    ASSERT_TRUE(window.makeCurrent());  // as the window system does after an export
    EXPECT_EQ(aliveNames(), before) << "after export " << int(kind);
    EXPECT_EQ(readMarks(renderer), marks) << "after export " << int(kind);
  }
  EXPECT_EQ(names(), (std::set<std::string>{"modele.vxo", "modele.png", "modele-livret", "modele.html"}));
  destroyGlWindow();  // the window's renderer goes with the context
}
}  // namespace
