// The command-line modes that run without a window (--check, --dump, ...)
// and the dispatch to the desktop program.
#pragma once

int runCommandLine(int argc, char** argv);
