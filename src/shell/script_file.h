// A script file read into the compiler's lines without an editor, through
// the same reader as the desktop program's documents.
#pragma once

#include <string>

#include "script/compiler.h"

// Reads the file as a document (a regular file of at most 64 MB, not binary,
// Windows-1252 or UTF-8, LF, CR LF or CR line ends) and gives its lines in
// Windows-1252. False with a French reason when the file cannot be read.
bool readScriptFile(const char* path, ScriptLines& lines, std::string& error);
// The editor's UTF-8 text (or a decoded document) as the compiler's lines:
// split at LF, in Windows-1252 when the text is valid UTF-8.
ScriptLines scriptLinesFromUtf8(const std::string& utf8);
// File bytes already read, decoded as a document; bytes with NULs (which a
// document refuses) are split as they are.
ScriptLines splitScriptText(const std::string& bytes);
