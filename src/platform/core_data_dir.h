// Where the program's data files are: the directory of the running
// executable, or the installed share/vexocad beside its bin directory.
#pragma once

#include <string>

// Program directory with its final separator; data paths begin with it.
extern std::string dataDir;

// Sets dataDir (ending with '/'). argv0 is the fallback when /proc/self/exe
// cannot be read.
void findDataDir(const char* argv0);
