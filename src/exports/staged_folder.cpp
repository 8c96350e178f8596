#include "exports/staged_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform/core_files.h"

namespace fs = std::filesystem;

namespace {

bool fail(std::string& error, const std::string& text) {
  error = text;
  return false;
}

std::string reason() { return std::strerror(errno); }

// The names in a folder, without "." and ".."; false when it cannot be read.
bool listFolder(const std::string& path, std::vector<std::string>& names) {
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return false;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

// The target's folder and a unique hidden name beside it, made as a folder.
bool makeHiddenFolder(const std::string& target, const char* purpose, std::string& made) {
  const fs::path path(target);
  std::string pattern = (path.parent_path() / ("." + path.filename().string() + purpose + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) return false;
  // mkdtemp keeps the folder to its owner; the export is an ordinary folder.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::chmod(pattern.c_str(), 0777 & ~mask);
  made = pattern;
  return true;
}

// Removes the folder's files that ownName accepts, then the folder if that
// emptied it: never a file the export did not make.
void removeOwnFiles(const std::string& path, bool (*ownName)(const std::string&)) {
  std::vector<std::string> names;
  listFolder(path, names);
  for (const std::string& name : names)
    if (ownName(name)) ::unlink((path + "/" + name).c_str());
  ::rmdir(path.c_str());
}

}  // namespace

bool openStagedFolder(const std::string& target, bool (*ownName)(const std::string&), StagedFolder& folder,
                      std::string& error) {
  fs::path path = fs::absolute(fs::path(target)).lexically_normal();
  if (path.filename().empty()) path = path.parent_path();
  if (target.empty() || path.filename().empty() || path == path.root_path())
    return fail(error, "« " + target + " » n'est pas un nom de dossier utilisable.");
  folder = StagedFolder{path.string(), "", ownName};
  struct stat st;
  if (::lstat(folder.target.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) return fail(error, "« " + target + " » existe et n'est pas un dossier.");
    std::vector<std::string> names;
    if (!listFolder(folder.target, names)) return fail(error, "Impossible de lire le dossier « " + target + " » (" + reason() + ").");
    for (const std::string& name : names)
      if (!ownName(name))
        return fail(error, "Le dossier « " + target + " » contient d'autres fichiers (" + name +
                               "): choisissez un dossier vide ou nouveau.");
  }
  if (!makeHiddenFolder(folder.target, ".vexo", folder.staging))
    return fail(error, "Impossible d'écrire à côté de « " + target + " » (" + reason() + ").");
  return true;
}

bool writeStagedFile(const StagedFolder& folder, const std::string& name, const std::string& bytes,
                     std::string& error) {
  const std::string path = folder.staging + "/" + name;
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return fail(error, "Impossible d'écrire " + name + " (" + reason() + ").");
  const bool written = writeAllBytes(fd, bytes);
  const int savedErrno = errno;
  if (::close(fd) != 0 || !written) {
    if (!written) errno = savedErrno;
    return fail(error, "Impossible d'écrire " + name + " (" + reason() + ").");
  }
  return true;
}

bool commitStagedFolder(StagedFolder& folder, std::string& error) {
  // An empty folder is replaced by the rename itself; a former export is
  // moved aside first and removed once the new one stands.
  std::string former;
  if (::rename(folder.staging.c_str(), folder.target.c_str()) != 0) {
    if (errno != ENOTEMPTY && errno != EEXIST)
      return fail(error, "Impossible de mettre le dossier en place (" + reason() + ").");
    if (!makeHiddenFolder(folder.target, ".vexo-ancien", former) || ::rmdir(former.c_str()) != 0 ||
        ::rename(folder.target.c_str(), former.c_str()) != 0)
      return fail(error, "Impossible de remplacer l'ancien dossier (" + reason() + ").");
    if (::rename(folder.staging.c_str(), folder.target.c_str()) != 0) {
      const std::string why = reason();
      ::rename(former.c_str(), folder.target.c_str());
      return fail(error, "Impossible de mettre le dossier en place (" + why + ").");
    }
    removeOwnFiles(former, folder.ownName);
  }
  folder.staging.clear();
  return true;
}

void discardStagedFolder(StagedFolder& folder) {
  if (folder.staging.empty()) return;
  removeOwnFiles(folder.staging, folder.ownName);
  folder.staging.clear();
}
