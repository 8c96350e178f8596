#include "support/process.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string quoteForShell(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string makeTempDir() {
  char pattern[] = "/tmp/vexocad_test_XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir ? dir : "/tmp";
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream f(path, std::ios::binary);
  f << bytes;
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

ProcessResult runVexocad(const std::string& arguments, const std::string& environment) {
  const std::string dir = makeTempDir();
  const std::string outPath = dir + "/out", errPath = dir + "/err";
  const std::string command = environment + " " + quoteForShell(VEXOCAD_BINARY_DIR "/vexocad") + " " +
                              arguments + " >" + outPath + " 2>" + errPath + " </dev/null";
  ProcessResult result;
  const int raw = std::system(command.c_str());
  if (raw != -1 && WIFEXITED(raw)) result.status = WEXITSTATUS(raw);
  result.out = readFile(outPath);
  result.err = readFile(errPath);
  std::remove(outPath.c_str());
  std::remove(errPath.c_str());
  rmdir(dir.c_str());
  return result;
}
