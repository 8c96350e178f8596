// Running the vexocad program in tests and collecting what it printed.
#pragma once

#include <string>

struct ProcessResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;
  std::string err;
};

// Runs the built vexocad with the given arguments (each quoted for the shell).
ProcessResult runVexocad(const std::string& arguments, const std::string& environment = "");
std::string quoteForShell(const std::string& text);
// A new empty directory for one test's files.
std::string makeTempDir();
void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
