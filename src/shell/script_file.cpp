#include "shell/script_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/core_text_encoding.h"

ScriptLines splitScriptText(const std::string& raw) {
  const std::string bytes = hasNonAscii(raw) && isValidUtf8(raw) ? utf8ToCp1252(raw) : raw;
  ScriptLines lines;
  size_t start = 0;
  for (;;) {
    const size_t end = bytes.find('\n', start);
    std::string line = bytes.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end != std::string::npos && !line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

bool readScriptFile(const char* path, ScriptLines& lines, std::string& error) {
  struct stat info;
  if (stat(path, &info) != 0) {
    error = std::strerror(errno);
    return false;
  }
  if (S_ISDIR(info.st_mode)) {
    error = "c'est un dossier";
    return false;
  }
  FILE* f = std::fopen(path, "rb");
  if (!f) {
    error = std::strerror(errno);
    return false;
  }
  std::string bytes;
  char chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
  const bool failed = std::ferror(f);
  std::fclose(f);
  if (failed) {
    error = "erreur de lecture";
    return false;
  }
  lines = splitScriptText(bytes);
  return true;
}
