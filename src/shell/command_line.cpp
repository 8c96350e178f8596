#include "shell/command_line.h"

int runCommandLine(int, char**) { return 0; }
