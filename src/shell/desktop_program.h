// The desktop program: start-up of the windows and the GL view, the opening
// of the document named on the command line, and the main loop.
#pragma once

#include <chrono>
#include <string>

// arguments: the command line's non-option arguments joined by single
// spaces ("" for none). A text starting with a double quote loses that quote
// and, if it ends with one, the last quote too; the rest, spaces included, is
// the document's path. Returns -1 when the main window cannot be made, 0 when
// the 3-D view cannot be made, else the exit code of the quit message (0).
int runDesktopProgram(const char* arguments);

// The document path that start-up takes from those arguments.
std::string documentPathFromArguments(const char* arguments);

// What one pass of the main loop did once the pending messages were handled.
struct FrameResult {
  bool ended = false;  // the program ends, with exitCode
  int exitCode = 0;
  bool drawn = false;  // a frame was drawn and shown
  // When none was: the seconds until the still picture of a view that moved
  // is due (runFrame draws it then by itself), negative when none is.
  double stillDueIn = -1.0;
};
// The clock runFrame reads, for the arrows' turn and the view's motion:
// steady_clock's own unless a test gives one that steps as it pleases
// (nullptr gives the real one back). The view counts as at rest from then.
using FrameClock = std::chrono::steady_clock::time_point (*)();
void setFrameClock(FrameClock clock);

// That pass: on a termination signal, the recovery copy is written and the
// program ends; else the copy is kept up to date and, while the view is
// active and a frame was asked for (requestRedraw: any message, held keys),
// Escape may end the program, or the arrow keys turn the camera, the key
// switches and the script's key bindings run, one frame is drawn and shown
// (the quick way while the view moves, see ModelDrawing::moving), and the
// frame's keys end.
FrameResult runFrame();
