#include "platform/core_data_dir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

std::string dataDir;

namespace {
std::string executablePath(const char* argv0) {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n > 0) return std::string(buffer, size_t(n));
  if (argv0) {
    if (char* real = realpath(argv0, nullptr)) {
      std::string path = real;
      free(real);
      return path;
    }
  }
  return "";
}

bool isDirectory(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
}  // namespace

void findDataDir(const char* argv0) {
  const std::string exe = executablePath(argv0);
  const size_t slash = exe.rfind('/');
  std::string dir = slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
  if (!isDirectory(dir + "vexo") && isDirectory(dir + "../share/vexocad/vexo"))
    dir += "../share/vexocad/";
  dataDir = dir;
}
