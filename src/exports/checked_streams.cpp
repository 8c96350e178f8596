#include "exports/checked_streams.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

CheckedStream::~CheckedStream() {
  if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) log_->fail(std::strerror(errno));
  if (std::fclose(file_) != 0) log_->fail(std::strerror(errno));
}

size_t CheckedStream::Write(const void* buffer, size_t size, size_t count) {
  const size_t written = std::fwrite(buffer, size, count, file_);
  if (written != count) log_->fail(std::strerror(errno));
  return written;
}

aiReturn CheckedStream::Seek(size_t offset, aiOrigin origin) {
  const int whence = origin == aiOrigin_SET ? SEEK_SET : origin == aiOrigin_CUR ? SEEK_CUR : SEEK_END;
  return std::fseek(file_, long(offset), whence) == 0 ? aiReturn_SUCCESS : aiReturn_FAILURE;
}

size_t CheckedStream::Tell() const { return size_t(std::ftell(file_)); }

size_t CheckedStream::FileSize() const {
  const long here = std::ftell(file_);
  std::fseek(file_, 0, SEEK_END);
  const long size = std::ftell(file_);
  std::fseek(file_, here, SEEK_SET);
  return size_t(size);
}

void CheckedStream::Flush() {
  if (std::fflush(file_) != 0) log_->fail(std::strerror(errno));
}

CheckedStream* openCheckedStream(const std::string& path, WriteLog* log) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    log->fail(std::strerror(errno));
    return nullptr;
  }
  return new CheckedStream(file, log);
}

bool CheckedFiles::Exists(const char* path) const { return std::filesystem::exists(path); }

Assimp::IOStream* CheckedFiles::Open(const char* path, const char* mode) {
  if (!std::strchr(mode, 'w')) return nullptr;
  return openCheckedStream(path, log_);
}
