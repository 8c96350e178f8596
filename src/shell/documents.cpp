// Document files: reading with encoding and line-end detection, writing back
// in the same form through a temporary file, and the document operations.
#include "shell/documents.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "platform/core_files.h"
#include "platform/core_text_encoding.h"

namespace {
constexpr int nameCapacity = 260;
const char untitledName[] = "sans titre";
const char utf8Mark[] = "\xEF\xBB\xBF";

DocumentError lastError = DocumentError::None;
DocumentFormat currentFormat;
std::string savedText;  // editor text as last opened, saved or made new
FileNameChooser fileNameChooser = nullptr;

bool fail(DocumentError error) {
  lastError = error;
  return false;
}

bool succeed() {
  lastError = DocumentError::None;
  return true;
}

bool fitsName(const std::string& path) { return !path.empty() && path.size() < size_t(nameCapacity); }

void copyName(char* name, const std::string& path) {
  std::snprintf(name, nameCapacity, "%s", path.c_str());
}

std::string removeCarriageReturnsBeforeLineFeeds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

std::string withCarriageReturns(const std::string& text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

bool writeAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

// New files get the usual permissions; a replaced file keeps its own.
mode_t modeForNewFile() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The file a save really replaces: the target of a symbolic link, or the
// path itself. Empty when the path names something that is not a file.
std::string saveTarget(const char* path, mode_t* mode) {
  struct stat st;
  *mode = modeForNewFile();
  if (::stat(path, &st) != 0) return errno == ENOENT ? path : "";
  if (!S_ISREG(st.st_mode)) return "";
  *mode = st.st_mode & 07777;
  char resolved[PATH_MAX];
  return ::realpath(path, resolved) ? resolved : path;
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeDocument(const char* name, const Editor& editor) {
  const std::string text = editorTextUtf8(editor);
  if (!writeFileAtomically(name, encodeDocument(text, currentFormat))) return fail(DocumentError::CannotWrite);
  savedText = text;
  return succeed();
}
}  // namespace

DocumentError lastDocumentError() { return lastError; }

const char* documentErrorReason(DocumentError error) {
  switch (error) {
    case DocumentError::NotAFile: return "Ce chemin ne désigne pas un fichier ordinaire.";
    case DocumentError::Binary: return "Ce fichier n'est pas un fichier texte.";
    case DocumentError::TooLarge: return "Ce fichier est trop grand (64 Mo au plus).";
    case DocumentError::NameTooLong: return "Le chemin de ce fichier est trop long (259 caractères au plus).";
    default: return "";
  }
}

bool decodeDocument(const std::string& bytes, std::string* utf8, DocumentFormat* format, DocumentError* error) {
  if (bytes.find('\0') != std::string::npos) {
    *error = DocumentError::Binary;
    return false;
  }
  DocumentFormat found;
  std::string body = bytes;
  if (body.compare(0, 3, utf8Mark) == 0) {
    found.byteOrderMark = true;
    body.erase(0, 3);
  }
  // CR LF ends only when every line end is one: a file that mixes them keeps
  // its CRs in the text, so that saving writes each line end back as it was.
  size_t lineFeeds = 0, crlfEnds = 0;
  for (size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\n') continue;
    ++lineFeeds;
    if (i > 0 && body[i - 1] == '\r') ++crlfEnds;
  }
  found.crlf = lineFeeds > 0 && crlfEnds == lineFeeds;
  if (found.crlf) body = removeCarriageReturnsBeforeLineFeeds(body);
  found.cr = lineFeeds == 0 && body.find('\r') != std::string::npos;
  if (found.cr) std::replace(body.begin(), body.end(), '\r', '\n');
  const bool utf8Text = isValidUtf8(body) && (hasNonAscii(body) || found.byteOrderMark);
  found.encoding = utf8Text ? TextEncoding::Utf8 : TextEncoding::Cp1252;
  *utf8 = utf8Text ? body : cp1252ToUtf8(body);
  *format = found;
  *error = DocumentError::None;
  return true;
}

std::string encodeDocument(const std::string& utf8, const DocumentFormat& format) {
  std::string body = format.crlf ? withCarriageReturns(utf8) : utf8;
  if (format.cr) std::replace(body.begin(), body.end(), '\n', '\r');
  if (format.encoding == TextEncoding::Cp1252) {
    // A character Windows-1252 cannot hold would be lost: keep UTF-8 then.
    const std::string narrow = utf8ToCp1252(body);
    // A mark the file began with goes back too, even before Windows-1252 text.
    if (cp1252ToUtf8(narrow) == body) return format.byteOrderMark ? utf8Mark + narrow : narrow;
  }
  return format.byteOrderMark ? utf8Mark + body : body;
}

bool readFileBytes(const char* path, std::string* bytes, DocumentError* error) {
  *error = DocumentError::CannotOpen;
  switch (readRegularFile(path, maxDocumentBytes, bytes)) {
    case FileReadError::None: *error = DocumentError::None; return true;
    case FileReadError::CannotOpen: *error = DocumentError::CannotOpen; return false;
    case FileReadError::NotAFile: *error = DocumentError::NotAFile; return false;
    case FileReadError::TooLarge: *error = DocumentError::TooLarge; return false;
  }
  return false;
}

bool writeFileAtomically(const char* path, const std::string& bytes) {
  // A write past a file-size limit must fail with an error, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  if (!path || !*path) return false;
  mode_t mode;
  const std::string target = saveTarget(path, &mode);
  if (target.empty()) return false;
  const size_t slash = target.rfind('/');
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temporary = directoryOf(target) + "/." + base + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return false;
  bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

void setFileNameChooser(FileNameChooser chooser) { fileNameChooser = chooser; }

bool chooseFileName(bool forSaving, std::string* path) {
  path->clear();
  return fileNameChooser && fileNameChooser(forSaving, path) && !path->empty();
}

bool isUntitled(const char* name) { return ::strcasecmp(name, untitledName) == 0; }

bool newDocument(char* name, const Editor& editor) {
  clearEditorText(editor);
  copyName(name, untitledName);
  currentFormat = DocumentFormat{};
  savedText.clear();
  return succeed();
}

bool openDocumentFile(char* name, const Editor& editor) {
  std::string bytes, text;
  DocumentFormat format;
  DocumentError error;
  if (!readFileBytes(name, &bytes, &error) || !decodeDocument(bytes, &text, &format, &error)) return fail(error);
  setEditorTextUtf8(editor, text);
  currentFormat = format;
  savedText = text;
  return succeed();
}

bool openDocumentDialog(char* name, const Editor& editor) {
  std::string path;
  if (!chooseFileName(false, &path)) return fail(DocumentError::Cancelled);
  if (!fitsName(path)) return fail(DocumentError::NameTooLong);
  char chosen[nameCapacity];
  copyName(chosen, path);
  if (!openDocumentFile(chosen, editor)) return false;
  copyName(name, path);
  return true;
}

bool saveDocument(char* name, const Editor& editor) {
  if (isUntitled(name)) return saveDocumentAs(name, editor);
  return writeDocument(name, editor);
}

bool saveDocumentAs(char* name, const Editor& editor) {
  std::string path;
  if (!chooseFileName(true, &path)) return fail(DocumentError::Cancelled);
  if (!fitsName(path)) return fail(DocumentError::NameTooLong);
  copyName(name, path);
  return writeDocument(name, editor);
}

bool documentChanged(const Editor& editor) { return editorTextUtf8(editor) != savedText; }

void markDocumentUnchanged(const Editor& editor) { savedText = editorTextUtf8(editor); }

const DocumentFormat& currentDocumentFormat() { return currentFormat; }
