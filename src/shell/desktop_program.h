// The desktop program: start-up of the windows and the GL view, the opening
// of the document named on the command line, and the main loop.
#pragma once

#include <string>

// arguments: the command line's non-option arguments joined by single
// spaces ("" for none). A text starting with a double quote loses that quote
// and, if it ends with one, the last quote too; the rest, spaces included, is
// the document's path. Returns -1 when the main window cannot be made, 0 when
// the 3-D view cannot be made, else the exit code of the quit message (0).
int runDesktopProgram(const char* arguments);

// The document path that start-up takes from those arguments.
std::string documentPathFromArguments(const char* arguments);
