// The colours of the script editor: each word of a line gets the style of
// what the compiler reads it as (comments, piece words, references and
// ports, keywords, variables, numbers), keywords matched as the compiler
// matches them (any case, most as prefixes).
#pragma once

#include <cstddef>

#include "platform/core_editor.h"

// The styles of the script's words, by their letters in the editor.
enum EditorStyle : char {
  STYLE_PLAIN = 'A',
  STYLE_COMMENT,
  STYLE_PIECE,      // #8, and the frame marker's words
  STYLE_REFERENCE,  // %p1, @, and the ports after it
  STYLE_KEYWORD,    // blocks, functions, conditions, bindings, statements
  STYLE_VARIABLE,   // $a
  STYLE_NUMBER,
};

// A LineStyler: the text may be UTF-8 or Windows-1252.
bool styleScriptLine(const char* line, size_t length, char* styles, bool inBlockComment);
// The script editor's colours: styleScriptLine with the colour and weight of
// each style, block comments carried from line to line.
EditorStyling scriptStyling();
