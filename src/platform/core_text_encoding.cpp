#include "platform/core_text_encoding.h"

#include <locale.h>
#include <wctype.h>

#include <cstdint>
#include <cstdio>

namespace {
// Unicode code points of the bytes 0x80 to 0x9F; 0 marks an undefined byte.
const uint16_t highControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t codePointOf(unsigned char byte) {
  if (byte >= 0x80 && byte < 0xA0 && highControls[byte - 0x80]) return highControls[byte - 0x80];
  return byte;
}

int byteOf(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return int(cp);
  for (int i = 0; i < 32; ++i)
    if (highControls[i] == cp) return 0x80 + i;
  if (cp >= 0x80 && cp < 0xA0 && highControls[cp - 0x80] == 0) return int(cp);
  return -1;
}

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

// Decodes one sequence at s[i]; returns its length, or 0 when malformed.
int decodeUtf8(const std::string& s, size_t i, uint32_t& cp) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = b(i);
  int length;
  uint32_t min;
  if (c < 0x80) {
    cp = c;
    return 1;
  } else if ((c & 0xE0) == 0xC0) {
    length = 2, cp = c & 0x1F, min = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3, cp = c & 0x0F, min = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4, cp = c & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (int k = 1; k < length; ++k) {
    if ((b(i + k) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b(i + k) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return length;
}

// Calls each(code point, its bytes) for every character of text, and
// each(NOT_UTF8, the byte) for every byte that starts no well-formed sequence.
constexpr uint32_t NOT_UTF8 = 0xFFFFFFFF;
template <class Each>
void forEachCharacter(const std::string& text, Each each) {
  uint32_t cp = 0;
  for (size_t i = 0; i < text.size();) {
    const int n = decodeUtf8(text, i, cp);
    const size_t length = n == 0 ? 1 : size_t(n);
    each(n == 0 ? NOT_UTF8 : cp, std::string_view(text).substr(i, length));
    i += length;
  }
}
}  // namespace

bool isValidUtf8(const std::string& bytes) {
  uint32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    const int n = decodeUtf8(bytes, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool hasNonAscii(const std::string& bytes) {
  for (unsigned char c : bytes)
    if (c >= 0x80) return true;
  return false;
}

std::string utf8ToCp1252(const std::string& utf8) {
  std::string out;
  out.reserve(utf8.size());
  forEachCharacter(utf8, [&out](uint32_t cp, std::string_view) {
    const int byte = cp == NOT_UTF8 ? -1 : byteOf(cp);
    out += byte < 0 ? '?' : char(byte);
  });
  return out;
}

std::string cp1252ToUtf8(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 8);
  for (unsigned char c : bytes) appendUtf8(out, codePointOf(c));
  return out;
}

std::string terminalText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  forEachCharacter(std::string(text), [&out](uint32_t cp, std::string_view bytes) {
    char escape[8];
    if (cp == NOT_UTF8)
      std::snprintf(escape, sizeof escape, "\\x%02x", static_cast<unsigned char>(bytes[0]));
    else if (cp < 0x20 || cp == 0x7F)
      std::snprintf(escape, sizeof escape, "\\x%02x", unsigned(cp));
    else if (cp >= 0x80 && cp < 0xA0)
      std::snprintf(escape, sizeof escape, "\\u%04x", unsigned(cp));
    else
      return void(out += bytes);
    out += escape;
  });
  return out;
}

std::string lowerCase(const std::string& utf8) {
  // C.UTF-8 is built into the C library, whatever locales are installed.
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t(0));
  std::string out;
  out.reserve(utf8.size());
  forEachCharacter(utf8, [&out](uint32_t cp, std::string_view bytes) {
    if (cp == NOT_UTF8)
      out += bytes;
    else if (cp < 0x80)
      out += char(cp >= 'A' && cp <= 'Z' ? cp + ('a' - 'A') : cp);
    else
      appendUtf8(out, unicode ? uint32_t(towlower_l(wint_t(cp), unicode)) : cp);
  });
  return out;
}
