// Fuzz target: saving over files of every protection and linking, in a
// private folder. The first input byte picks the old file's mode, the second
// how the saved path reaches it (the file, a hard link beside it, a symbolic
// link, a dangling link, a link into a missing folder) and whether it belongs
// to another user (when run as root); the rest is the text. Checks that a
// save succeeds exactly when the file may be written, that the file then
// holds the text and else its old content, that mode, owner, group, hard
// links and symbolic links are kept, and that no temporary file is left.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_support.h"
#include "shell/documents.h"

namespace fs = std::filesystem;

namespace {
const mode_t modes[] = {0644, 0600, 0640, 0444, 0400, 0000, 0200, 0666, 02755, 0604};
enum Route { Direct, HardLink, SymbolicLink, DanglingLink, LinkIntoMissingFolder, routeCount };
const std::string oldContent = "#0\nold\n";

fs::path folder;

std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

long entryCount() { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); }
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  captureMessages();
  folder = fs::temp_directory_path() / ("vexocad-save-fuzz-" + std::to_string(::getpid()));
  std::atexit([] { fs::remove_all(folder); });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const mode_t mode = modes[data[0] % (sizeof modes / sizeof modes[0])];
  const Route route = Route(data[1] % routeCount);
  const bool otherOwner = (data[1] / routeCount) % 2 == 1 && ::geteuid() == 0;
  const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path file = folder / "file.vxo", saved = folder / "saved.vxo";
  const bool exists = route != DanglingLink && route != LinkIntoMissingFolder;
  if (exists) {
    std::ofstream(file, std::ios::binary) << oldContent;
    ::chmod(file.c_str(), mode);
    if (otherOwner) FUZZ_CHECK(::chown(file.c_str(), 4321, 4322) == 0);
  }
  if (route == Direct) fs::rename(file, saved);
  if (route == HardLink) fs::create_hard_link(file, saved);
  if (route == SymbolicLink || route == DanglingLink) fs::create_symlink("file.vxo", saved);
  if (route == LinkIntoMissingFolder) fs::create_symlink("missing/file.vxo", saved);
  const fs::path target = route == Direct ? saved : file;
  struct stat before {};
  ::stat(target.c_str(), &before);
  const long entries = entryCount();

  DocumentError error;
  const bool ok = writeFileAtomically(saved.c_str(), text, &error);
  const bool writable = !exists || (mode & 0222) != 0;
  FUZZ_CHECK(ok == (writable && route != LinkIntoMissingFolder));
  FUZZ_CHECK(ok == (error == DocumentError::None));
  FUZZ_CHECK(fileBytes(target) == (ok ? text : exists ? oldContent : ""));
  FUZZ_CHECK(entryCount() == entries + (ok && !exists ? 1 : 0));
  FUZZ_CHECK(fs::is_symlink(saved) == (route >= SymbolicLink));
  struct stat after {};
  FUZZ_CHECK(::stat(target.c_str(), &after) == 0 || !ok);
  if (exists) {
    FUZZ_CHECK((after.st_mode & 07777) == (before.st_mode & 07777));
    FUZZ_CHECK(after.st_uid == before.st_uid && after.st_gid == before.st_gid);
    FUZZ_CHECK(after.st_nlink == before.st_nlink);
  }
  if (route == HardLink) FUZZ_CHECK(fileBytes(saved) == fileBytes(file));
  return 0;
}
