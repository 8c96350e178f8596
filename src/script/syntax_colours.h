// The colours of the script editor: each word of a line gets the style of
// what the compiler reads it as (comments, piece words, references and
// ports, keywords, variables, numbers), keywords matched as the compiler
// matches them (any case, most as prefixes).
#pragma once

#include <cstddef>

#include "platform/core_editor.h"

// A LineStyler: the text may be UTF-8 or Windows-1252.
bool styleScriptLine(const char* line, size_t length, char* styles, bool inBlockComment);
