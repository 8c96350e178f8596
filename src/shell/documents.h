// Document files: the script text of the editor stored as a plain text file,
// one script line per line. Reading keeps every line whole and notes the
// file's encoding (Windows-1252 or UTF-8, with or without a byte-order mark)
// and its line ends (LF, CR LF or CR alone) so that saving writes the same form back.
// Saving goes through the safe writer (platform/core_safe_writer.h): a failed
// save leaves the old file as it was, its mode, owner and hard links stay,
// and a file nobody may write is refused. No GUI here: the file dialog is a
// hook.
#pragma once

#include <string>

#include "platform/core_editor.h"

enum class TextEncoding { Cp1252, Utf8 };

struct DocumentFormat {
  TextEncoding encoding = TextEncoding::Cp1252;
  bool crlf = false;           // every line end is CR LF (mixed ends stay in the text)
  bool cr = false;             // classic Mac ends: no LF in the file, and each CR ends a line
  bool byteOrderMark = false;  // the file begins with EF BB BF
};

enum class DocumentError {
  None,
  CannotOpen,    // missing, unreadable, or a read error
  NotAFile,      // a directory or a device
  Binary,        // holds NUL bytes: not a text file
  TooLarge,      // over maxDocumentBytes
  NameTooLong,   // the path does not fit documentName
  CannotWrite,   // temporary file, write, flush or rename failed
  ReadOnly,      // the file is protected: no write bit, or not ours to write
  PermissionDenied,  // the folder or the file's owner forbids the write
  DiskFull,      // no space, quota or file-size limit
  ReadOnlyDisk,  // a read-only file system
  FolderMissing, // the folder of the file (or of a link's target) is missing
  Cancelled,     // the file dialog was cancelled
};

constexpr long long maxDocumentBytes = 64LL * 1024 * 1024;

// Why the last document operation failed (None after a success).
DocumentError lastDocumentError();
// A French sentence for the reasons that the fixed messages do not say
// ("" for CannotOpen, CannotWrite and Cancelled).
const char* documentErrorReason(DocumentError error);

// Bytes of a file to editor text (UTF-8, lines split by '\n') and back.
bool decodeDocument(const std::string& bytes, std::string* utf8, DocumentFormat* format, DocumentError* error);
std::string encodeDocument(const std::string& utf8, const DocumentFormat& format);

bool readFileBytes(const char* path, std::string* bytes, DocumentError* error);
// Writes through the safe writer. A symbolic link is followed, never
// replaced; a dangling one makes the file it names.
bool writeFileAtomically(const char* path, const std::string& bytes, DocumentError* error);

// The file dialog, shown with the current document's path (empty when it
// has none): fills path and returns true, or false when cancelled.
using FileNameChooser = bool (*)(bool forSaving, const std::string& current, std::string* path);
void setFileNameChooser(FileNameChooser chooser);
bool chooseFileName(bool forSaving, const char* currentName, std::string* path);
// The folder the dialog opens in for a document without a name ("": the
// working folder).
void setUntitledFolder(const std::string& folder);

// The document operations. name is documentName (260 bytes); it changes only
// when a file was opened, saved under a chosen name, or a new document made.
// Save writes without asking only to the file last opened or saved; any
// other name (a missing file named at start-up) goes through Save As.
bool newDocument(char* name, const Editor& editor);
bool openDocumentFile(char* name, const Editor& editor);
// The file's text and form as a new document: name becomes "sans titre", so
// that Save asks where (for the installed examples).
bool openDocumentCopy(char* name, const Editor& editor, const char* path);
bool openDocumentDialog(char* name, const Editor& editor);
bool saveDocument(char* name, const Editor& editor);
bool saveDocumentAs(char* name, const Editor& editor);
bool isUntitled(const char* name);

// True when the editor text differs from what was last opened, saved or
// made new.
bool documentChanged(const Editor& editor);
void markDocumentUnchanged(const Editor& editor);
const DocumentFormat& currentDocumentFormat();
