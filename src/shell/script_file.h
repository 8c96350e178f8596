// Reading a script file into the compiler's lines without an editor.
#pragma once

#include <string>

#include "script/compiler.h"

// Splits at LF, dropping a CR before it; a file that is valid UTF-8 and holds
// non-ASCII bytes is converted to Windows-1252 first. An empty file is one
// empty line. False with a reason when the file cannot be read.
bool readScriptFile(const char* path, ScriptLines& lines, std::string& error);
// The same on bytes already read.
ScriptLines splitScriptText(const std::string& bytes);
