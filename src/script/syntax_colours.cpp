#include "script/syntax_colours.h"

#include <cstring>
#include <string_view>


namespace {
bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; }

bool startsWithWord(std::string_view w, const char* keyword) {
  const size_t n = std::strlen(keyword);
  if (w.size() < n) return false;
  for (size_t i = 0; i < n; ++i) {
    char a = w[i];
    if (a >= 'A' && a <= 'Z') a += 'a' - 'A';
    if (a != keyword[i]) return false;
  }
  return true;
}

bool isKeyword(std::string_view w) {
  static const char* const prefixes[] = {"repete", "finrepete", "sortir", "findeclare", "declare", "int", "float",
                                         "id",     "trans",     "rot",    "couleur=",   "color=",  "ajoute", "op",
                                         "set",    "appel",     "call",   "3d"};
  static const char* const words[] = {"si",       "if",          "sinon",       "else",     "finsi",    "endif",
                                      "fonction", "function",    "finfonction", "endfunction", "couleurf", "couleuri",
                                      "autre"};
  for (const char* k : prefixes)
    if (startsWithWord(w, k)) return true;
  for (const char* k : words)
    if (w.size() == std::strlen(k) && startsWithWord(w, k)) return true;
  return false;
}

// The Windows-1252 byte, or the same character in UTF-8.
bool startsWithSign(std::string_view w, unsigned char cp1252) {
  const auto* p = reinterpret_cast<const unsigned char*>(w.data());
  return (w.size() >= 1 && p[0] == cp1252) || (w.size() >= 2 && p[0] == 0xC2 && p[1] == cp1252);
}

bool isNumber(std::string_view w) {
  size_t i = w[0] == '-' || w[0] == '+' ? 1 : 0;
  bool digit = false;
  for (; i < w.size(); ++i) {
    if (w[i] >= '0' && w[i] <= '9')
      digit = true;
    else if (w[i] != '.' && !((w[i] == 'e' || w[i] == 'E') && digit))
      return false;
  }
  return digit;
}

// A connection point after "@": a port letter (with or without its
// position) or a port's name.
bool isPortWord(std::string_view w) {
  for (const char* name : {"bout", "trou", "pince", "barre"})
    if (startsWithWord(w, name)) return true;
  return std::strchr("cbohpCBOHP=", w[0]) && (w.size() == 1 || isNumber(w.substr(1)) || w[1] == '$');
}

EditorStyle styleOfWord(std::string_view w, int& portsToCome) {
  const bool port = portsToCome > 0 && isPortWord(w);
  portsToCome = port ? portsToCome - 1 : 0;
  if (port) return STYLE_REFERENCE;
  if (w[0] == '@') return portsToCome = 2, STYLE_REFERENCE;
  if (w[0] == '#' || startsWithSign(w, 0xA4)) return STYLE_PIECE;
  if (w[0] == '%' || w[0] == '&') return STYLE_REFERENCE;
  if (w[0] == '$') return STYLE_VARIABLE;
  if (isNumber(w)) return STYLE_NUMBER;
  if (isKeyword(w) || startsWithSign(w, 0xA7)) return STYLE_KEYWORD;
  return STYLE_PLAIN;
}
}  // namespace

bool styleScriptLine(const char* line, size_t length, char* styles, bool inBlockComment) {
  int portsToCome = 0;
  for (size_t start = 0; start < length;) {
    if (isBlank(line[start])) {
      styles[start++] = STYLE_PLAIN;
      continue;
    }
    size_t end = start;
    while (end < length && !isBlank(line[end])) ++end;
    const std::string_view w(line + start, end - start);
    EditorStyle style = STYLE_COMMENT;
    if (startsWithWord(w, "//")) {
      end = length;  // the rest of the line
    } else if (w.size() >= 4 && startsWithWord(w, "/*") && w.substr(w.size() - 2) == "*/") {
      // a comment in one word leaves an open block open and a closed one closed
    } else if (startsWithWord(w, "/*")) {
      inBlockComment = true;
    } else if (startsWithWord(w, "*/")) {
      inBlockComment = false;
    } else if (!inBlockComment) {
      style = styleOfWord(w, portsToCome);
    }
    std::memset(styles + start, style, end - start);
    start = end;
  }
  return inBlockComment;
}

EditorStyling scriptStyling() {
  EditorStyling styling;
  styling.styler = styleScriptLine;
  styling.blockLetter = STYLE_COMMENT;
  styling.styles = {
      {0, 0, 0, false, false},        // plain
      {110, 110, 110, false, true},   // comment
      {0, 60, 190, true, false},      // piece
      {150, 0, 150, false, false},    // reference and port
      {170, 40, 0, true, false},      // keyword
      {0, 120, 120, false, false},    // variable
      {170, 100, 0, false, false}};   // number
  return styling;
}
