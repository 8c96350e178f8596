// The program works on Windows-1252 bytes; files and widgets may hold UTF-8.
#pragma once

#include <string>

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool isValidUtf8(const std::string& bytes);
bool hasNonAscii(const std::string& bytes);

// Characters with no Windows-1252 form become '?'. Input must be valid UTF-8.
std::string utf8ToCp1252(const std::string& utf8);
// Every byte has a form; the five bytes Windows-1252 leaves undefined map to
// the C1 controls of the same value.
std::string cp1252ToUtf8(const std::string& bytes);
