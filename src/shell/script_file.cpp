#include "shell/script_file.h"

#include <algorithm>

#include "platform/core_files.h"
#include "platform/core_text_encoding.h"
#include "shell/documents.h"

namespace {
ScriptLines splitAtLineFeeds(const std::string& bytes) {
  ScriptLines lines;
  lines.text.reserve(bytes.size());
  lines.ends.reserve(size_t(std::count(bytes.begin(), bytes.end(), '\n')) + 1);
  size_t start = 0;
  for (;;) {
    const size_t end = bytes.find('\n', start);
    lines.push_back(std::string_view(bytes).substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return lines;
    start = end + 1;
  }
}
}  // namespace

ScriptLines scriptLinesFromUtf8(const std::string& utf8) {
  if (!hasNonAscii(utf8) || !isValidUtf8(utf8)) return splitAtLineFeeds(utf8);
  return splitAtLineFeeds(utf8ToCp1252(utf8));
}

ScriptLines splitScriptText(const std::string& bytes) {
  std::string text;
  DocumentFormat format;
  DocumentError error;
  if (decodeDocument(bytes, &text, &format, &error)) return scriptLinesFromUtf8(text);
  // A UTF-8 byte-order mark is no text of the script.
  return splitAtLineFeeds(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes);
}

bool readScriptFile(const char* path, ScriptLines& lines, std::string& error) {
  std::string bytes, text;
  DocumentFormat format;
  DocumentError failure;
  if (!readFileBytes(path, &bytes, &failure) || !decodeDocument(bytes, &text, &format, &failure)) {
    error = failure == DocumentError::CannotOpen ? fileReadErrorReason(FileReadError::CannotOpen, 0)
                                                 : documentErrorReason(failure);
    return false;
  }
  std::string().swap(bytes);
  lines = scriptLinesFromUtf8(text);
  return true;
}
