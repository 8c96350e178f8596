// Document files: reading with encoding and line-end detection, writing back
// in the same form through a temporary file, and the document operations.
#include "shell/documents.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/core_files.h"
#include "platform/core_safe_writer.h"
#include "platform/core_text_encoding.h"

namespace {
constexpr int nameCapacity = 260;
const char untitledName[] = "sans titre";
const char utf8Mark[] = "\xEF\xBB\xBF";

DocumentError lastError = DocumentError::None;
DocumentFormat currentFormat;
std::string savedText;  // editor text as last opened, saved or made new
// The path last opened or saved: Save writes only there without asking.
std::string confirmedName;
FileNameChooser fileNameChooser = nullptr;
std::string untitledFolder;

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

// The document's reasons for what the safe writer met.
DocumentError documentErrorOf(WriteProblem problem) {
  switch (problem) {
    case WriteProblem::NONE: return DocumentError::None;
    case WriteProblem::NOT_A_FILE: return DocumentError::NotAFile;
    case WriteProblem::READ_ONLY: return DocumentError::ReadOnly;
    case WriteProblem::PERMISSION_DENIED:
    case WriteProblem::FOREIGN_LINK: return DocumentError::PermissionDenied;
    case WriteProblem::DISK_FULL: return DocumentError::DiskFull;
    case WriteProblem::READ_ONLY_DISK: return DocumentError::ReadOnlyDisk;
    case WriteProblem::FOLDER_MISSING: return DocumentError::FolderMissing;
    default: return DocumentError::CannotWrite;
  }
}

// The file's text in the editor, as it was last opened or saved.
bool readDocument(const char* path, const Editor& editor) {
  std::string bytes, text;
  DocumentFormat format;
  DocumentError error;
  if (!readFileBytes(path, &bytes, &error) || !decodeDocument(bytes, &text, &format, &error)) return fail(error);
  setEditorTextUtf8(editor, text);
  currentFormat = format;
  savedText = text;
  return true;
}

bool writeDocument(const char* name, const Editor& editor) {
  const std::string text = editorTextUtf8(editor);
  DocumentError error;
  if (!writeFileAtomically(name, encodeDocument(text, currentFormat), &error)) return fail(error);
  savedText = text;
  return succeed();
}
}  // namespace

DocumentError lastDocumentError() { return lastError; }

const char* documentErrorReason(DocumentError error) {
  switch (error) {
    case DocumentError::NotAFile: return writeProblemText(WriteProblem::NOT_A_FILE);
    case DocumentError::Binary: return "Ce fichier n'est pas un fichier texte.";
    case DocumentError::TooLarge: return "Ce fichier est trop grand (64 Mo au plus).";
    case DocumentError::NameTooLong: return "Le chemin de ce fichier est trop long (259 caractères au plus).";
    case DocumentError::ReadOnly: return writeProblemText(WriteProblem::READ_ONLY);
    case DocumentError::PermissionDenied: return writeProblemText(WriteProblem::PERMISSION_DENIED);
    case DocumentError::DiskFull: return writeProblemText(WriteProblem::DISK_FULL);
    case DocumentError::ReadOnlyDisk: return writeProblemText(WriteProblem::READ_ONLY_DISK);
    case DocumentError::FolderMissing: return writeProblemText(WriteProblem::FOLDER_MISSING);
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

bool writeFileAtomically(const char* path, const std::string& bytes, DocumentError* error) {
  *error = path && *path ? documentErrorOf(writeFileSafely(path, bytes).problem) : DocumentError::CannotWrite;
  return *error == DocumentError::None;
}

void setFileNameChooser(FileNameChooser chooser) { fileNameChooser = chooser; }

void setUntitledFolder(const std::string& folder) { untitledFolder = folder; }

bool chooseFileName(bool forSaving, const char* currentName, std::string* path) {
  path->clear();
  std::string current = isUntitled(currentName) ? "" : currentName;
  if (current.empty() && !untitledFolder.empty()) current = untitledFolder + "/" + untitledName + ".vxo";
  return fileNameChooser && fileNameChooser(forSaving, current, path) && !path->empty();
}

bool isUntitled(const char* name) { return ::strcasecmp(name, untitledName) == 0; }

bool newDocument(char* name, const Editor& editor) {
  clearEditorText(editor);
  copyName(name, untitledName);
  currentFormat = DocumentFormat{};
  savedText.clear();
  confirmedName.clear();
  return succeed();
}

bool openDocumentFile(char* name, const Editor& editor) {
  if (!readDocument(name, editor)) return false;
  confirmedName = name;
  return succeed();
}

bool openDocumentCopy(char* name, const Editor& editor, const char* path) {
  if (!readDocument(path, editor)) return false;
  copyName(name, untitledName);
  confirmedName.clear();
  return succeed();
}

bool openDocumentDialog(char* name, const Editor& editor) {
  std::string path;
  if (!chooseFileName(false, name, &path)) return fail(DocumentError::Cancelled);
  if (!fitsName(path)) return fail(DocumentError::NameTooLong);
  char chosen[nameCapacity];
  copyName(chosen, path);
  if (!openDocumentFile(chosen, editor)) return false;
  copyName(name, path);
  return true;
}

bool saveDocument(char* name, const Editor& editor) {
  // A name the user never opened nor chose (a missing file named on the
  // command line) is asked for first.
  if (isUntitled(name) || confirmedName != name) return saveDocumentAs(name, editor);
  return writeDocument(name, editor);
}

bool saveDocumentAs(char* name, const Editor& editor) {
  std::string path;
  if (!chooseFileName(true, name, &path)) return fail(DocumentError::Cancelled);
  if (!fitsName(path)) return fail(DocumentError::NameTooLong);
  // A failed save keeps the previous name, so that Save does not go on
  // writing where nothing could be written.
  char chosen[nameCapacity];
  copyName(chosen, path);
  if (!writeDocument(chosen, editor)) return false;
  copyName(name, path);
  confirmedName = path;
  return true;
}

bool documentChanged(const Editor& editor) { return editorTextUtf8(editor) != savedText; }

void markDocumentUnchanged(const Editor& editor) { savedText = editorTextUtf8(editor); }

const DocumentFormat& currentDocumentFormat() { return currentFormat; }
