// Files for Assimp's writers that check every write: its own streams ignore
// a full disk. Each notes the first failure in the export's log, and is on
// the disk (flushed and synced) once closed.
#pragma once

#include <assimp/IOStream.hpp>
#include <assimp/IOSystem.hpp>
#include <cstdio>
#include <string>

// What the streams of one export met: the first failure's reason.
struct WriteLog {
  std::string failure;
  void fail(const std::string& reason) {
    if (failure.empty()) failure = reason;
  }
};

class CheckedStream : public Assimp::IOStream {
 public:
  CheckedStream(FILE* file, WriteLog* log) : file_(file), log_(log) {}
  ~CheckedStream() override;
  size_t Read(void*, size_t, size_t) override { return 0; }
  size_t Write(const void* buffer, size_t size, size_t count) override;
  aiReturn Seek(size_t offset, aiOrigin origin) override;
  size_t Tell() const override;
  size_t FileSize() const override;
  void Flush() override;

 private:
  FILE* file_;
  WriteLog* log_;
};

// Opens path for writing as a CheckedStream; nullptr (with the reason in
// log) when it cannot.
CheckedStream* openCheckedStream(const std::string& path, WriteLog* log);

// Writes only: the writers never read.
class CheckedFiles : public Assimp::IOSystem {
 public:
  explicit CheckedFiles(WriteLog* log) : log_(log) {}
  bool Exists(const char* path) const override;
  char getOsSeparator() const override { return '/'; }
  Assimp::IOStream* Open(const char* path, const char* mode) override;
  void Close(Assimp::IOStream* stream) override { delete stream; }

 private:
  WriteLog* log_;
};
