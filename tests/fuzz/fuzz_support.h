// Shared by the fuzz targets: a check that stops the run with the input
// kept, the messages an input made, and a scratch file for readers that only
// take a path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core_messages.h"

// Stops the process (libFuzzer keeps the input as a crash) when a property
// of the program does not hold.
#define FUZZ_CHECK(condition)                                               \
  do {                                                                      \
    if (!(condition)) fuzzCheckFailed(#condition, __FILE__, __LINE__);      \
  } while (0)

[[noreturn]] void fuzzCheckFailed(const char* condition, const char* file, int line);

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  bool operator==(const ShownMessage&) const = default;
};

// Installs a sink that records every message instead of printing it.
void captureMessages();
std::vector<ShownMessage>& shownMessages();

// A file of this process that holds the given bytes; the same path each
// time, removed when the process ends.
const std::string& writeScratchFile(const uint8_t* data, size_t size);

// The number of bytes the allocator gave for p, when the build can tell
// (AddressSanitizer); otherwise -1.
long long allocatedBytes(const void* p);

// The libFuzzer entry points each target defines.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
