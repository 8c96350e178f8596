// Recovery copies of unsaved text: the folder and its checks, the writing
// of this process's copy under its lock, and the copies that ended
// instances left. Every file in the folder is reached through the checked
// folder's descriptor and opened without following a final symbolic link.
#include "shell/recovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/core_files.h"
#include "platform/core_messages.h"
#include "platform/core_text_encoding.h"
#include "shell/documents.h"

namespace {
using Clock = std::chrono::steady_clock;

const char prefix[] = "recovery-";
const char suffix[] = ".vxo";
const char temporaryPrefix[] = ".recovery-";
const char temporarySuffix[] = ".tmp";
constexpr auto lookInterval = std::chrono::seconds(2);

Clock::time_point lastLook;
std::string copyName;    // recovery-PID-RANDOM.vxo, chosen at the first copy
std::string copiedText;  // what this process's copy holds
bool copyWritten = false;
int copyLock = -1;       // the copy, open and flocked while this process runs
std::string textSaid;

bool isAbsolute(const char* path) { return path && path[0] == '/'; }

bool startsWith(const std::string& text, const char* start) { return text.rfind(start, 0) == 0; }

bool endsWith(const std::string& text, const char* end) {
  const size_t n = std::strlen(end);
  return text.size() >= n && text.compare(text.size() - n, n, end) == 0;
}

std::string reasonOfErrno(int error) {
  switch (error) {
    case ENOENT: return "un dossier du chemin manque";
    case ENOTDIR: return "un élément du chemin n'est pas un dossier";
    case EACCES:
    case EPERM: return "permission refusée";
    case EROFS: return "le disque est en lecture seule";
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return "le disque est plein";
    default: return "erreur du système n° " + std::to_string(error);
  }
}

// One message for each problem, the first time it stops a copy.
void sayOnce(const std::string& problem) {
  const std::string folder = recoveryFolder();
  std::string sentence = problem + ".";
  sentence[0] = char(std::toupper((unsigned char)sentence[0]));
  const std::string text =
      folder.empty() ? "Le texte non enregistré ne peut pas être copié en lieu sûr : " + problem + "."
                     : "Le texte non enregistré ne peut pas être copié en lieu sûr dans le dossier suivant :\n" +
                           folder + "\n" + sentence;
  if (text == textSaid) return;
  textSaid = text;
  showMessage(text.c_str(), "Copies de secours", ICON_EXCLAMATION);
}

// Makes the missing folders of the path, private (0700), each only inside
// a folder of the user running the program: root run with another user's
// HOME (sudo -E) leaves nothing of its own in that user's folders.
bool makeMissingFolders(const std::string& folder, std::string* problem) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    struct stat st;
    if (::stat(part.c_str(), &st) != 0) {
      const std::string parent = part.substr(0, std::max<size_t>(part.rfind('/'), 1));
      if (errno == ENOENT && ::stat(parent.c_str(), &st) == 0 && st.st_uid != ::geteuid())
        return *problem = "il manque, et " + parent + " appartient à un autre utilisateur", false;
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
        return *problem = "il ne peut pas être créé : " + reasonOfErrno(errno), false;
    }
    if (slash == std::string::npos) return true;
  }
}

// The folder, opened and checked: a real folder (not a link), owned by the
// user running the program, that nobody else may write. -1 and the reason
// otherwise.
int openFolder(std::string* problem) {
  const std::string folder = recoveryFolder();
  if (folder.empty()) return *problem = "ni XDG_STATE_HOME ni HOME ne donnent un dossier absolu", -1;
  if (!makeMissingFolders(folder, problem)) return -1;
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  const int openError = errno;
  struct stat st;
  if (fd >= 0 ? ::fstat(fd, &st) != 0 : ::lstat(folder.c_str(), &st) != 0)
    *problem = "il ne peut pas être ouvert : " + reasonOfErrno(openError);
  else if (S_ISLNK(st.st_mode))
    *problem = "c'est un lien symbolique, pas un vrai dossier";
  else if (!S_ISDIR(st.st_mode))
    *problem = "ce n'est pas un dossier";
  else if (st.st_uid != ::geteuid())
    *problem = "il appartient à un autre utilisateur que celui qui lance le programme";
  else if (st.st_mode & (S_IWGRP | S_IWOTH))
    *problem = "d'autres utilisateurs que son propriétaire peuvent y écrire";
  else if (fd < 0)
    *problem = "il ne peut pas être ouvert : " + reasonOfErrno(openError);
  else
    return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

int openFolderOrSay() {
  std::string problem;
  const int fd = openFolder(&problem);
  if (fd < 0) sayOnce(problem);
  return fd;
}

std::string newCopyName() {
  unsigned long long random = 0;
  if (::getrandom(&random, sizeof random, 0) != sizeof random)
    random = (unsigned long long)(Clock::now().time_since_epoch().count()) * 2654435761u;
  char name[64];
  std::snprintf(name, sizeof name, "%s%d-%016llx%s", prefix, int(::getpid()), random, suffix);
  return name;
}

// A regular file of the folder, opened for reading without following a
// link or waiting on a FIFO; -1 for anything else.
int openRegularFile(int folder, const char* name, struct stat* st) {
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0 && ::fstat(fd, st) == 0 && S_ISREG(st->st_mode)) return fd;
  if (fd >= 0) ::close(fd);
  return -1;
}

bool takeLock(int fd) { return ::flock(fd, LOCK_EX | LOCK_NB) == 0; }

// The text goes to a new file, locked before it has a name others look at,
// which then replaces the copy: the copy is always whole and always locked.
bool writeCopy(const std::string& text) {
  const int folder = openFolderOrSay();
  if (folder < 0) return false;
  if (copyName.empty()) copyName = newCopyName();
  const std::string temporary = temporaryPrefix + copyName.substr(sizeof prefix - 1) + temporarySuffix;
  const int fd = ::openat(folder, temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  errno = EIO;
  const bool written = fd >= 0 && takeLock(fd) && writeAllBytes(fd, text) && ::fsync(fd) == 0 &&
                       ::renameat(folder, temporary.c_str(), folder, copyName.c_str()) == 0;
  const int failure = errno;
  if (written) ::fsync(folder);  // the new name is on the disk too
  if (!written && fd >= 0) ::unlinkat(folder, temporary.c_str(), 0), ::close(fd);
  ::close(folder);
  if (!written) return sayOnce("la copie ne peut pas y être écrite : " + reasonOfErrno(failure)), false;
  if (copyLock >= 0) ::close(copyLock);
  copyLock = fd;
  copiedText = text;
  copyWritten = true;
  return true;
}

// The PID of a copy that an earlier version wrote (recovery-PID.vxo), or 0.
pid_t earlierWriterOf(const std::string& name) {
  if (!startsWith(name, prefix) || !endsWith(name, suffix)) return 0;
  const std::string digits = name.substr(sizeof prefix - 1, name.size() - (sizeof prefix - 1) - (sizeof suffix - 1));
  if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
  return pid_t(std::atol(digits.c_str()));
}

bool isCopyName(const std::string& name) {
  if (earlierWriterOf(name) > 0) return true;
  return startsWith(name, prefix) && endsWith(name, suffix) && name.find('-', sizeof prefix) != std::string::npos;
}

// Earlier versions took no lock: their copy is taken as live while its PID
// runs a program named vexocad (other programs take PIDs after a crash or a
// reboot), or runs at all when that cannot be read.
bool earlierWriterRuns(pid_t pid) {
  if (pid == ::getpid() || (::kill(pid, 0) != 0 && errno != EPERM)) return false;
  char path[64], name[32] = "";
  std::snprintf(path, sizeof path, "/proc/%d/comm", int(pid));
  FILE* comm = std::fopen(path, "r");
  const bool known = comm && std::fgets(name, sizeof name, comm);
  if (comm) std::fclose(comm);
  return !known || std::strcmp(name, "vexocad\n") == 0;
}

// A temporary file whose writer has ended is removed.
void removeIfAbandoned(int folder, const std::string& name) {
  struct stat st;
  const int fd = openRegularFile(folder, name.c_str(), &st);
  if (fd >= 0 && takeLock(fd)) ::unlinkat(folder, name.c_str(), 0);
  if (fd >= 0) ::close(fd);
}

bool readWhole(int fd, std::string* bytes) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || bytes->size() + size_t(n) > size_t(maxDocumentBytes)) return false;
    bytes->append(buffer, size_t(n));
  }
}
}  // namespace

std::string recoveryFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  if (isAbsolute(state)) return std::string(state) + "/vexocad";
  const char* home = std::getenv("HOME");
  return isAbsolute(home) ? std::string(home) + "/.local/state/vexocad" : "";
}

bool keepRecoveryCopy(const Editor& editor, bool now) {
  if (!editorExists(editor)) return false;  // no text to keep, nor to take for an empty one
  const Clock::time_point time = Clock::now();
  if (!now && time - lastLook < lookInterval) return true;
  lastLook = time;
  if (!documentChanged(editor)) {
    removeRecoveryCopy();
    return true;
  }
  const std::string text = editorTextUtf8(editor);
  return (copyWritten && text == copiedText) || writeCopy(text);
}

void removeRecoveryCopy() {
  if (!copyWritten) return;
  std::string problem;
  const int folder = openFolder(&problem);
  if (folder >= 0) ::unlinkat(folder, copyName.c_str(), 0), ::close(folder);
  if (copyLock >= 0) ::close(copyLock);  // after the unlink: never seen unlocked
  copyLock = -1;
  copyWritten = false;
  copiedText.clear();
}

std::vector<std::string> orphanedRecoveryCopies() {
  const int folder = openFolderOrSay();
  DIR* directory = folder < 0 ? nullptr : ::fdopendir(folder);
  if (!directory && folder >= 0) ::close(folder);
  std::vector<std::pair<time_t, std::string>> found;
  while (const dirent* entry = directory ? ::readdir(directory) : nullptr) {
    const std::string name = entry->d_name;
    if (startsWith(name, temporaryPrefix) && endsWith(name, temporarySuffix)) removeIfAbandoned(folder, name);
    if (!isCopyName(name) || name == copyName) continue;
    struct stat st;
    const int fd = openRegularFile(folder, name.c_str(), &st);
    if (fd < 0) continue;
    const pid_t earlierWriter = earlierWriterOf(name);
    if (takeLock(fd) && !(earlierWriter > 0 && earlierWriterRuns(earlierWriter)))
      found.push_back({st.st_mtime, recoveryFolder() + "/" + name});
    ::close(fd);
  }
  if (directory) ::closedir(directory);
  std::sort(found.rbegin(), found.rend());
  std::vector<std::string> paths;
  for (const auto& copy : found) paths.push_back(copy.second);
  return paths;
}

bool claimRecoveryCopy(const std::string& path, LeftCopy* copy) {
  *copy = LeftCopy{};
  copy->path = path;
  struct stat st;
  const int fd = openRegularFile(AT_FDCWD, path.c_str(), &st);
  if (fd < 0) return false;
  if (!takeLock(fd)) return ::close(fd), false;  // another instance offers it
  copy->fd = fd;
  std::string bytes;
  if (!readWhole(fd, &bytes))
    copy->problem = "Elle ne se lit pas en entier (au plus " + std::to_string(maxDocumentBytes >> 20) + " Mo).";
  else if (bytes.find('\0') != std::string::npos)
    copy->problem = "Elle contient un octet nul, que l'éditeur ne peut pas garder : le texte serait coupé.";
  copy->text = isValidUtf8(bytes) ? bytes : cp1252ToUtf8(bytes);
  return true;
}

void releaseRecoveryCopy(LeftCopy& copy, bool remove) {
  if (remove) ::unlink(copy.path.c_str());
  if (copy.fd >= 0) ::close(copy.fd);
  copy.fd = -1;
}
