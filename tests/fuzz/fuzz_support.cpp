// Shared by the fuzz targets: failed checks, captured messages, scratch files.
#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEXOCAD_HAS_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define VEXOCAD_HAS_ASAN 1
#endif
#ifdef VEXOCAD_HAS_ASAN
// From the sanitizer runtime (declared here: GCC ships no header for it).
extern "C" size_t __sanitizer_get_allocated_size(const volatile void* p);
#endif

namespace {
std::vector<ShownMessage> messages;

void recordMessage(const char* text, const char* caption, MessageIcon icon) {
  messages.push_back({text ? text : "", caption ? caption : "", icon});
}

std::string scratchPath;

void removeScratchFile() {
  if (!scratchPath.empty()) std::remove(scratchPath.c_str());
}
}  // namespace

void fuzzCheckFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "\nFUZZ CHECK FAILED: %s (%s:%d)\n", condition, file, line);
  std::fflush(stderr);
  std::abort();
}

void captureMessages() { setMessageSink(recordMessage); }
std::vector<ShownMessage>& shownMessages() { return messages; }

const std::string& writeScratchFile(const uint8_t* data, size_t size) {
  if (scratchPath.empty()) {
    const char* dir = std::getenv("TMPDIR");
    if (!dir || !*dir) dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    scratchPath = std::string(dir) + "/vexocad-fuzz-" + std::to_string(getpid());
    std::atexit(removeScratchFile);
  }
  FILE* f = std::fopen(scratchPath.c_str(), "wb");
  FUZZ_CHECK(f != nullptr);
  FUZZ_CHECK(size == 0 || std::fwrite(data, 1, size, f) == size);
  FUZZ_CHECK(std::fclose(f) == 0);
  return scratchPath;
}

long long allocatedBytes(const void* p) {
#ifdef VEXOCAD_HAS_ASAN
  return p ? static_cast<long long>(__sanitizer_get_allocated_size(p)) : 0;
#else
  (void)p;
  return -1;
#endif
}
