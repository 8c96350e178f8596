// Recovery copies of unsaved text: where they live, when they are written
// and removed, and which ones are left over.
#include "shell/recovery.h"

#include <dirent.h>
#include <signal.h>  // kill
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/core_text_encoding.h"
#include "shell/documents.h"

namespace {
using Clock = std::chrono::steady_clock;

const char prefix[] = "recovery-";
const char suffix[] = ".vxo";
constexpr auto lookInterval = std::chrono::seconds(2);

Clock::time_point lastLook;
std::string copiedText;  // what this process's copy holds
bool copyWritten = false;

bool isAbsolute(const char* path) { return path && path[0] == '/'; }

// Creates the folder and its missing parents, private to the user.
bool makeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

std::string copyPathOf(pid_t pid) {
  return recoveryFolder() + "/" + prefix + std::to_string(pid) + suffix;
}

// The process that wrote a copy, from its name; 0 for any other file.
pid_t writerOf(const char* fileName) {
  const size_t length = std::strlen(fileName), prefixLength = sizeof prefix - 1, suffixLength = sizeof suffix - 1;
  if (length <= prefixLength + suffixLength || std::strncmp(fileName, prefix, prefixLength) != 0) return 0;
  if (std::strcmp(fileName + length - suffixLength, suffix) != 0) return 0;
  const std::string digits(fileName + prefixLength, length - prefixLength - suffixLength);
  if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  return pid_t(std::atol(digits.c_str()));
}

bool isRunning(pid_t pid) { return ::kill(pid, 0) == 0 || errno == EPERM; }

void writeCopy(const std::string& text) {
  const std::string folder = recoveryFolder();
  if (folder.empty() || !makeFolders(folder)) return;
  DocumentError error;
  if (!writeFileAtomically(copyPathOf(::getpid()).c_str(), text, &error)) return;
  copiedText = text;
  copyWritten = true;
}
}  // namespace

std::string recoveryFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (isAbsolute(state)) return std::string(state) + "/vexocad";
  const char* home = std::getenv("HOME");
  return isAbsolute(home) ? std::string(home) + "/.local/state/vexocad" : "";
}

void keepRecoveryCopy(const Editor& editor, bool now) {
  if (!editorExists(editor)) return;  // no text to keep, nor to take for an empty one
  const Clock::time_point time = Clock::now();
  if (!now && time - lastLook < lookInterval) return;
  lastLook = time;
  if (!documentChanged(editor)) {
    removeRecoveryCopy();
    return;
  }
  const std::string text = editorTextUtf8(editor);
  if (!copyWritten || text != copiedText) writeCopy(text);
}

void removeRecoveryCopy() {
  if (!copyWritten) return;
  ::unlink(copyPathOf(::getpid()).c_str());
  copyWritten = false;
  copiedText.clear();
}

std::vector<std::string> orphanedRecoveryCopies() {
  std::vector<std::pair<time_t, std::string>> found;
  const std::string folder = recoveryFolder();
  DIR* directory = folder.empty() ? nullptr : ::opendir(folder.c_str());
  while (directory) {
    const dirent* entry = ::readdir(directory);
    if (!entry) break;
    const pid_t writer = writerOf(entry->d_name);
    struct stat st;
    const std::string path = folder + "/" + entry->d_name;
    if (writer <= 0 || writer == ::getpid() || isRunning(writer)) continue;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) found.push_back({st.st_mtime, path});
  }
  if (directory) ::closedir(directory);
  std::sort(found.rbegin(), found.rend());
  std::vector<std::string> paths;
  for (const auto& copy : found) paths.push_back(copy.second);
  return paths;
}

bool readRecoveryCopy(const std::string& path, std::string* text) {
  DocumentError error;
  if (!readFileBytes(path.c_str(), text, &error)) return false;
  if (!isValidUtf8(*text)) *text = cp1252ToUtf8(*text);
  return true;
}
