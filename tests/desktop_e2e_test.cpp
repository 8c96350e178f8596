// The real desktop program on a private X server, driven by xdotool as a
// user would: every way to end, typing and compiling a line, F6's count, the
// question before changed text is lost, unsaved text kept across a kill,
// clicks that insert and drags that never do, Ctrl+wheel, F9, Save, undo
// and redo, the divider, the export dialog, and bad files named on the
// command line. Messages are read from the program's message log.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/pick_volume.h"
#include "insertion/port_markers.h"
#include "model/connection.h"
#include "pieces/catalogue.h"
#include "platform/core_data_dir.h"
#include "platform/core_text_encoding.h"
#include "script/compiler.h"
#include "shell/script_file.h"
#include "support/process.h"
#include "support/virtual_display.h"
#include "view/camera.h"
#include "view/model_bounds.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// The first line a command prints.
std::string output(const std::string& command) {
  char line[512] = "";
  FILE* p = ::popen(command.c_str(), "r");
  if (p && !std::fgets(line, sizeof line, p)) line[0] = '\0';
  if (p) ::pclose(p);
  return std::string(line, std::strcspn(line, "\n"));
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 10s) {
  for (const auto end = std::chrono::steady_clock::now() + limit; std::chrono::steady_clock::now() < end;) {
    if (condition()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

// An open menu: FLTK shows it as a window of its own that no window manager
// frames (override-redirect).
bool menuShown() {
  static Display* own = XOpenDisplay(nullptr);
  Window root, parent, *children = nullptr;
  unsigned count = 0;
  if (!own || !XQueryTree(own, DefaultRootWindow(own), &root, &parent, &children, &count)) return false;
  bool shown = false;
  for (unsigned i = 0; i < count && !shown; ++i) {
    XWindowAttributes a;
    shown = XGetWindowAttributes(own, children[i], &a) && a.override_redirect && a.map_state == IsViewable;
  }
  if (children) XFree(children);
  return shown;
}

void runXdotool(const std::string& arguments) {
  ASSERT_EQ(std::system(("xdotool " + arguments + " >/dev/null 2>&1").c_str()), 0) << arguments;
  std::this_thread::sleep_for(150ms);  // let the program's loop take the events
}

// "key alt+f s": the keys after the one that opens a menu of the menu bar
// wait until the menu is on the screen, and the call until it is gone (its
// command run): on a busy machine the item's key would otherwise reach the
// window below.
void xdotool(const std::string& arguments) {
  const size_t space = arguments.find(' ', 4);
  const bool menu = arguments.size() > 9 && arguments.rfind("key alt+", 0) == 0 &&
                    std::string("fera").find(arguments[8]) != std::string::npos && arguments[9] == ' ';
  if (!menu) return runXdotool(arguments);
  runXdotool(arguments.substr(0, space));
  ASSERT_TRUE(waitFor(menuShown)) << arguments;
  runXdotool("key" + arguments.substr(space));
  ASSERT_TRUE(waitFor([] { return !menuShown(); })) << arguments;
}

class DesktopProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    if (!startVirtualDisplay(&reason)) GTEST_SKIP() << "no X server: " << reason;
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    dir = makeTempDir();
    messageLog = dir + "/messages.log";
    ASSERT_NE(display = XOpenDisplay(nullptr), nullptr);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });  // a window gone meanwhile reads as nothing
  }
  void TearDown() override {
    stop();
    if (windowManager > 0) ::kill(windowManager, SIGTERM), ::waitpid(windowManager, nullptr, 0);
    fs::remove_all(dir);
    if (display) XCloseDisplay(display);
  }

  std::string file(const std::string& name, const std::string& bytes) {
    return writeFile(dir + "/" + name, bytes), dir + "/" + name;
  }
  std::string log() { return readFile(messageLog); }
  bool logged(const std::string& line) { return waitFor([&] { return log().find(line) != std::string::npos; }); }
  // A box logs its text before it is shown: keys meant for it wait until
  // it has them, or a slow machine gives them to the window below.
  bool boxHasTheKeys(const std::string& caption) {
    return waitFor([&] { return output("xdotool getwindowfocus getwindowname 2>/dev/null") == caption; });
  }
  // The first frame is a quick one; the still picture follows at once.
  bool firstFrameDrawn() {
    return readFile(dir + "/stderr.txt").find("first still picture") != std::string::npos;
  }

  // Starts the program with a new message log; waits for its window and,
  // unless a message box is expected during start-up, for its first frame.
  void start(const std::string& document, bool boxAtStart = false) {
    stop();
    fs::remove(dir + "/stderr.txt");
    fs::remove(messageLog);
    pid = ::fork();
    if (pid == 0) {
      ::setenv("VEXOCAD_MESSAGE_LOG", messageLog.c_str(), 1);
      ::setenv("XDG_STATE_HOME", (stateHome.empty() ? dir + "/state" : stateHome).c_str(), 1);  // copies stay here
      ::setenv("XDG_CONFIG_HOME", (dir + "/config").c_str(), 1);  // never the user's own preferences
      ::signal(SIGINT, SIG_DFL), ::signal(SIGHUP, SIG_DFL);  // whatever the test runner ignores
      ::setenv("VEXOCAD_FRAME_STATS", "1", 1);
      std::freopen((dir + "/stderr.txt").c_str(), "w", stderr);
      const char* program = VEXOCAD_BINARY_DIR "/vexocad";
      ::execl(program, program, document.empty() ? nullptr : document.c_str(), nullptr);
      ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    ASSERT_FALSE(windowId().empty()) << "no main window";
    if (!boxAtStart) { ASSERT_TRUE(waitFor([&] { return firstFrameDrawn(); })); }
  }
  void stop() {
    if (pid > 0) ::kill(pid, SIGKILL), ::waitpid(pid, nullptr, 0);
    pid = 0;
  }
  // Exit status, or -1 when the program is still running after the limit.
  int exitStatus(std::chrono::milliseconds limit = 10s) {
    int status = 0;
    if (!waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, limit)) return -1;
    pid = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

  // xdotool's search answers nothing at all when a window goes while it
  // looks (a box closing): it is asked again until the main window is found.
  std::string windowId() {
    std::string id;
    waitFor([&] { return !(id = output("xdotool search --name '^Vex[io]*Cad - ' 2>/dev/null")).empty(); });
    return id;
  }
  std::string caption() { return output("xdotool getwindowname " + windowId() + " 2>/dev/null"); }
  // The log has the message before its box is on the screen: keep pressing
  // Return until the box is gone and the program has drawn its first frame
  // (slow machines and sanitizer builds need several tries).
  bool dismissStartUpBox() {
    for (int attempt = 0; attempt < 20; ++attempt) {
      xdotool("key Return");
      if (waitFor([&] { return firstFrameDrawn(); }, 1s)) return true;
    }
    return false;
  }
  // Window-relative: the client area starts below the 25-pixel menu bar.
  std::string at(int x, int y) {
    return "mousemove --window " + windowId() + " " + std::to_string(x) + " " + std::to_string(y + 25) + " ";
  }
  void typeInEditor(const std::string& text) {
    xdotool(at(200, 300) + "click 1");
    xdotool("key ctrl+End");  // after the last line
    xdotool("type --delay 20 '" + text + "'");
  }
  void rightClickInView() { xdotool(at(700, 500) + "click 3"); }  // the main window takes the keys
  // "Réinitialiser la vue": opening a file fitted the view to the model.
  void startUpView() { rightClickInView(), xdotool("key alt+a r"); }
  void endWithEscape() {
    rightClickInView();
    xdotool("key Escape");
    EXPECT_EQ(exitStatus(), 0);
  }

  // What a window manager sends when the user clicks the window's close button.
  void askWindowToClose() {
    XEvent event{};
    event.xclient = {ClientMessage, 0, False, display, Window(std::stoul(windowId())),
                     XInternAtom(display, "WM_PROTOCOLS", False), 32, {}};
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
    XFlush(display);
  }
  // The view's pixels (every third of each third row), read back from the X server.
  // Every third pixel of every third row of a part of the main window.
  std::vector<unsigned long> windowPixels(int x, int y, int width, int height) {
    std::vector<unsigned long> pixels;
    XImage* image = XGetImage(display, Window(std::stoul(windowId())), x, y, width, height, AllPlanes, ZPixmap);
    for (int j = 0; image && j < height; j += 3)
      for (int i = 0; i < width; i += 3) pixels.push_back(XGetPixel(image, i, j));
    if (image) XDestroyImage(image);
    return pixels;
  }
  std::vector<unsigned long> viewPixels() { return windowPixels(400, 25, 600, 600); }
  // The first row of the messages list, under the editor.
  std::vector<unsigned long> firstMessagePixels() { return windowPixels(0, 512, 400, 20); }

  // The view, the main window's one child window: its size, how many of its
  // pixels differ from the background (the pixel 6 in from its top-left
  // corner) and from the frame that says it has the keyboard, and how many
  // of those lie within `border` pixels of its edges.
  struct ViewCount {
    int width = 0, height = 0;
    long drawn = 0, atBorder = 0;
  };
  ViewCount countViewPixels(int border) {
    ViewCount count;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned int n = 0;
    XWindowAttributes view{};
    if (XQueryTree(display, Window(std::stoul(windowId())), &root, &parent, &children, &n) && n == 1)
      XGetWindowAttributes(display, children[0], &view);
    XImage* image = n == 1 ? XGetImage(display, children[0], 0, 0, view.width, view.height, AllPlanes, ZPixmap) : nullptr;
    if (children) XFree(children);
    if (!image) return count;
    count.width = view.width, count.height = view.height;
    for (int y = 0; y < view.height; ++y)
      for (int x = 0; x < view.width; ++x) {
        const unsigned long pixel = XGetPixel(image, x, y);
        if (pixel == XGetPixel(image, 6, 6) || pixel == keyboardFrame) continue;
        ++count.drawn;
        count.atBorder += x < border || y < border || x >= view.width - border || y >= view.height - border;
      }
    XDestroyImage(image);
    return count;
  }

  // The colour of the frame along the view's edges while it has the keyboard.
  static constexpr unsigned long keyboardFrame = 0xFF991A;

  // openbox on the test's display, until the test ends; false without it.
  bool startWindowManager() {
    if (std::system("command -v openbox >/dev/null 2>&1") != 0) return false;
    windowManager = ::fork();
    if (windowManager == 0) {
      std::freopen("/dev/null", "w", stderr);
      ::execlp("openbox", "openbox", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return waitFor([&] { return !output("xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -o 'window id'").empty(); });
  }
  std::string activeWindowName() { return output("xdotool getactivewindow getwindowname 2>/dev/null"); }
  std::string preferences() { return readFile(dir + "/config/vexocad/preferences.conf"); }

  // The check marks of an open menu's rows from `first` to `rows`, a
  // character a row ('1' checked, '0' not): the menu of `items` rows is the
  // tallest window FLTK shows over the others, its rows as high as the
  // font's line (24 pixels in Noto Sans, 21 in DejaVu Sans), each check box
  // left in its row.
  std::string menuMarks(int first, int rows, int items) {
    Window root = DefaultRootWindow(display), parent = 0, *children = nullptr, menu = 0;
    unsigned int n = 0, tallest = 0;
    XQueryTree(display, root, &root, &parent, &children, &n);
    for (unsigned int i = 0; i < n; ++i) {
      XWindowAttributes a{};
      if (XGetWindowAttributes(display, children[i], &a) && a.override_redirect && a.map_state == IsViewable &&
          unsigned(a.height) > tallest)
        tallest = unsigned(a.height), menu = children[i];
    }
    if (children) XFree(children);
    if (!menu || (tallest - 3) % unsigned(items) != 0) return "";
    const int row = int(tallest - 3) / items;  // the font's line and its leading
    XImage* image = XGetImage(display, menu, 0, 0, 30, tallest, AllPlanes, ZPixmap);
    if (!image) return "";
    std::string marks;
    for (int r = first; r < rows; ++r) {
      int dark = 0;  // the box's frame, and its mark
      for (int y = r * row + row / 6; y < r * row + row * 7 / 8; ++y)
        for (int x = 4; x < 22; ++x) {
          const unsigned long p = XGetPixel(image, x, y);
          dark += ((p >> 16) & 255) < 41 && ((p >> 8) & 255) < 41 && (p & 255) < 41;
        }
      marks += dark > 30 ? '1' : '0';  // a frame alone: about 20, with its mark: 40 and more
    }
    XDestroyImage(image);
    return marks;
  }
  // Opens the menu by its keys, waits for its marks to read as expected,
  // closes it, and says what they were.
  std::string marksOf(const std::string& keys, int items, int first, const std::string& expected) {
    xdotool("key " + keys);
    std::string marks;
    waitFor([&] { return (marks = menuMarks(first, first + int(expected.size()), items)) == expected; }, 3s);
    xdotool("key Escape");
    return marks;
  }

  std::string dir, messageLog, stateHome;
  pid_t pid = 0, windowManager = 0;
  Display* display = nullptr;
};

// Escape, Fichier > Quitter (below Exemples) and the window's close button, each with
// unchanged text, then with a typed line that the user does not keep, then
// with one that is saved: always exit 0, the file as the user asked.
TEST_F(DesktopProgram, EveryWayToEndExitsCleanlyAfterTheQuestion) {
  const char* ways[] = {"key Escape", "key alt+f Down Down Down Down Down Down Down Return", "the close button"};
  const struct { const char *typed, *answer /* keys in the question box */, *expected; } cases[] = {
      {"", "", "#0\n"}, {"#5 %0", "Tab space", "#0\n"}, {"#5 %0", "Return", "#0\n#5 %0"}};
  for (const std::string way : ways)
    for (const auto& c : cases) {
      const std::string model = file("model.vxo", "#0\n");
      start(model);
      if (*c.typed) typeInEditor(c.typed);
      rightClickInView();
      way == "the close button" ? askWindowToClose() : xdotool(way);
      if (*c.answer) {
        ASSERT_TRUE(logged("VexoCad: Le texte du script a été modifié")) << way;
        ASSERT_TRUE(boxHasTheKeys("VexoCad")) << way;
        xdotool(std::string("key ") + c.answer);
      }
      EXPECT_EQ(exitStatus(), 0) << way << " " << c.answer;
      EXPECT_EQ(readFile(model), c.expected) << way << " " << c.answer;
    }
}

// A typed line compiled by F12 and counted by F6, both pressed in the
// editor; Escape there asks and may be
// cancelled; the text is kept in a recovery copy within seconds and at a
// kill, offered at the next start, and kept again by that instance.
TEST_F(DesktopProgram, TypedLineIsCompiledGuardedByTheQuestionAndSurvivesAKill) {
  const std::string model = file("model.vxo", "#0\n");
  const std::string state = dir + "/state/vexocad";
  std::error_code error;  // no folder yet
  auto copies = [&] {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(state, error)) found.push_back(entry.path());
    return found;
  };
  start(model);
  typeInEditor("#5 %0");
  xdotool("key F12");  // with the editor holding the keys
  xdotool("key F6");
  ASSERT_TRUE(logged("Statistiques: Nombre de pièces: 2\n")) << log();
  ASSERT_TRUE(boxHasTheKeys("Statistiques"));
  xdotool("key Return");  // closes the box
  xdotool("key Escape");  // changed text: asks first
  ASSERT_TRUE(logged("VexoCad: Le texte du script a été modifié")) << log();
  ASSERT_TRUE(boxHasTheKeys("VexoCad"));
  xdotool("key Escape");  // cancels the question
  EXPECT_EQ(exitStatus(1s), -1) << "still running after the question was cancelled";
  EXPECT_TRUE(waitFor([&] { return copies().size() == 1; })) << "a copy within seconds";

  typeInEditor(" rem");
  ::kill(pid, SIGTERM);
  EXPECT_EQ(exitStatus(), 128 + SIGTERM);
  ASSERT_EQ(copies().size(), 1u);
  EXPECT_EQ(readFile(copies()[0]), "#0\n#5 %0 rem") << "written at the signal";
  EXPECT_EQ(readFile(model), "#0\n");

  start("", true);
  ASSERT_TRUE(logged("Texte non enregistré retrouvé: VexoCad s'est arrêté")) << log();
  EXPECT_TRUE(waitFor([&] { return countViewPixels(0).drawn > 100; })) << "the view is drawn behind the box";
  ASSERT_TRUE(dismissStartUpBox());  // Return: "Rétablir"
  EXPECT_EQ(caption(), "VexoCad - sans titre *") << "restored, not saved";
  ::kill(pid, SIGHUP);  // the restored text is unsaved: kept again, by this instance
  EXPECT_EQ(exitStatus(), 128 + SIGHUP);
  ASSERT_EQ(copies().size(), 1u);
  EXPECT_EQ(readFile(copies()[0]), "#0\n#5 %0 rem");
}

// Insertion as a user does it: a connector facing the eye at the origin of
// the start-up view, whose clips lie 53.9062 units from its centre, that is
// 97.6 pixels at 400 units in front of the eye (45 degrees over 600 pixels).
TEST_F(DesktopProgram, ClickOnAClipAppendsTheLineCtrlWheelChangesTheGhostAndF9TakesItBack) {
  const std::string model = file("connecteur à clips.vxo", "#8 rot 90 0 0");
  start(model);
  startUpView();
  EXPECT_EQ(caption(), "VexoCad - " + model);
  const std::vector<unsigned long> pixels = viewPixels();
  EXPECT_GE(std::set<unsigned long>(pixels.begin(), pixels.end()).size(), 3u) << "background, axes and pieces";
  const int centre = 700, clip = 98;  // the view starts 400 pixels right
  auto saved = [&](const std::string& text) {
    xdotool("key ctrl+s");  // the view's side has the keys
    return waitFor([&] { return readFile(model) == text; }, 3s);
  };
  xdotool(at(centre - clip, 300) + "click 1");  // clip 3, on the left
  EXPECT_TRUE(saved("#8 rot 90 0 0\n#13 %p1 @ h3 c1")) << readFile(model);
  xdotool(at(centre, 300 + clip) + "keydown ctrl click 4 keyup ctrl");  // ghost kind 14
  xdotool("click 1");  // on clip 1, below the centre
  EXPECT_TRUE(saved("#8 rot 90 0 0\n#13 %p1 @ h3 c1\n#14 %p2 @ h1 c1")) << readFile(model);
  xdotool("key F9");
  EXPECT_TRUE(saved("#8 rot 90 0 0\n#13 %p1 @ h3 c1")) << readFile(model);
  xdotool("key F9");  // the last change is no longer an inserted line: only a compile
  EXPECT_TRUE(saved("#8 rot 90 0 0\n#13 %p1 @ h3 c1")) << readFile(model);
  EXPECT_EQ(log(), "");
  endWithEscape();  // saved text: at once
}

// The camera of the 600 x 600 view once it has opened the script (fitted
// to its model), the script compiled here as the program compiles it.
Camera openingCamera(const std::string& script) {
  dataDir = VEXOCAD_BINARY_DIR "/";  // the piece files, whose meshes bound the model
  compileScript(scriptLinesFromUtf8(readFile(script)));
  Camera camera;
  setViewport(camera, 600, 600);
  fitView(camera, modelCorners(modelTable), THREE_QUARTER_VIEW);
  return camera;
}

// Where the view shows a port of the kind wanted at which a click with the
// ghost given has the outcome wanted: each marker of that kind of the
// script's model tried at its centre's pixel. The pixel in the view and the
// line the click would append; x < 0 when there is none.
struct Target {
  int x = -1, y = -1;
  std::string line;
};
Target findTarget(const std::string& script, const Camera& camera, int ghostKind, PortKind ghostPort,
                  PortKind wanted, InsertionOutcome outcome) {
  compileScript(scriptLinesFromUtf8(readFile(script)));
  ViewState view;
  view.camera = camera;
  InsertionState insertion;
  insertion.ghostPiece = pieceTemplates[ghostKind];
  insertion.ghostPortKind = ghostPort;
  const Matrix sight = multiplyAsGl(projectionOf(view.camera), modelviewOf(view.camera));
  for (int i = 0; isUsed(modelTable[i]); ++i) {
    const KindMarkers& markers = portMarkersOf(modelTable[i].kind);
    for (int m = 0; m < markers.count; ++m) {
      if (int(markers.markers[m].name / 100) != wanted) continue;
      Matrix at = multiplyAsGl(sight, worldPlacement(modelTable[i]));
      at = multiplyAsGl(at, markers.markers[m].frame);
      if (at.m[15] <= 0.0f) continue;
      view.mouseX = int(std::lround((at.m[12] / at.m[15] + 1.0f) * 300.0f));
      view.mouseY = int(std::lround((1.0f - at.m[13] / at.m[15]) * 300.0f));
      if (view.mouseX < 10 || view.mouseY < 10 || view.mouseX > 590 || view.mouseY > 590) continue;
      PickedPoint picked;
      const InsertionPlan plan = planClickAt(insertion, view, &picked);
      if (picked.piece == &modelTable[i] && picked.portKind == wanted && plan.outcome == outcome)
        return {view.mouseX, view.mouseY, cp1252ToUtf8(plan.line)};
    }
  }
  return {};
}

// "matrix" and its numbers in the last record of the script's --dump.
std::string lastDumpedMatrix(const std::string& script) {
  const std::string dump = runVexocad("--dump " + quoteForShell(script)).out;
  const size_t record = dump.rfind("piece ");
  return record == std::string::npos ? "" : dump.substr(dump.find("matrix", record), dump.find('\n', record) -
                                                                                   dump.find("matrix", record));
}

// Hovering over a clip, a hole, a rod end and a rod body of the tower with
// a rod and then a connector for ghost previews the line and the matrix a
// click then inserts (the matrix the saved script's --dump gives that line);
// a clip under a connector's clip is refused: the ghost turns red, the
// reason is said, the click inserts nothing. The ghost is drawn only while
// the pointer is over the view.
TEST_F(DesktopProgram, HoverPreviewsTheLineAndMatrixAClickInsertsAndARefusedPairIsShownAndSaid) {
  const std::string model = file("tour.vxo", readFile(VEXOCAD_SOURCE_DIR "/examples/tower.vxo"));
  ::setenv("VEXOCAD_INSERTION_LOG", (dir + "/insertion.log").c_str(), 1);
  start(model);
  ::unsetenv("VEXOCAD_INSERTION_LOG");
  const Camera camera = openingCamera(model);
  auto insertionLog = [&] { return readFile(dir + "/insertion.log"); };
  auto reddish = [&] {
    long n = 0;
    for (unsigned long p : viewPixels()) n += ((p >> 16) & 255) > 180 && ((p >> 8) & 255) < 90 && (p & 255) < 90;
    return n;
  };
  xdotool(at(700, 500) + "click 3");  // the view takes the keyboard
  xdotool(at(200, 300));              // and the pointer leaves it
  const long redWithoutGhost = reddish();
  const struct { int ghost; PortKind port, target; } joins[] = {
      {13, PORT_BOUT, PORT_PINCE}, {13, PORT_BOUT, PORT_TROU}, {8, PORT_PINCE, PORT_BOUT}, {8, PORT_PINCE, PORT_BARRE}};
  for (const auto& join : joins) {
    if (&join == &joins[2]) xdotool(at(700, 300) + "keydown ctrl click 5 click 5 click 5 click 5 click 5 keyup ctrl");
    const Target target = findTarget(model, camera, join.ghost, join.port, join.target, InsertionOutcome::Joins);
    ASSERT_GE(target.x, 0) << "no port of kind " << int(join.target) << " to join";
    SCOPED_TRACE(target.line);
    xdotool(at(400 + target.x, target.y));
    ASSERT_TRUE(waitFor([&] { return insertionLog().find("aperçu " + target.line + " matrix") != std::string::npos; }))
        << "at " << target.x << " " << target.y << ": " << insertionLog();
    const std::string log = insertionLog();
    const size_t preview = log.rfind("aperçu " + target.line + " matrix");
    const std::string matrix = log.substr(log.find("matrix", preview), log.find('\n', preview) - log.find("matrix", preview));
    const std::string before = readFile(model);
    xdotool("click 1 key ctrl+s");
    ASSERT_TRUE(waitFor([&] { return readFile(model) != before; }, 3s));
    EXPECT_EQ(readFile(model).substr(before.size()), "\n" + target.line);
    EXPECT_EQ(lastDumpedMatrix(model), matrix);
  }
  const Target clip = findTarget(model, camera, 8, PORT_PINCE, PORT_PINCE, InsertionOutcome::RefusedPair);
  ASSERT_GE(clip.x, 0);
  xdotool(at(400 + clip.x, clip.y));
  ASSERT_TRUE(waitFor([&] {
    return insertionLog().find("aperçu refusé : une pince ne se joint pas à une pince") != std::string::npos;
  })) << insertionLog();
  EXPECT_TRUE(waitFor([&] { return reddish() > redWithoutGhost + 200; })) << reddish() << " " << redWithoutGhost;
  const std::string before = readFile(model);
  xdotool("click 1 key ctrl+s");
  EXPECT_TRUE(waitFor([&] { return insertionLog().find("rien n'est inséré : une pince ne se joint pas à une pince") !=
                                   std::string::npos; }));
  xdotool(at(200, 300));  // out of the view: the ghost goes
  EXPECT_TRUE(waitFor([&] { return reddish() == redWithoutGhost; })) << reddish() << " " << redWithoutGhost;
  EXPECT_EQ(readFile(model), before);
  EXPECT_EQ(log(), "");
}

// Drags over a clip, however quick and however slow the frames, turn the
// view and insert nothing; so does a release after the wheel re-placed the
// piece just inserted.
TEST_F(DesktopProgram, ADragOrAWheelTurnWithTheButtonHeldNeverInserts) {
  const std::string slow = "#8 rot 90 0 0\n#8 %p1 @ c1 c1 id=$a\nrepete 2000\n#12 %$a @ h2 c1\nfinrepete\n";
  for (const std::string& text : {std::string("#8 rot 90 0 0\n"), slow}) {
    start(file("model.vxo", text));
    startUpView();
    const std::string overClip = at(602, 300);  // clip 3 of the first connector
    xdotool(overClip);
    const std::vector<unsigned long> before = viewPixels();
    xdotool(overClip + "mousedown 1 mousemove_relative 30 0 mousemove_relative 30 0 mouseup 1");
    xdotool(overClip);
    EXPECT_TRUE(waitFor([&] { return viewPixels() != before; })) << "the flick turned the view";
    xdotool("key Escape");
    EXPECT_EQ(exitStatus(), 0) << "nothing inserted: no question";
    EXPECT_EQ(log(), "");
  }
  const std::string model = file("model.vxo", "#8 rot 90 0 0");
  start(model);
  startUpView();
  xdotool(at(602, 300) + "click 1 mousedown 1 click 4 mouseup 1");
  xdotool("key alt+f s");  // "&Sauver"
  EXPECT_TRUE(waitFor([&] { return readFile(model) != "#8 rot 90 0 0"; }));
  const std::string saved = readFile(model);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 1) << saved;
  EXPECT_EQ(saved.rfind("#8 rot 90 0 0\n#13 %p1 @ h", 0), 0u) << saved;
}

// The connector of the test above, made by a function body (line 2), and a
// rod through its centre towards the eye, made in a repeat block (line 6):
// F11 names those lines; a click on the message of line 8, a click on the
// rod with insertion off and a Ctrl+click on the connector with it on each
// take the caret to the line, where a typed letter lands.
TEST_F(DesktopProgram, MessagesAndPiecesTakeTheCaretToTheirLines) {
  const std::string model = file("lignes.vxo", "fonction roue\n#8 rot 90 0 0\nfinfonction\nappel roue\nrepete 1\n"
                                               "#13 %p1 @ h3 c1\nfinrepete\n%zz");
  start(model, true);
  ASSERT_TRUE(dismissStartUpBox());
  startUpView();
  const std::string rod = at(700, 300), wheel = at(700, 230);  // the centre; above it
  rightClickInView();
  for (const auto& [piece, report] : {std::pair{rod, "1 Ligne du script: 6"}, {wheel, "0 Ligne du script: 2"}}) {
    xdotool(piece);  // FLTK passes a move on after the keys that came with it
    xdotool("key F11");
    EXPECT_TRUE(logged(std::string("Numéro du vexo: ") + report)) << log();
    xdotool("key Return");
  }
  xdotool(at(100, 497) + "click 1 type A");  // the first item of the messages list
  rightClickInView();
  xdotool("key F4");
  xdotool(rod + "click 1 type B");
  rightClickInView();
  xdotool("key F4");
  xdotool(wheel + "keydown ctrl click 1 keyup ctrl type C");
  xdotool("key ctrl+s");
  EXPECT_TRUE(waitFor([&] { return readFile(model).find("C#8") != std::string::npos; }, 3s));
  EXPECT_EQ(readFile(model), "fonction roue\nC#8 rot 90 0 0\nfinfonction\nappel roue\nrepete 1\n"
                             "B#13 %p1 @ h3 c1\nfinrepete\nA%zz");
}

// "Vérifier le modèle" by its shortcut, pressed in the editor, on a square
// crossed by a rod too long for its diagonal: no box; a click on the
// finding in the messages list draws the rod and the connector it passes
// through in the highlight colour (cyan), and a click elsewhere in the
// editor, on a line with no piece, takes it away.
TEST_F(DesktopProgram, VerifyingByItsShortcutAndClickingTheFindingHighlightsBothPieces) {
  start(file("carre.vxo", "// carré et diagonale\n#8 id=a\n#12 %a @ h1 c1\n#8 %p1 @ c2 h1 id=b\n#12 %b @ h3 c1\n"
                          "#8 %p1 @ c2 h1 id=c\n#12 %c @ h3 c1\n#8 %p1 @ c2 h1 id=d\n#12 %d @ h3 c1\n"
                          "#15 %a @ h8 c1\n"));
  auto cyan = [&] {
    int n = 0;
    for (unsigned long p : viewPixels()) {
      const unsigned long r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      n += r < 60 && g > 100 && b > 100;
    }
    return n;
  };
  EXPECT_EQ(cyan(), 0);
  typeInEditor("");  // the caret on the empty last line
  const std::vector<unsigned long> emptyList = firstMessagePixels();
  xdotool("key ctrl+shift+v");
  ASSERT_TRUE(waitFor([&] { return firstMessagePixels() != emptyList; })) << "the finding is listed";
  xdotool(at(100, 497) + "click 1");  // the finding, first in the list
  EXPECT_TRUE(waitFor([&] { return cyan() > 200; })) << cyan();
  typeInEditor("");
  EXPECT_TRUE(waitFor([&] { return cyan() == 0; })) << cyan();
  EXPECT_EQ(log(), "") << "no box";
  rightClickInView();
  xdotool("key Escape");
  EXPECT_EQ(exitStatus(), 0);
}

// Opening fits the whole model in the view (without axes and ghost: nothing
// at the border), the wheel zooms with insertion off, the idle program
// sleeps, and a held arrow key (with no repeated key events) keeps turning.
TEST_F(DesktopProgram, OpenedModelFitsTheViewTheIdleProgramSleepsAHeldKeyTurns) {
  start(VEXOCAD_SOURCE_DIR "/examples/wheel.vxo");
  rightClickInView();
  auto modelAtBorder = [&](std::vector<unsigned long> p) {
    const size_t n = 200;
    const unsigned long background = p[2 * n + 2];  // 6 pixels in: inside the keyboard frame
    auto model = [&](unsigned long v) { return v != background && v != keyboardFrame; };
    const size_t drawn = std::count_if(p.begin(), p.end(), model);
    // The samples within 6 pixels of the edges, where the keyboard frame
    // covers the outermost two.
    for (size_t i = 0; i < n * n; ++i)
      if ((i % n < 3 || i % n >= n - 3 || i / n < 3 || i / n >= n - 3) && model(p[i])) return drawn > 500 ? 1 : -1;
    return drawn > 500 ? 0 : -1;  // -1: hardly anything drawn
  };
  EXPECT_TRUE(waitFor([&] { return modelAtBorder(viewPixels()) == 1; })) << "the axes reach the border";
  xdotool("key F4 F5");  // insertion and axes off: no ghost, no axes, drawn without any other event
  EXPECT_TRUE(waitFor([&] { return modelAtBorder(viewPixels()) == 0; }))
      << "the whole wheel, not touching the border";
  auto ticks = [&] {  // user and system time, fields 14 and 15 of /proc/PID/stat
    const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string skipped;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 13; ++i) fields >> skipped;
    fields >> utime >> stime;
    return utime + stime;
  };
  const long long before = ticks();
  std::this_thread::sleep_for(5s);
  const double percent = 100.0 * double(ticks() - before) / double(::sysconf(_SC_CLK_TCK)) / 5.0;
  RecordProperty("idle_cpu_percent", std::to_string(percent));
  std::printf("idle: %.1f%% of a core over 5 s\n", percent);
  EXPECT_LT(percent, 10.0);
  xdotool("click 4 click 4 click 4 click 4");  // nearer
  EXPECT_TRUE(waitFor([&] { return modelAtBorder(viewPixels()) == 1; })) << "zoomed past the border";
  XAutoRepeatOff(display);
  xdotool("keydown Left");
  const std::vector<unsigned long> held = viewPixels();
  EXPECT_TRUE(waitFor([&] { return viewPixels() != held; })) << "frames go on while the key is held";
  xdotool("keyup Left");
  XAutoRepeatOn(display);
}

// Home fits the whole of a long straight line of rods in the view's shape,
// however narrow or wide the divider made it: background along every side.
TEST_F(DesktopProgram, HomeFitsALongLineInTheViewMadeNarrowThenWideByTheDivider) {
  std::string line = "#8\n";
  for (int i = 0; i < 100; ++i) line += "#12 %p1 @ h5 c1\n#8 %p1 @ c2 h1\n";
  start(file("ligne.vxo", line));
  rightClickInView();
  xdotool("key F4 F5");  // no ghost, no axes: only the model is drawn
  const int right = countViewPixels(0).width + 400;  // the view's right edge, in the window
  for (const int divider : {right - 250, 100}) {  // the editor keeps a width of its own
    const int from = right - countViewPixels(0).width - 2;
    xdotool(at(from, 300) + "mousedown 1 " + at(divider, 300) + "mouseup 1");
    ASSERT_TRUE(waitFor([&] { return std::abs(countViewPixels(0).width - (right - divider)) < 30; }))
        << "the divider moved to " << divider << ": the view is " << countViewPixels(0).width << " wide";
    xdotool(at(right - 20, 300) + "click 3 key Home");
    EXPECT_TRUE(waitFor([&] {
      const ViewCount view = countViewPixels(4);
      return view.atBorder == 0 && view.drawn > 50;
    })) << "the divider at " << divider << ": " << countViewPixels(4).atBorder << " of " << countViewPixels(4).drawn
        << " model pixels within 4 pixels of the " << countViewPixels(4).width << " x "
        << countViewPixels(4).height << " view's edges";
  }
}

// Typed lines are undo steps of their own: Ctrl+Z takes them back one by
// one, Ctrl+Y and Ctrl+Shift+Z put them back, Ctrl+S saves, all in the
// editor. The divider dragged away and back leaves the view as it was: the
// drag never reached the view to turn it.
TEST_F(DesktopProgram, CtrlZUndoesTypedLinesOneByOneAndTheDividerDragDoesNotTurnTheView) {
  const std::string model = file("model.vxo", "#0");
  start(model);
  xdotool(at(200, 300) + "click 1 key ctrl+End");
  for (const char* line : {"#1", "#2", "#3"}) xdotool(std::string("key Return type '") + line + "'");
  const struct { const char* keys; const char* text; } steps[] = {
      {"", "#0\n#1\n#2\n#3"}, {"ctrl+z", "#0\n#1\n#2"}, {"ctrl+z ctrl+z", "#0"},
      {"ctrl+y ctrl+shift+z", "#0\n#1\n#2"}};
  for (const auto& step : steps) {
    xdotool(std::string("key ") + step.keys + " ctrl+s");
    EXPECT_TRUE(waitFor([&] { return readFile(model) == step.text; }, 3s)) << step.keys << ": " << readFile(model);
  }
  const std::vector<unsigned long> before = viewPixels();
  xdotool(at(398, 300) + "mousedown 1 " + at(500, 300) + "mouseup 1");
  EXPECT_TRUE(waitFor([&] { return viewPixels() != before; })) << "the view is narrower";
  xdotool(at(500, 300) + "mousedown 1 " + at(398, 300) + "mouseup 1");
  EXPECT_TRUE(waitFor([&] { return viewPixels() == before; })) << "and was not turned";
}

// Each box at start-up names the file and why; the program runs on.
TEST_F(DesktopProgram, BadFilesOnTheCommandLineAreReportedAndTheProgramRuns) {
  fs::create_directory(dir + "/folder.vxo");
  const struct { std::string path, expected /* in the log after the caption */; } cases[] = {
      {dir + "/missing.vxo", dir + "/missing.vxo"},
      {dir + "/folder.vxo", "ne désigne pas un fichier ordinaire"},
      {file("photo.vxo", std::string("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11)), "pas un fichier texte"},
  };
  for (const auto& c : cases) {
    start(c.path, true);
    EXPECT_TRUE(logged("Erreur d'ouverture du fichier suivant:")) << c.path;
    EXPECT_NE(log().find(c.expected), std::string::npos) << log();
    EXPECT_TRUE(dismissStartUpBox()) << "keeps running after " << c.path;
    endWithEscape();
  }
}

}  // namespace

// "Exporter le code" from the keyboard: the view's image at the size typed,
// beside the document.
TEST_F(DesktopProgram, ExportDialogWritesTheViewImageAtTheTypedSize) {
  start(file("modele.vxo", "#8\n"));
  rightClickInView();
  xdotool("key alt+r x");
  ASSERT_TRUE(waitFor([&] { return !output("xdotool search --name '^Exporter le mod' 2>/dev/null").empty(); }));
  xdotool("key alt+l ctrl+a");
  xdotool("type 320");
  xdotool("key alt+h ctrl+a");
  xdotool("type 200");
  xdotool("key Return");
  ASSERT_TRUE(logged("Image de 320 x 200 pixels écrite : " + dir + "/modele.png"));
  EXPECT_EQ(readFile(dir + "/modele.png").substr(16, 8), std::string("\0\0\x01\x40\0\0\0\xc8", 8));
  xdotool("key Return");
  endWithEscape();
}

namespace {
std::vector<std::string> filesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;  // none for a missing folder
  for (const auto& entry : fs::directory_iterator(folder, error)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

int visibleNamedWindows() {
  return std::stoi(output("xdotool search --onlyvisible --name . 2>/dev/null | wc -l"));
}
}  // namespace

// While a booklet is written, its pictures drawn in a context of its own,
// the view is drawn again behind the progress window: the export form that
// closed over it leaves nothing of itself there.
TEST_F(DesktopProgram, TheViewIsDrawnAgainBehindTheProgressOfABooklet) {
  std::string row = "#8\n\n";  // 250 steps of a rod and a connector, 200 pages
  for (int i = 0; i < 250; ++i) row += "#12 %p1 @ h5 c1\n#8 %p1 @ c2 h1\n\n";
  start(file("model.vxo", row));
  rightClickInView();
  const std::vector<unsigned long> before = viewPixels();
  xdotool("key alt+r x");
  ASSERT_TRUE(boxHasTheKeys("Exporter le modèle"));
  xdotool("key space");
  ASSERT_TRUE(waitFor([] { return menuShown(); }));
  xdotool("key Down Down Down Down Return");  // "Livret de montage"
  ASSERT_TRUE(waitFor([] { return !menuShown(); }));
  xdotool("key Return");
  ASSERT_TRUE(boxHasTheKeys("Export")) << "the progress window";
  // What may differ: the progress window (340 x 120) and the keyboard frame
  // it took from the view, in every third pixel of every third row.
  const size_t allowed = (340 / 3 + 1) * (120 / 3 + 1) + 1500;
  size_t differing = before.size();
  EXPECT_TRUE(waitFor([&] {
    const std::vector<unsigned long> now = viewPixels();
    differing = 0;
    for (size_t i = 0; i < now.size() && i < before.size(); ++i) differing += now[i] != before[i];
    return differing < allowed && output("xdotool getwindowfocus getwindowname 2>/dev/null") == "Export";
  })) << differing << " pixels differ";
  ASSERT_TRUE(boxHasTheKeys("Export terminé"));
  EXPECT_TRUE(fs::exists(dir + "/model-livret/index.html"));
  xdotool("key Return");
  endWithEscape();
}

// SIGTERM, SIGHUP and SIGINT (Ctrl+C) keep the typed text in the recovery
// copy and end the program, whatever box is open, and after a mesh export
// too; a stopped booklet leaves nothing. After each step's keys, the box named has the keys ("" for a new
// window of any name: the file dialog).
TEST_F(DesktopProgram, ATerminationSignalKeepsTheTextAndEndsTheProgramWhateverBoxIsOpen) {
  std::string steps;
  for (int i = 0; i < 300; ++i) steps += "#8 rot " + std::to_string(i) + " 0 0\n\n";
  using Steps = std::vector<std::pair<const char*, const char*>>;  // {keys, box}
  const Steps booklet = {{"key alt+r x", "Exporter le modèle"}, {"key space", nullptr},
                         {"key Down Down Down Down Return", "Exporter le modèle"}};
  const Steps mesh = {{"key alt+r x", "Exporter le modèle"}, {"key space", nullptr},
                      {"key Down Down Down Down Down Return", "Exporter le modèle"}, {"key Return", "Export terminé"}};
  const struct {
    std::string model, typed;
    Steps steps;
    int signal;
  } cases[] = {
      {"#8\n", "#5 %0", {}, SIGINT},
      {"#8\n", "#5 %0", {{"key F6", "Statistiques"}}, SIGTERM},
      {"#8\n", "#5 %0", {{"key Escape", "VexoCad"}}, SIGHUP},
      {"#8\n", "#5 %0", {{"key ctrl+shift+s", ""}}, SIGINT},
      {"#8\n", "#5 %0", {{"key alt+r x", "Exporter le modèle"}}, SIGTERM},
      {"#8\n", "repete 2000000000\nint $a=1\nfinrepete", {{"key F12", "Compilation"}}, SIGTERM},
      {steps, "// fin", booklet, SIGHUP},  // then the progress window
      {"#8\n", "// fin", booklet, SIGTERM},  // then the message that says it is written
      {"#8\n", "// fin", mesh, SIGTERM},  // the mesh export's own handlers gave the signals back
  };
  for (auto c : cases) {
    if (c.steps == booklet) c.steps.push_back({"key Return", c.model == steps ? "Export" : "Export terminé"});
    const std::string box = c.steps.empty() ? "no box" : c.steps.back().first;
    const std::string model = file("model.vxo", c.model);
    fs::remove_all(dir + "/state");
    fs::remove_all(dir + "/model-livret");
    start(model);
    std::istringstream lines(c.typed);
    std::string line;
    for (bool first = true; std::getline(lines, line); first = false)  // xdotool types no line break
      first ? typeInEditor(line) : (xdotool("key Return"), xdotool("type '" + line + "'"));
    rightClickInView();
    for (const auto& [keys, shown] : c.steps) {
      const int windows = visibleNamedWindows();
      xdotool(keys);
      // Space opens the kind's list; the next keys close it, and a key sent
      // while it goes would be lost in it.
      const bool listOpen = std::string(keys) == "key space";
      ASSERT_TRUE(waitFor([&] { return menuShown() == listOpen; })) << keys;
      if (shown) { ASSERT_TRUE(*shown ? boxHasTheKeys(shown) : waitFor([&] { return visibleNamedWindows() > windows; })) << keys << " -> " << shown; }
    }
    ::kill(pid, c.signal);
    EXPECT_EQ(exitStatus(), 128 + c.signal) << box;
    const std::vector<std::string> copies = filesIn(dir + "/state/vexocad");
    ASSERT_EQ(copies.size(), 1u) << box;
    EXPECT_EQ(readFile(dir + "/state/vexocad/" + copies[0]), c.model + c.typed) << box;
    if (c.model == steps) {
      EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"config", "messages.log", "model.vxo", "state", "stderr.txt"}));
    }
  }
}

// Copies left by ended instances: one with a NUL byte is refused with a
// message and kept; one of an earlier version whose PID now belongs to
// another program (1) is offered and restored, then goes, the restored text
// being in this instance's own copy.
TEST_F(DesktopProgram, ACopyWithANulByteIsKeptAndAnEarlierVersionsCopyOfALivePidIsRestored) {
  const std::string state = dir + "/state/vexocad";
  fs::create_directories(state);
  fs::permissions(dir + "/state", fs::perms::owner_all), fs::permissions(state, fs::perms::owner_all);
  writeFile(state + "/recovery-1.vxo", "#8\n// rétabli");
  fs::last_write_time(state + "/recovery-1.vxo", fs::file_time_type::clock::now() - 1h);  // offered second
  const std::string damaged = state + "/recovery-99999-0123456789abcdef.vxo";
  writeFile(damaged, std::string("#8\0// perdu", 11));
  start("", true);
  ASSERT_TRUE(logged("Texte non enregistré retrouvé: Une copie de secours ne peut pas être rétablie ; elle reste où "
                     "elle est : " + damaged + " Elle contient un octet nul"));
  ASSERT_TRUE(boxHasTheKeys("Texte non enregistré retrouvé"));
  xdotool("key Return");
  ASSERT_TRUE(logged("Texte non enregistré retrouvé: VexoCad s'est arrêté sans enregistrer"));
  ASSERT_TRUE(dismissStartUpBox());  // "Rétablir"
  std::vector<std::string> copies = filesIn(state);
  ASSERT_EQ(copies.size(), 2u);
  const auto kept = std::find(copies.begin(), copies.end(), fs::path(damaged).filename());
  ASSERT_NE(kept, copies.end());
  EXPECT_EQ(readFile(damaged), std::string("#8\0// perdu", 11));
  copies.erase(kept);
  EXPECT_EQ(readFile(state + "/" + copies[0]), "#8\n// rétabli") << "this instance's copy";
}

// No recovery folder possible: one message, at start, before any typing,
// and no other when a copy then fails again (at the signal).
TEST_F(DesktopProgram, NoRecoveryFolderPossibleIsSaidOnce) {
  stateHome = "/proc/x";
  start(file("model.vxo", "#8\n"), true);
  ASSERT_TRUE(logged("Copies de secours: Le texte non enregistré ne peut pas être copié en lieu sûr dans le dossier "
                     "suivant : /proc/x/vexocad Il ne peut pas être créé"));
  ASSERT_TRUE(dismissStartUpBox());
  typeInEditor("#5 %0");
  ::kill(pid, SIGTERM);
  EXPECT_EQ(exitStatus(), 128 + SIGTERM);
  const std::string messages = log();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
}

// Root run with another user's state folder (as sudo -E leaves HOME): the
// folder is not root's, so no copy is written there, and the link that user
// planted where the copy of this process went before is not followed.
TEST_F(DesktopProgram, RootWritesNoCopyIntoAnotherUsersFolder) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to give the folder to another user";
  const std::string secret = file("secret", "root only\n"), folder = dir + "/other/vexocad";
  fs::create_directories(folder);
  ASSERT_EQ(::chown((dir + "/other").c_str(), 65534, 65534), 0);
  ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
  stateHome = dir + "/other";
  start(file("model.vxo", "#8\n"), true);
  fs::create_symlink(secret, folder + "/recovery-" + std::to_string(pid) + ".vxo");
  ASSERT_TRUE(logged("Copies de secours: Le texte non enregistré ne peut pas être copié en lieu sûr dans le dossier "
                     "suivant : " + folder + " Il appartient à un autre utilisateur"));
  ASSERT_TRUE(dismissStartUpBox());
  typeInEditor("#5 %0");
  ::kill(pid, SIGTERM);
  EXPECT_EQ(exitStatus(), 128 + SIGTERM);
  EXPECT_EQ(readFile(secret), "root only\n");
  EXPECT_EQ(filesIn(folder).size(), 1u) << "the link alone";
}

// The check items of Affichage and RenduGL follow the keys, and the keys
// the items: Salle, Faces pleines, Éclairage, Axes; Insertion, Références
// relatives, Repère.
TEST_F(DesktopProgram, TheSwitchesCheckItemsFollowTheKeysAndTheKeysTheItems) {
  start(file("model.vxo", "#8\n"));
  rightClickInView();
  EXPECT_EQ(marksOf("alt+a", 6, 2, "0111"), "0111") << "Affichage: no room; faces, lighting, axes";
  xdotool("key F1 F3 F5");
  EXPECT_EQ(marksOf("alt+a", 6, 2, "1100"), "1100") << "room on, lighting and axes off";
  xdotool("key alt+a s");  // "&Salle" from the menu, as F1
  xdotool("key alt+a a");  // "&Axes"
  EXPECT_EQ(marksOf("alt+a", 6, 2, "0101"), "0101");
  EXPECT_EQ(marksOf("alt+r", 7, 3, "110"), "110") << "RenduGL: insertion and relative references on, no marker";
  xdotool("key F4 F8");
  EXPECT_EQ(marksOf("alt+r", 7, 3, "011"), "011");
  endWithEscape();
}

// Ctrl+G 12 takes the caret to line 12; Ctrl+H replaces every match, and
// one Ctrl+Z takes them all back.
TEST_F(DesktopProgram, GoToLineAndReplaceEverywhereWithOneUndo) {
  std::string text;
  for (int i = 1; i <= 15; ++i) text += "#12 // " + std::to_string(i) + "\n";
  const std::string model = file("model.vxo", text);
  start(model);
  typeInEditor("");
  xdotool("key ctrl+g");
  ASSERT_TRUE(boxHasTheKeys("Aller à la ligne"));
  xdotool("type 12");
  xdotool("key Return type X");
  xdotool("key ctrl+s");
  std::string expected = text;
  expected.insert(expected.find("#12 // 12"), "X");
  EXPECT_TRUE(waitFor([&] { return readFile(model) == expected; }, 3s)) << readFile(model);
  xdotool("key ctrl+h");
  ASSERT_TRUE(boxHasTheKeys("Rechercher et remplacer"));
  xdotool("type '#12'");
  xdotool("key Tab type '#13'");
  xdotool("key Return ctrl+s");
  std::string replaced = expected;
  for (size_t at = replaced.find("#12"); at != std::string::npos; at = replaced.find("#12", at)) replaced[at + 2] = '3';
  EXPECT_TRUE(waitFor([&] { return readFile(model) == replaced; }, 3s)) << readFile(model);
  xdotool("key ctrl+z ctrl+s");
  EXPECT_TRUE(waitFor([&] { return readFile(model) == expected; }, 3s)) << readFile(model);
  EXPECT_EQ(log(), "");
}

// A recent file is reopened from Fichier > Fichiers récents; a missing one
// leaves the list with a message; the divider and the choice of message
// boxes are kept across a restart; a damaged preferences file gives the
// defaults with one message and is left as it was until something changes.
TEST_F(DesktopProgram, RecentFilesAndPreferencesLastAcrossRestarts) {
  fs::create_directories(dir + "/config/vexocad");
  const std::string gone = dir + "/parti.vxo", model = file("modele.vxo", "#8\nrepete\n");
  writeFile(dir + "/config/vexocad/preferences.conf", "recent=" + gone + "\n");
  start(model, true);  // a compile message, in a box
  ASSERT_TRUE(logged("Erreur de syntaxe"));
  ASSERT_TRUE(dismissStartUpBox());
  EXPECT_TRUE(waitFor([&] { return preferences().find("recent=" + model + "\nrecent=" + gone) != std::string::npos; }))
      << preferences();
  rightClickInView();
  xdotool("key ctrl+n");
  EXPECT_TRUE(waitFor([&] { return caption() == "VexoCad - sans titre"; }));
  xdotool("key alt+f r 2");
  ASSERT_TRUE(logged("Fichiers récents: Ce fichier n'existe plus : " + gone + " Il est retiré des fichiers récents."));
  xdotool("key Return");
  xdotool("key alt+f r 1");
  ASSERT_TRUE(logged("Erreur de syntaxe"));  // the file, compiled again: its message
  xdotool("key Return");
  EXPECT_TRUE(waitFor([&] { return caption() == "VexoCad - " + model; })) << caption();
  EXPECT_EQ(preferences().find(gone), std::string::npos);

  // The divider to 300, compiler messages in the list only.
  const int view = countViewPixels(0).width;
  xdotool(at(398, 300) + "mousedown 1 " + at(300, 300) + "mouseup 1");
  ASSERT_TRUE(waitFor([&] { return std::abs(countViewPixels(0).width - view - 98) < 6; }));
  const int dragged = countViewPixels(0).width;
  rightClickInView();
  xdotool("key alt+e f");
  ASSERT_TRUE(boxHasTheKeys("Préférences"));
  xdotool("key space Down Return");  // the choice's second entry
  xdotool("key Return");
  EXPECT_TRUE(waitFor([&] { return preferences().find("messages=liste") != std::string::npos; })) << preferences();
  endWithEscape();
  fs::remove(messageLog);
  start(model);  // no box: the message is in the list
  EXPECT_EQ(countViewPixels(0).width, dragged);
  rightClickInView();
  xdotool("key F12 F6");  // no box of the compile stands before the count's
  EXPECT_TRUE(boxHasTheKeys("Statistiques"));
  xdotool("key Return");
  EXPECT_EQ(log(), "Erreur de syntaxe: Ligne 2: syntaxe repete [nombrederépétitions]\n"
                   "Erreur de syntaxe: Ligne 2: syntaxe repete [nombrederépétitions]\n"
                   "Statistiques: Nombre de pièces: 1\n");
  endWithEscape();

  writeFile(dir + "/config/vexocad/preferences.conf", "separateurs=oui\n");
  start(model, true);
  ASSERT_TRUE(logged("Préférences: Les préférences ne peuvent pas être lues dans le fichier suivant : " + dir +
                     "/config/vexocad/preferences.conf Son contenu n'est pas celui que le programme écrit. Les "
                     "réglages par défaut sont pris."));
  ASSERT_TRUE(dismissStartUpBox());  // and the compile's box: the default
  EXPECT_EQ(countViewPixels(0).width, view);
  const std::string messages = log();
  EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 2) << messages;
  EXPECT_NE(messages.find("Erreur de syntaxe"), std::string::npos) << messages;
}

// A cancelled save dialog says nothing; under a window manager the save
// dialog that "Enregistrer" opens from the question box has the keys.
TEST_F(DesktopProgram, ACancelledSaveSaysNothingAndTheSaveDialogHasTheKeysUnderAWindowManager) {
  for (const bool manager : {false, true}) {
    if (manager && !startWindowManager()) GTEST_SKIP() << "openbox is not installed";
    fs::remove_all(dir + "/state");  // the killed run's copy would be offered
    start("");
    typeInEditor("#8");
    xdotool("key ctrl+n");
    ASSERT_TRUE(boxHasTheKeys("VexoCad"));
    xdotool("key Return");  // "Enregistrer": the save dialog
    const std::string dialog = "xdotool search --onlyvisible --name '^Enregistrer le script$' 2>/dev/null";
    EXPECT_TRUE(waitFor([&] { return manager ? activeWindowName() == "Enregistrer le script" : !output(dialog).empty(); }))
        << (manager ? "under openbox, active: " + activeWindowName() : "without a window manager");
    // Without a window manager nobody gives GTK's dialog the keys: the user clicks in it.
    if (!manager) xdotool("search --onlyvisible --name '^Enregistrer le script$' windowfocus");
    xdotool("key Escape");
    EXPECT_TRUE(waitFor([&] { return output(dialog).empty(); }));
    rightClickInView();
    xdotool("key F6");  // a box after the dialog: none came before it
    ASSERT_TRUE(boxHasTheKeys("Statistiques"));
    EXPECT_EQ(log(), "VexoCad: Le texte du script a été modifié depuis la dernière sauvegarde. Voulez-vous "
                     "l'enregistrer avant de continuer ?\nStatistiques: Nombre de pièces: 0\n");
    stop();
  }
}

// Started without a file, the view says how to begin; the hint goes with
// the first piece.
TEST_F(DesktopProgram, AnEmptyStartShowsAHintUntilThereIsAModel) {
  start("");
  auto hintPixels = [&] {  // the hint's warm white, in the view's top left corner
    long n = 0;
    XImage* image = XGetImage(display, Window(std::stoul(windowId())), 400, 25, 400, 200, AllPlanes, ZPixmap);
    for (int y = 0; image && y < 200; ++y)
      for (int x = 0; x < 400; ++x) {
        const unsigned long p = XGetPixel(image, x, y);
        const long r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        n += r > 150 && g > 150 && r - b > 25;
      }
    if (image) XDestroyImage(image);
    return n;
  };
  EXPECT_TRUE(waitFor([&] { return hintPixels() > 300; })) << hintPixels();
  typeInEditor("#8");
  xdotool("key F12");
  EXPECT_TRUE(waitFor([&] { return hintPixels() == 0; })) << hintPixels();
}
