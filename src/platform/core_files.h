// Reading a whole file that comes from outside: scripts, piece files and
// textures. Only a regular file of bounded size is read, so that a device,
// a pipe or a directory gives a clear refusal instead of a hang or an
// unbounded read.
#pragma once

#include <string>

enum class FileReadError { None, CannotOpen, NotAFile, TooLarge };

// Opens without blocking (a pipe with no writer does not wait) and checks the
// opened descriptor, so what is read is what was checked; the size is
// checked again while reading, for a file that grows meanwhile.
FileReadError readRegularFile(const char* path, long long maxBytes, std::string* bytes);

// A French sentence for NotAFile and TooLarge (with the limit in megabytes),
// the system's reason (systemErrorText) for CannotOpen, "" for None.
std::string fileReadErrorReason(FileReadError error, long long maxBytes);

// The system's reason for an errno value as a French sentence, so that no
// English text of the C library ends up inside a French message; a value
// met too seldom to have one gives its number.
std::string systemErrorText(int error);

// Writes all the bytes to the descriptor, again after a signal breaks a
// write off; false on any failure (a full disk gives a short write first).
bool writeAllBytes(int fd, const std::string& bytes);
