// Fuzz target: the document reader of the desktop program (Open and Save)
// over any file contents. Checks that only files with NUL bytes are refused
// as binary, that the editor gets well-formed UTF-8 and keeps it, that the
// compiler reads the same lines from the editor as from the command line's
// reader of the same file, and that a file opened and saved
// without a change keeps every byte, both through decodeDocument and
// encodeDocument and through openDocumentFile and saveDocument on disk.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz_support.h"
#include "platform/core_editor.h"
#include "platform/core_text_encoding.h"
#include "shell/documents.h"
#include "shell/script_file.h"

namespace {
Editor editor;

// CRs at the end of a line are blanks to the compiler: lines compare
// without them.
std::vector<std::string_view> withoutFinalCarriageReturns(const ScriptLines& lines) {
  std::vector<std::string_view> out;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view line = lines[i];
    while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.push_back(line);
  }
  return out;
}

std::string fileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void checkSavedUnchanged(const uint8_t* data, size_t size, const std::string& bytes) {
  const std::string& path = writeScratchFile(data, size);
  char name[260];
  FUZZ_CHECK(path.size() < sizeof name);
  std::snprintf(name, sizeof name, "%s", path.c_str());
  FUZZ_CHECK(openDocumentFile(name, editor));
  FUZZ_CHECK(!documentChanged(editor));
  FUZZ_CHECK(saveDocument(name, editor));
  FUZZ_CHECK(fileBytes(path) == bytes);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  captureMessages();
  editor = makeHeadlessEditor();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  DocumentFormat format;
  DocumentError error;
  const bool binary = bytes.find('\0') != std::string::npos;
  if (!decodeDocument(bytes, &text, &format, &error)) {
    FUZZ_CHECK(binary && error == DocumentError::Binary);
    return 0;
  }
  FUZZ_CHECK(!binary && error == DocumentError::None);
  FUZZ_CHECK(isValidUtf8(text));

  setEditorTextUtf8(editor, text);
  FUZZ_CHECK(editorTextUtf8(editor) == text);
  const ScriptLines editorLines = readEditorLines(editor), fileLines = splitScriptText(bytes);
  FUZZ_CHECK(withoutFinalCarriageReturns(editorLines) == withoutFinalCarriageReturns(fileLines));

  // Read and written back, a document keeps its bytes.
  FUZZ_CHECK(encodeDocument(editorTextUtf8(editor), format) == bytes);
  checkSavedUnchanged(data, size, bytes);
  FUZZ_CHECK(shownMessages().empty());
  return 0;
}
