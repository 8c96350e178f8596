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
// The path last opened or saved: Save writes only there without asking.
std::string confirmedName;
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

// New files get the usual permissions; a replaced file keeps its own.
mode_t modeForNewFile() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

DocumentError errorOfErrno(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return DocumentError::DiskFull;
    case EROFS: return DocumentError::ReadOnlyDisk;
    case EACCES:
    case EPERM: return DocumentError::PermissionDenied;
    case ENOENT:
    case ENOTDIR: return DocumentError::FolderMissing;
    case EISDIR:
    case ELOOP: return DocumentError::NotAFile;
    default: return DocumentError::CannotWrite;
  }
}

// The file a save writes: the path itself, or the end of its chain of
// symbolic links, which may not exist yet (a dangling link). The links stay.
bool followLinks(const std::string& path, std::string* target) {
  std::string current = path;
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    char next[PATH_MAX];
    const bool link = ::lstat(current.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    const ssize_t length = link ? ::readlink(current.c_str(), next, PATH_MAX - 1) : -1;
    if (length <= 0) {
      *target = current;
      return true;
    }
    const std::string linked(next, size_t(length));
    current = linked.front() == '/' ? linked : directoryOf(current) + "/" + linked;
  }
  return false;
}

// A file nobody may write is left alone even by root, as careful editors do;
// the folder being writable is no leave to replace it.
DocumentError writeRefusal(const std::string& target, const struct stat& st) {
  if ((st.st_mode & 0222) == 0) return DocumentError::ReadOnly;
  if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) == 0) return DocumentError::None;
  return errorOfErrno(errno);
}

bool writeAllFromStart(int fd, const std::string& bytes) {
  errno = EIO;
  return ::lseek(fd, 0, SEEK_SET) == 0 && writeAllBytes(fd, bytes) && ::ftruncate(fd, off_t(bytes.size())) == 0 &&
         ::fsync(fd) == 0;
}

void syncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes a new file beside the target and renames it over the target; the
// old file stays whole until the rename. owner: the replaced file, whose
// owner and group the new one takes.
DocumentError replaceByRename(const std::string& target, const std::string& bytes, mode_t mode,
                              const struct stat* owner) {
  const size_t slash = target.rfind('/');
  const std::string folder = directoryOf(target);
  std::string temporary = folder + "/." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return errorOfErrno(errno);
  errno = EIO;
  bool ok = writeAllBytes(fd, bytes) && (!owner || ::fchown(fd, owner->st_uid, owner->st_gid) == 0) &&
            ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  int failure = ok ? 0 : errno;
  if (::close(fd) != 0 && ok) ok = false, failure = errno;
  if (ok && ::rename(temporary.c_str(), target.c_str()) != 0) ok = false, failure = errno;
  if (!ok) ::unlink(temporary.c_str());
  if (ok) syncFolder(folder);
  return ok ? DocumentError::None : errorOfErrno(failure);
}

// Writes the file's own inode, so that its hard links, owner, group, mode
// and extended attributes stay; the old content, kept in memory, is put back
// when the write fails (it fits where it was).
DocumentError rewriteInPlace(const std::string& target, const std::string& bytes) {
  std::string old;
  DocumentError readError;
  if (!readFileBytes(target.c_str(), &old, &readError))
    return readError == DocumentError::TooLarge ? readError : DocumentError::CannotWrite;
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return errorOfErrno(errno);
  int failure = writeAllFromStart(fd, bytes) ? 0 : errno;
  if (failure) writeAllFromStart(fd, old);
  if (::close(fd) != 0 && !failure) failure = errno;
  return failure ? errorOfErrno(failure) : DocumentError::None;
}

DocumentError saveBytes(const char* path, const std::string& bytes) {
  std::string target;
  if (!followLinks(path, &target)) return DocumentError::NotAFile;
  struct stat st;
  if (::stat(target.c_str(), &st) != 0)
    return errno == ENOENT ? replaceByRename(target, bytes, modeForNewFile(), nullptr) : errorOfErrno(errno);
  if (!S_ISREG(st.st_mode)) return DocumentError::NotAFile;
  if (const DocumentError refused = writeRefusal(target, st); refused != DocumentError::None) return refused;
  if (st.st_nlink > 1) return rewriteInPlace(target, bytes);
  const DocumentError renamed = replaceByRename(target, bytes, st.st_mode & 07777, &st);
  // A new file could not take the old one's owner, or the folder is closed
  // to us: the file itself is still ours to write.
  return renamed == DocumentError::PermissionDenied ? rewriteInPlace(target, bytes) : renamed;
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
    case DocumentError::NotAFile: return "Ce chemin ne désigne pas un fichier ordinaire.";
    case DocumentError::Binary: return "Ce fichier n'est pas un fichier texte.";
    case DocumentError::TooLarge: return "Ce fichier est trop grand (64 Mo au plus).";
    case DocumentError::NameTooLong: return "Le chemin de ce fichier est trop long (259 caractères au plus).";
    case DocumentError::ReadOnly: return "Ce fichier est protégé en écriture (lecture seule).";
    case DocumentError::PermissionDenied: return "Vous n'avez pas le droit d'écrire ce fichier ou dans son dossier.";
    case DocumentError::DiskFull: return "Le disque est plein (ou la taille permise d'un fichier est atteinte).";
    case DocumentError::ReadOnlyDisk: return "Ce disque est en lecture seule.";
    case DocumentError::FolderMissing: return "Le dossier de ce fichier n'existe pas.";
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
  // A write past a file-size limit must fail with an error, not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  *error = path && *path ? saveBytes(path, bytes) : DocumentError::CannotWrite;
  return *error == DocumentError::None;
}

void setFileNameChooser(FileNameChooser chooser) { fileNameChooser = chooser; }

bool chooseFileName(bool forSaving, const char* currentName, std::string* path) {
  path->clear();
  const std::string current = isUntitled(currentName) ? "" : currentName;
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
