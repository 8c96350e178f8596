// The program works on Windows-1252 bytes; files and widgets may hold UTF-8.
#pragma once

#include <string>
#include <string_view>

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool isValidUtf8(const std::string& bytes);
bool hasNonAscii(const std::string& bytes);

// Characters with no Windows-1252 form become '?'. Input must be valid UTF-8.
std::string utf8ToCp1252(const std::string& utf8);
// Every byte has a form; the five bytes Windows-1252 leaves undefined map to
// the C1 controls of the same value.
std::string cp1252ToUtf8(const std::string& bytes);

// Text as a terminal may be shown it: control characters (U+0000 to U+001F,
// U+007F to U+009F) become \x1b or \u009b and bytes that are no UTF-8 \xff,
// so that a script or a file name cannot move the cursor, retitle the window
// or clear the screen. Every other character is kept as it is.
std::string terminalText(std::string_view text);

// Lower case of UTF-8 text, accented capitals included (É to é, Œ to œ), by
// the C library's Unicode tables; bytes that are no UTF-8 are kept.
std::string lowerCase(const std::string& utf8);
