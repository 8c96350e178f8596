// The preferences file: "name=value" lines under a first comment line,
// read and checked line by line, written whole.
#include "shell/preferences.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/core_files.h"
#include "platform/core_safe_writer.h"

namespace {
constexpr long long maxPreferencesBytes = 1024 * 1024;
constexpr int maxCoordinate = 100000;

// Whole numbers only, each within [low, high].
bool readNumbers(const std::string& value, std::vector<int*> out, int low, int high) {
  std::istringstream in(value);
  for (int* n : out) {
    long long v;
    if (!(in >> v) || v < low || v > high) return false;
    *n = int(v);
  }
  std::string rest;
  return !(in >> rest);
}

bool readLine(const std::string& name, const std::string& value, Preferences& p) {
  if (name == "fenetre") {
    WindowPlacement& w = p.window;
    return readNumbers(value, {&w.x, &w.y, &w.width, &w.height}, -maxCoordinate, maxCoordinate) && w.width > 0 &&
           w.height > 0;
  }
  if (name == "separateurs") return readNumbers(value, {&p.dividers.viewLeft, &p.dividers.listTop}, 0, maxCoordinate);
  if (name == "dossier") return p.lastFolder = value, value.empty() || value[0] == '/';
  if (name == "recent") {
    if (value.empty() || value[0] != '/') return false;
    if (int(p.recentFiles.size()) < maxRecentFiles) p.recentFiles.push_back(value);
    return true;
  }
  if (name == "messages") return (p.messageBoxes = value == "boites") || value == "liste";
  return true;  // a later version's
}

bool isDirectory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
}  // namespace

std::string preferencesPath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/vexocad/preferences.conf";
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return std::string(home) + "/.config/vexocad/preferences.conf";
  return "";
}

std::string preferencesText(const Preferences& p) {
  std::string text = "# Préférences de VexoCad, réécrites par le programme\n";
  const WindowPlacement& w = p.window;
  if (w.width > 0 && w.height > 0)
    text += "fenetre=" + std::to_string(w.x) + " " + std::to_string(w.y) + " " + std::to_string(w.width) + " " +
            std::to_string(w.height) + "\n";
  if (p.dividers.viewLeft > 0 && p.dividers.listTop > 0)
    text += "separateurs=" + std::to_string(p.dividers.viewLeft) + " " + std::to_string(p.dividers.listTop) + "\n";
  // A name with a line break cannot be kept in a line.
  auto oneLine = [](const std::string& s) { return s.find_first_of("\r\n") == std::string::npos; };
  if (!p.lastFolder.empty() && oneLine(p.lastFolder)) text += "dossier=" + p.lastFolder + "\n";
  for (const std::string& file : p.recentFiles)
    if (oneLine(file)) text += "recent=" + file + "\n";
  text += std::string("messages=") + (p.messageBoxes ? "boites" : "liste") + "\n";
  return text;
}

bool readPreferencesText(const std::string& text, Preferences* out) {
  if (text.find('\0') != std::string::npos) return false;
  Preferences p;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0) return false;
    if (!readLine(line.substr(0, equals), line.substr(equals + 1), p)) return false;
  }
  *out = p;
  return true;
}

Preferences loadPreferences(const std::string& path, std::string* problem) {
  problem->clear();
  Preferences p;
  struct stat st;
  if (path.empty() || ::lstat(path.c_str(), &st) != 0) {
    if (!path.empty() && errno != ENOENT) *problem = systemErrorText(errno);
    return p;
  }
  if (S_ISLNK(st.st_mode)) return *problem = "C'est un lien symbolique, qui n'est pas suivi.", p;
  std::string bytes;
  const FileReadError error = readRegularFile(path.c_str(), maxPreferencesBytes, &bytes);
  if (error != FileReadError::None)
    *problem = fileReadErrorReason(error, maxPreferencesBytes);
  else if (!readPreferencesText(bytes, &p))
    *problem = "Son contenu n'est pas celui que le programme écrit.";
  return p;
}

std::string storePreferences(const std::string& path, const Preferences& p) {
  if (path.empty()) return "Ni XDG_CONFIG_HOME ni HOME ne donnent un dossier absolu.";
  struct stat st;
  if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
    return "Ce chemin ne désigne pas un fichier ordinaire : il est laissé tel quel.";
  const std::string folder = std::filesystem::path(path).parent_path();
  std::error_code ignored;
  std::filesystem::create_directories(folder, ignored);
  if (!isDirectory(folder)) return "Le dossier " + folder + " ne peut pas être créé.";
  const WriteResult result = writeFileSafely(path, preferencesText(p));
  return result.ok() ? "" : result.reason;
}

void addRecentFile(Preferences& p, const std::string& path) {
  removeRecentFile(p, path);
  p.recentFiles.insert(p.recentFiles.begin(), path);
  if (int(p.recentFiles.size()) > maxRecentFiles) p.recentFiles.resize(maxRecentFiles);
}

void removeRecentFile(Preferences& p, const std::string& path) {
  p.recentFiles.erase(std::remove(p.recentFiles.begin(), p.recentFiles.end(), path), p.recentFiles.end());
}
