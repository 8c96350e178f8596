#include "platform/core_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
thread_local int lastOpenErrno = 0;

FileReadError readOpened(int fd, long long maxBytes, std::string* bytes) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return lastOpenErrno = errno, FileReadError::CannotOpen;
  if (!S_ISREG(st.st_mode)) return FileReadError::NotAFile;
  if (st.st_size > maxBytes) return FileReadError::TooLarge;
  bytes->reserve(size_t(st.st_size));
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return lastOpenErrno = errno, FileReadError::CannotOpen;
    if (n == 0) return FileReadError::None;
    if ((long long)(bytes->size() + size_t(n)) > maxBytes) return FileReadError::TooLarge;
    bytes->append(buffer, size_t(n));
  }
}
}  // namespace

FileReadError readRegularFile(const char* path, long long maxBytes, std::string* bytes) {
  bytes->clear();
  const int fd = path ? ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC) : -1;
  if (fd < 0) {
    lastOpenErrno = path ? errno : ENOENT;
    return FileReadError::CannotOpen;
  }
  const FileReadError error = readOpened(fd, maxBytes, bytes);
  ::close(fd);
  if (error != FileReadError::None) std::string().swap(*bytes);
  return error;
}

std::string fileReadErrorReason(FileReadError error, long long maxBytes) {
  switch (error) {
    case FileReadError::None: return "";
    case FileReadError::CannotOpen: return std::strerror(lastOpenErrno);
    case FileReadError::NotAFile: return "Ce chemin ne désigne pas un fichier ordinaire.";
    case FileReadError::TooLarge:
      return "Ce fichier est trop grand (" + std::to_string(maxBytes / (1024 * 1024)) + " Mo au plus).";
  }
  return "";
}

bool writeAllBytes(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}
