// Safe writing of files and folders: the checks before anything is written,
// the copies beside their targets, putting them in place, what a
// termination signal removes, and the marker of the program's own folders.
#include "platform/core_safe_writer.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/core_files.h"

namespace fs = std::filesystem;

namespace {

constexpr char TEMPORARY_PREFIX[] = ".vexocad-";  // then six letters or digits
constexpr size_t TEMPORARY_NAME_LENGTH = sizeof TEMPORARY_PREFIX - 1 + 6;
constexpr char MARKER_NAME[] = ".vexocad";
constexpr char MARKER_TEXT[] = "Dossier écrit par VexoCad, qui le remplace en entier à chaque écriture.\n";

// ---- what a termination signal removes ----
//
// The handler only calls functions that are safe in a signal handler, on
// paths laid out beforehand; each entry is filled, then marked ready.

constexpr int TERMINATION_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int SIGNAL_COUNT = 3;
constexpr int LEFTOVER_SLOTS = 16;
enum LeftoverState { FREE, FILLING, READY };

struct Leftover {
  std::atomic<int> state{FREE};
  bool folder = false;
  char path[PATH_MAX] = {};
};

Leftover leftovers[LEFTOVER_SLOTS];
std::atomic<bool> terminationCaught{false};
std::mutex handlersMutex;
int pendingOutputs = 0;
struct sigaction previousActions[SIGNAL_COUNT];
bool handlerInstalled[SIGNAL_COUNT];

// Removes the folder and the files in it. Listing a folder while removing
// from it may skip entries, so it is listed again until nothing goes.
void removeFolderWhole(const char* path) {
  const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  alignas(8) char buffer[4096];
  for (bool removed = true; removed;) {
    removed = false;
    ::lseek(fd, 0, SEEK_SET);
    for (ssize_t n; (n = ::getdents64(fd, buffer, sizeof buffer)) > 0;)
      for (ssize_t at = 0; at < n;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
        at += entry->d_reclen;
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 && ::unlinkat(fd, name, 0) == 0) removed = true;
      }
  }
  ::close(fd);
  ::rmdir(path);
}

void removeLeftovers() {
  for (Leftover& leftover : leftovers) {
    if (leftover.state.load() != READY) continue;
    if (leftover.folder)
      removeFolderWhole(leftover.path);
    else
      ::unlink(leftover.path);
  }
}

// Removes what is being written, then does what the signal did before.
void onTerminationSignal(int signal) {
  const int savedErrno = errno;
  terminationCaught = true;
  removeLeftovers();
  for (int i = 0; i < SIGNAL_COUNT; ++i) {
    if (TERMINATION_SIGNALS[i] != signal) continue;
    const struct sigaction& before = previousActions[i];
    if (before.sa_flags & SA_SIGINFO) {
      before.sa_sigaction(signal, nullptr, nullptr);
    } else if (before.sa_handler == SIG_DFL) {
      ::signal(signal, SIG_DFL);
      ::raise(signal);  // delivered, and the program ended, once this handler returns
    } else if (before.sa_handler != SIG_IGN) {
      before.sa_handler(signal);
    }
  }
  errno = savedErrno;
}

// The handler is there while anything is being written, and the former
// actions are put back afterwards: the program's own handlers stay its own.
void holdTerminationSignals() {
  const std::lock_guard<std::mutex> lock(handlersMutex);
  if (pendingOutputs++ > 0) return;
  static const bool atExit = std::atexit(removeLeftovers) == 0;
  (void)atExit;
  for (int i = 0; i < SIGNAL_COUNT; ++i) {
    ::sigaction(TERMINATION_SIGNALS[i], nullptr, &previousActions[i]);
    const bool ignored = !(previousActions[i].sa_flags & SA_SIGINFO) && previousActions[i].sa_handler == SIG_IGN;
    handlerInstalled[i] = !ignored;
    if (ignored) continue;
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    for (int s : TERMINATION_SIGNALS) sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    ::sigaction(TERMINATION_SIGNALS[i], &action, nullptr);
  }
}

void releaseTerminationSignals() {
  const std::lock_guard<std::mutex> lock(handlersMutex);
  if (--pendingOutputs > 0) return;
  for (int i = 0; i < SIGNAL_COUNT; ++i)
    if (handlerInstalled[i]) ::sigaction(TERMINATION_SIGNALS[i], &previousActions[i], nullptr);
}

// An entry for path (LEFTOVER_SLOTS when the table is full or the path too
// long: the signals are held all the same).
int keepLeftover(const std::string& path, bool folder) {
  holdTerminationSignals();
  if (path.size() >= PATH_MAX) return LEFTOVER_SLOTS;
  for (int i = 0; i < LEFTOVER_SLOTS; ++i) {
    int expected = FREE;
    if (!leftovers[i].state.compare_exchange_strong(expected, FILLING)) continue;
    leftovers[i].folder = folder;
    std::memcpy(leftovers[i].path, path.c_str(), path.size() + 1);
    leftovers[i].state = READY;
    return i;
  }
  return LEFTOVER_SLOTS;
}

void forgetLeftover(int& slot) {
  if (slot < 0) return;
  if (slot < LEFTOVER_SLOTS) leftovers[slot].state = FREE;
  slot = -1;
  releaseTerminationSignals();
}

// Targets change with the termination signals held back, so that a signal
// finds each of them either as it was or whole.
struct SignalsHeldBack {
  sigset_t before;
  SignalsHeldBack() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : TERMINATION_SIGNALS) sigaddset(&set, s);
    pthread_sigmask(SIG_BLOCK, &set, &before);
  }
  ~SignalsHeldBack() { pthread_sigmask(SIG_SETMASK, &before, nullptr); }
};

// ---- results ----

WriteResult failed(WriteProblem problem) { return {problem, writeProblemText(problem)}; }

WriteProblem problemOfErrno(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return WriteProblem::DISK_FULL;
    case EROFS: return WriteProblem::READ_ONLY_DISK;
    case EACCES:
    case EPERM: return WriteProblem::PERMISSION_DENIED;
    case ENOENT:
    case ENOTDIR: return WriteProblem::FOLDER_MISSING;
    case EISDIR: return WriteProblem::NOT_A_FILE;
    default: return WriteProblem::OTHER;
  }
}

// The sentence of the problem where it says it all, else the system's own.
WriteResult systemFailure(int error) {
  const WriteProblem problem = problemOfErrno(error);
  if (problem == WriteProblem::DISK_FULL || problem == WriteProblem::OTHER) return {problem, systemErrorText(error)};
  return failed(problem);
}

// A message of a folder: the problem of the error, the text given.
WriteResult folderFailure(int error, const std::string& text) {
  return {problemOfErrno(error), text + " (" + systemErrorText(error) + ")"};
}

// ---- paths, temporary names ----

std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A new file (opened for reading and writing) or folder of the given mode
// in folder, named ".vexocad-" and six random letters or digits: short, so
// that it fits beside a target whose name has the longest length allowed.
int makeTemporary(const std::string& folder, bool directory, mode_t mode, std::string* made) {
  static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    unsigned char random[6];
    if (::getrandom(random, sizeof random, 0) != ssize_t(sizeof random))
      for (unsigned char& r : random) r = (unsigned char)(counter++ * 131u + unsigned(::getpid()));
    std::string name = folder + "/" + TEMPORARY_PREFIX;
    for (unsigned char r : random) name += letters[r % (sizeof letters - 1)];
    const int fd = directory ? ::mkdir(name.c_str(), mode)
                             : ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) return *made = name, fd;
    if (errno != EEXIST) return -1;
  }
  return -1;
}

// A file with no name in folder, gone once closed.
int unnamedFileIn(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL)) return fd;
  std::string made;
  const int named = makeTemporary(folder, false, 0600, &made);
  if (named >= 0) ::unlink(made.c_str());
  return named;
}

// The file a write changes: path, or the end of its chain of symbolic links
// (which may not exist yet). The links stay. A link in a folder that
// everyone may write and that keeps files to their owners is followed only
// when it is the user's or the folder owner's, as the kernel does.
WriteResult followLinks(const std::string& path, std::string* target) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat link;
    if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return *target = current, WriteResult{};
    const std::string parent = folderOf(current);
    struct stat folder;
    if (::stat(parent.c_str(), &folder) == 0 && (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) &&
        link.st_uid != ::geteuid() && link.st_uid != folder.st_uid)
      return failed(WriteProblem::FOREIGN_LINK);
    char next[PATH_MAX];
    const ssize_t length = ::readlink(current.c_str(), next, sizeof next - 1);
    if (length <= 0) return systemFailure(length < 0 ? errno : ENOENT);
    const std::string linked(next, size_t(length));
    current = linked.front() == '/' ? linked : parent + "/" + linked;
  }
  return {WriteProblem::NOT_A_FILE, systemErrorText(ELOOP)};
}

bool writeAllAt(int fd, const char* bytes, size_t count, long long position) {
  while (count > 0) {
    const ssize_t n = ::pwrite(fd, bytes, count, off_t(position));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return errno = n < 0 ? errno : EIO, false;
    bytes += n;
    count -= size_t(n);
    position += n;
  }
  return true;
}

// The first size bytes of one file over the start of another.
bool copyContent(int from, int to, long long size) {
  static thread_local char buffer[1 << 16];
  for (long long at = 0; at < size;) {
    const ssize_t n = ::pread(from, buffer, size_t(std::min<long long>(sizeof buffer, size - at)), off_t(at));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return errno = n < 0 ? errno : EIO, false;
    if (!writeAllAt(to, buffer, size_t(n), at)) return false;
    at += n;
  }
  return true;
}

// ---- files ----

// Before any target changes: the copy is whole and on the disk.
WriteResult finishCopy(OutputFile& file) {
  if (file.fd < 0) return failed(WriteProblem::OTHER);
  if (file.error) return systemFailure(file.error);
  if (::fsync(file.fd) != 0) return systemFailure(errno);
  if (file.exists && !file.inPlace && ::fchmod(file.fd, file.mode) != 0) return systemFailure(errno);
  return {};
}

// The target's own inode takes the copy's content, so that its hard links,
// owner, group, mode and extended attributes stay. Its old content is saved
// aside first and put back if the rewrite fails (it fits where it was).
WriteResult rewriteInPlace(OutputFile& file) {
  const int target = ::open(file.target.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (target < 0) return systemFailure(errno);
  struct stat st;
  WriteResult result;
  if (::fstat(target, &st) != 0 || !S_ISREG(st.st_mode) || st.st_ino != file.inode) result = failed(WriteProblem::CHANGED);
  OutputFile old;
  if (result.ok()) result = openScratchFile(file.target, old);
  if (result.ok() && !copyContent(target, old.fd, st.st_size)) result = systemFailure(errno);
  if (result.ok() &&
      !(copyContent(file.fd, target, file.size) && ::ftruncate(target, off_t(file.size)) == 0 && ::fsync(target) == 0)) {
    result = systemFailure(errno);
    if (copyContent(old.fd, target, st.st_size)) ::ftruncate(target, st.st_size);
    ::fsync(target);
  }
  if (::close(target) != 0 && result.ok()) result = systemFailure(errno);
  return result;
}

// The target is still what was checked, then takes the copy's place.
WriteResult putInPlace(OutputFile& file) {
  struct stat now;
  const bool there = ::lstat(file.target.c_str(), &now) == 0;
  if (there != file.exists || (there && (now.st_ino != file.inode || !S_ISREG(now.st_mode))))
    return failed(WriteProblem::CHANGED);
  if (!file.inPlace) {
    // A new file must not replace one made meanwhile by someone else.
    int renamed = ::renameat2(AT_FDCWD, file.temporary.c_str(), AT_FDCWD, file.target.c_str(),
                              file.exists ? 0 : RENAME_NOREPLACE);
    if (renamed != 0 && errno == EINVAL && !file.exists) renamed = ::rename(file.temporary.c_str(), file.target.c_str());
    if (renamed == 0) {
      file.temporary.clear();
      forgetLeftover(file.leftover);
      syncFolder(folderOf(file.target));
      return {};
    }
    if (errno == EEXIST) return failed(WriteProblem::CHANGED);
    // A folder that keeps each file to its owner (sticky) forbids replacing
    // another user's file: it is written in place.
    if (!file.exists || (errno != EACCES && errno != EPERM)) return systemFailure(errno);
  }
  return rewriteInPlace(file);
}

// ---- folders ----

struct Entry {
  std::string name;
  bool regular;
};

bool listFolder(const std::string& path, std::vector<Entry>& entries) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    struct stat st;
    if (name != "." && name != "..")
      entries.push_back({name, ::fstatat(::dirfd(dir), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)});
  }
  ::closedir(dir);
  return true;
}

// The marker file of folder, opened, or -1 when there is none of ours.
int openMarker(const std::string& folder) {
  const int fd = ::open((folder + "/" + MARKER_NAME).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  char text[sizeof MARKER_TEXT];
  struct stat st;
  const bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size == off_t(sizeof MARKER_TEXT - 1) &&
                    ::pread(fd, text, sizeof text, 0) == ssize_t(sizeof MARKER_TEXT - 1) &&
                    std::memcmp(text, MARKER_TEXT, sizeof MARKER_TEXT - 1) == 0;
  if (!ours) ::close(fd);
  return ours ? fd : -1;
}

bool ownEntry(const Entry& entry, bool (*ownName)(const std::string&)) {
  return entry.regular && (entry.name == MARKER_NAME || ownName(entry.name));
}

// The first entry that keeps folder from being ours ("" when it is ours or
// empty); false when it cannot be listed.
bool foreignEntry(const std::string& folder, bool (*ownName)(const std::string&), std::string* foreign) {
  std::vector<Entry> entries;
  if (!listFolder(folder, entries)) return false;
  foreign->clear();
  const int marker = entries.empty() ? -1 : openMarker(folder);
  for (const Entry& entry : entries)
    if (marker < 0 || !ownEntry(entry, ownName)) {
      *foreign = entry.name;
      break;
    }
  if (marker >= 0) ::close(marker);
  return true;
}

void removeOwnFiles(const std::string& folder, bool (*ownName)(const std::string&)) {
  std::vector<Entry> entries;
  listFolder(folder, entries);
  for (const Entry& entry : entries)
    if (ownEntry(entry, ownName)) ::unlink((folder + "/" + entry.name).c_str());
  ::rmdir(folder.c_str());
}

// Staging folders of killed runs beside a target: hidden folders of the
// user's with the program's temporary name, holding the marker, which no
// running writer holds locked.
void removeStaleStagingFolders(const std::string& parent) {
  DIR* dir = ::opendir(parent.c_str());
  if (!dir) return;
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name, path = parent + "/" + name;
    struct stat st;
    if (name.size() != TEMPORARY_NAME_LENGTH || !name.starts_with(TEMPORARY_PREFIX) || ::lstat(path.c_str(), &st) != 0 ||
        !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
      continue;
    const int marker = openMarker(path);
    if (marker >= 0 && ::flock(marker, LOCK_EX | LOCK_NB) == 0) stale.push_back(path);
    if (marker >= 0) ::close(marker);
  }
  ::closedir(dir);
  for (const std::string& path : stale) removeFolderWhole(path.c_str());
}

// The marker of a new staging folder, locked before its text is written so
// that no run takes a folder being made for a stale one.
bool makeMarker(StagedFolder& folder) {
  const std::string path = folder.staging + "/" + MARKER_NAME;
  folder.marker = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  return folder.marker >= 0 && ::flock(folder.marker, LOCK_EX) == 0 &&
         writeAllAt(folder.marker, MARKER_TEXT, sizeof MARKER_TEXT - 1, 0) && ::fsync(folder.marker) == 0 &&
         (!folder.replaces || ::fchown(folder.marker, folder.owner, folder.group) == 0 || errno == EPERM);
}

// Checks an existing target folder: ours, the user's and writable; its
// marker stays locked until the end so that no other run takes it.
WriteResult checkFormerFolder(StagedFolder& folder, const struct stat& st, const std::string& quoted) {
  if (!S_ISDIR(st.st_mode)) return {WriteProblem::NOT_A_FILE, quoted + " existe et n'est pas un dossier."};
  if (::geteuid() != 0 && st.st_uid != ::geteuid())
    return {WriteProblem::PERMISSION_DENIED, "Le dossier " + quoted + " appartient à un autre utilisateur."};
  std::string foreign;
  if (!foreignEntry(folder.target, folder.ownName, &foreign))
    return folderFailure(errno, "Impossible de lire le dossier " + quoted);
  if (!foreign.empty())
    return {WriteProblem::NOT_OURS, "Le dossier " + quoted + " contient d'autres fichiers que ceux de VexoCad (" + foreign +
                                        "): choisissez un dossier vide ou nouveau."};
  if (::faccessat(AT_FDCWD, folder.target.c_str(), W_OK, AT_EACCESS) != 0)
    return folderFailure(errno, "Impossible d'écrire dans le dossier " + quoted);
  folder.formerMarker = openMarker(folder.target);
  if (folder.formerMarker >= 0 && ::flock(folder.formerMarker, LOCK_EX | LOCK_NB) != 0)
    return {WriteProblem::CHANGED, "Le dossier " + quoted + " est en train d'être écrit par un autre programme."};
  folder.replaces = true;
  folder.owner = st.st_uid, folder.group = st.st_gid, folder.mode = st.st_mode & 07777;
  return {};
}

// The former folder is moved aside (onto an empty hidden folder, which the
// rename replaces), looked at again, and removed once the new one stands; a
// file that appeared in it meanwhile puts it back.
WriteResult replaceFormerFolder(StagedFolder& folder) {
  const std::string parent = folderOf(folder.target);
  std::string aside, foreign;
  if (makeTemporary(parent, true, 0700, &aside) < 0 || ::rename(folder.target.c_str(), aside.c_str()) != 0) {
    const int error = errno;
    if (!aside.empty()) ::rmdir(aside.c_str());
    return folderFailure(error, "Impossible de remplacer l'ancien dossier");
  }
  if (!foreignEntry(aside, folder.ownName, &foreign) || !foreign.empty()) {
    ::rename(aside.c_str(), folder.target.c_str());
    return {WriteProblem::CHANGED, "Le dossier « " + folder.target + " » a reçu d'autres fichiers pendant l'écriture (" +
                                       foreign + "): il est resté tel quel."};
  }
  if (::rename(folder.staging.c_str(), folder.target.c_str()) != 0) {
    const int error = errno;
    ::rename(aside.c_str(), folder.target.c_str());
    return folderFailure(error, "Impossible de mettre le dossier en place");
  }
  removeOwnFiles(aside, folder.ownName);
  return {};
}

WriteResult moveNewFolder(StagedFolder& folder) {
  int moved = ::renameat2(AT_FDCWD, folder.staging.c_str(), AT_FDCWD, folder.target.c_str(), RENAME_NOREPLACE);
  if (moved != 0 && errno == EINVAL) moved = ::rename(folder.staging.c_str(), folder.target.c_str());
  if (moved == 0) return {};
  if (errno == EEXIST || errno == ENOTEMPTY)
    return {WriteProblem::CHANGED, "« " + folder.target + " » est apparu pendant l'écriture: il est resté tel quel."};
  return folderFailure(errno, "Impossible de mettre le dossier en place");
}

}  // namespace

const char* writeProblemText(WriteProblem problem) {
  switch (problem) {
    case WriteProblem::NONE: return "";
    case WriteProblem::NOT_A_FILE: return "Ce chemin ne désigne pas un fichier ordinaire.";
    case WriteProblem::READ_ONLY: return "Ce fichier est protégé en écriture (lecture seule).";
    case WriteProblem::PERMISSION_DENIED: return "Vous n'avez pas le droit d'écrire ce fichier ou dans son dossier.";
    case WriteProblem::FOREIGN_LINK:
      return "Ce lien symbolique est celui d'un autre utilisateur, dans un dossier partagé: il n'est pas suivi.";
    case WriteProblem::DISK_FULL: return "Le disque est plein (ou la taille permise d'un fichier est atteinte).";
    case WriteProblem::READ_ONLY_DISK: return "Ce disque est en lecture seule.";
    case WriteProblem::FOLDER_MISSING: return "Le dossier de ce fichier n'existe pas.";
    case WriteProblem::NOT_OURS: return "Ce dossier n'a pas été écrit par VexoCad.";
    case WriteProblem::CHANGED: return "Ce fichier a changé pendant l'écriture: il est resté tel quel.";
    case WriteProblem::INTERRUPTED: return "L'écriture a été interrompue par un signal: rien n'a été écrit.";
    case WriteProblem::OTHER: return "L'écriture a échoué.";
  }
  return "";
}

void reportOversizedWrites() { std::signal(SIGXFSZ, SIG_IGN); }

OutputFile::~OutputFile() { discardOutputFile(*this); }

WriteResult openOutputFile(const std::string& path, OutputFile& file) {
  discardOutputFile(file);
  reportOversizedWrites();
  file.path = path;
  if (path.empty()) return failed(WriteProblem::NOT_A_FILE);
  if (const WriteResult followed = followLinks(path, &file.target); !followed.ok()) return followed;
  struct stat st;
  if (::lstat(file.target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return failed(WriteProblem::NOT_A_FILE);
    // Left alone even by root, as careful editors do: the folder being
    // writable is no leave to replace it.
    if ((st.st_mode & 0222) == 0) return failed(WriteProblem::READ_ONLY);
    if (::faccessat(AT_FDCWD, file.target.c_str(), W_OK, AT_EACCESS) != 0) return systemFailure(errno);
    file.exists = true;
    file.owner = st.st_uid, file.group = st.st_gid, file.mode = st.st_mode & 07777, file.inode = st.st_ino;
    file.inPlace = st.st_nlink > 1;
  } else if (errno != ENOENT) {
    return systemFailure(errno);
  }
  const std::string folder = folderOf(file.target);
  if (!file.inPlace) {
    // Private until it takes the old file's mode; a new file gets the usual one.
    int error = 0;
    {
      const SignalsHeldBack heldBack;  // made and listed for removal at once
      file.fd = makeTemporary(folder, false, file.exists ? 0600 : 0666, &file.temporary);
      error = errno;
      if (file.fd >= 0) file.leftover = keepLeftover(file.temporary, false);
    }
    if (file.fd < 0 && !(file.exists && (error == EACCES || error == EPERM))) return systemFailure(error);
    // A copy that cannot take the old file's owner and group does not replace it.
    if (file.fd >= 0 && file.exists && ::fchown(file.fd, file.owner, file.group) != 0) {
      ::unlink(file.temporary.c_str());
      ::close(file.fd);
      file.fd = -1;
      file.temporary.clear();
      forgetLeftover(file.leftover);
    }
    file.inPlace = file.fd < 0;
  }
  if (file.inPlace) {
    OutputFile scratch;
    if (const WriteResult opened = openScratchFile(file.target, scratch); !opened.ok()) return opened;
    std::swap(file.fd, scratch.fd);
  }
  return {};
}

WriteResult openScratchFile(const std::string& nearPath, OutputFile& file) {
  discardOutputFile(file);
  reportOversizedWrites();
  file.fd = unnamedFileIn(folderOf(nearPath));
  if (file.fd < 0) {
    const char* temporary = std::getenv("TMPDIR");
    file.fd = unnamedFileIn(temporary && *temporary == '/' ? temporary : "/tmp");
  }
  return file.fd < 0 ? systemFailure(errno) : WriteResult{};
}

bool writeOutput(OutputFile& file, const void* bytes, size_t count) {
  if (file.error) return false;
  if (file.fd < 0) return file.error = EBADF, false;
  if (!writeAllAt(file.fd, static_cast<const char*>(bytes), count, file.position)) return file.error = errno, false;
  file.position += (long long)count;
  file.size = std::max(file.size, file.position);
  return true;
}

void seekOutput(OutputFile& file, long long position) { file.position = position; }

WriteResult outputFailure(const OutputFile& file) { return file.error ? systemFailure(file.error) : WriteResult{}; }

long long readOutput(const OutputFile& file, long long position, void* bytes, size_t count) {
  for (;;) {
    const ssize_t n = ::pread(file.fd, bytes, count, off_t(position));
    if (n >= 0 || errno != EINTR) return n;
  }
}

WriteResult commitOutputFiles(OutputFile* const* files, size_t count) {
  WriteResult result;
  for (size_t i = 0; i < count && result.ok(); ++i) result = finishCopy(*files[i]);
  if (result.ok()) {
    const SignalsHeldBack heldBack;
    if (terminationCaught) result = failed(WriteProblem::INTERRUPTED);
    for (size_t i = 0; i < count && result.ok(); ++i) result = putInPlace(*files[i]);
  }
  for (size_t i = 0; i < count; ++i) discardOutputFile(*files[i]);
  return result;
}

void discardOutputFile(OutputFile& file) {
  if (!file.temporary.empty()) ::unlink(file.temporary.c_str());
  if (file.fd >= 0) ::close(file.fd);
  forgetLeftover(file.leftover);
  file.temporary.clear();
  file.fd = -1;
  file.exists = file.inPlace = false;
  file.position = file.size = 0;
  file.error = 0;
}

WriteResult writeFileSafely(const std::string& path, const std::string& bytes) {
  OutputFile file;
  WriteResult result = openOutputFile(path, file);
  if (result.ok()) writeOutput(file, bytes.data(), bytes.size());
  return result.ok() ? commitOutputFile(file) : result;
}

StagedFolder::~StagedFolder() { discardStagedFolder(*this); }

WriteResult openStagedFolder(const std::string& target, bool (*ownName)(const std::string&), StagedFolder& folder) {
  discardStagedFolder(folder);
  reportOversizedWrites();
  std::error_code ignored;
  fs::path path = fs::absolute(fs::path(target), ignored).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  const std::string quoted = "« " + target + " »";
  if (target.empty() || path.filename().empty() || path == path.root_path())
    return {WriteProblem::NOT_A_FILE, quoted + " n'est pas un nom de dossier utilisable."};
  folder.target = path.string();
  folder.ownName = ownName;
  folder.replaces = false;
  const std::string parent = path.parent_path().string();
  removeStaleStagingFolders(parent);
  struct stat st;
  if (::lstat(folder.target.c_str(), &st) == 0) {
    if (const WriteResult former = checkFormerFolder(folder, st, quoted); !former.ok()) return former;
  } else if (errno != ENOENT) {
    return folderFailure(errno, "Impossible de lire le dossier " + quoted);
  }
  // A folder that replaces another stays private until it takes its mode.
  int error = 0;
  {
    const SignalsHeldBack heldBack;  // made and listed for removal at once
    if (makeTemporary(parent, true, folder.replaces ? 0700 : 0777, &folder.staging) >= 0)
      folder.leftover = keepLeftover(folder.staging, true);
    error = errno;
  }
  if (folder.leftover < 0) return folderFailure(error, "Impossible d'écrire à côté de " + quoted);
  if (!makeMarker(folder)) {
    const int error = errno;
    discardStagedFolder(folder);
    return folderFailure(error, "Impossible d'écrire à côté de " + quoted);
  }
  return {};
}

WriteResult writeStagedFile(StagedFolder& folder, const std::string& name, const std::string& bytes) {
  const auto failure = [&](int error) { return folderFailure(error, "Impossible d'écrire " + name); };
  if (folder.staging.empty()) return failure(ENOENT);
  const int fd = ::open((folder.staging + "/" + name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return failure(errno);
  // The files of a folder written for another user are that user's.
  bool written = writeAllAt(fd, bytes.data(), bytes.size(), 0) &&
                 (!folder.replaces || ::fchown(fd, folder.owner, folder.group) == 0 || errno == EPERM) &&
                 ::fsync(fd) == 0;
  int error = written ? 0 : errno;
  if (::close(fd) != 0 && written) written = false, error = errno;
  return written ? WriteResult{} : failure(error);
}

WriteResult commitStagedFolder(StagedFolder& folder) {
  WriteResult result;
  if (folder.staging.empty()) result = folderFailure(ENOENT, "Impossible de mettre le dossier en place");
  syncFolder(folder.staging);
  if (result.ok() && folder.replaces &&
      (::chmod(folder.staging.c_str(), folder.mode) != 0 ||
       (::chown(folder.staging.c_str(), folder.owner, folder.group) != 0 && errno != EPERM)))
    result = folderFailure(errno, "Impossible de mettre le dossier en place");
  if (result.ok()) {
    const SignalsHeldBack heldBack;
    if (terminationCaught) result = failed(WriteProblem::INTERRUPTED);
    if (result.ok()) result = folder.replaces ? replaceFormerFolder(folder) : moveNewFolder(folder);
    if (result.ok()) {
      folder.staging.clear();
      forgetLeftover(folder.leftover);
      syncFolder(folderOf(folder.target));
    }
  }
  discardStagedFolder(folder);
  return result;
}

void discardStagedFolder(StagedFolder& folder) {
  if (!folder.staging.empty()) removeFolderWhole(folder.staging.c_str());
  folder.staging.clear();
  for (int* fd : {&folder.marker, &folder.formerMarker})
    if (*fd >= 0) ::close(*fd), *fd = -1;
  forgetLeftover(folder.leftover);
}
