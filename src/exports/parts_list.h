// The parts list: the pieces of a model counted by kind and colour, as a
// text table, as CSV and as an HTML table, and a builder's collection read
// back from CSV to tell what is missing. Only text is made here; the caller
// writes the files.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "model/model_table.h"

// The pieces of one kind and one colour. The colour is the record's (the
// script's colour, else the kind's default), from the first piece met; pieces
// whose colours show the same (equal colourHex) count together.
struct PartCount {
  int kind = 0;
  float colour[4] = {0, 0, 0, 1};
  int count = 0;
};

// Which pieces to count, by piece number; an empty filter takes every one.
using PieceFilter = std::function<bool(int pieceNumber)>;

// The used records among the first recordCount of table (the model's
// usedPrefixLength()), counted, ordered by kind then colourHex.
std::vector<PartCount> countParts(const PieceRecord* table, int recordCount, const PieceFilter& chosen = {});

// The bytes of what the view shows, red, green, blue and alpha: each channel
// clamped to 0..1 (a NaN as 0) and rounded to 0..255. Every writer of a
// colour (lists, booklets, meshes) takes its colours from here.
std::array<unsigned char, 4> colourBytes(const float colour[4]);
// "#RRGGBB" of colourBytes.
std::string colourHex(const float colour[4]);
int totalCount(const std::vector<PartCount>& parts);

// Text as HTML character data, for the parts list and the booklet alike:
// escaped, valid UTF-8 (bytes that are not are read as Windows-1252), without
// the controls and non-characters that HTML forbids (a file name may hold
// any byte but the slash and NUL).
std::string htmlText(const std::string& text);

// The picture shown beside a part (an <img> src: a data: URI or a relative
// path), "" for none.
using PictureSource = std::function<std::string(const PartCount&)>;

// A <table> listing the parts with their picture (when pictures is set),
// name, colour swatch and count, and a total row. With have (a collection),
// two more columns: how many the collection holds and how many are
// missing. Styled inline, so it needs no style sheet.
std::string partsHtmlTable(const std::vector<PartCount>& parts, const PictureSource& pictures = {},
                           const std::vector<PartCount>* have = nullptr);
// A whole HTML5 page around that table, titled after the model's name.
std::string partsHtmlPage(const std::string& modelName, const std::vector<PartCount>& parts,
                          const PictureSource& pictures, const std::vector<PartCount>* have);
// Columns aligned for a terminal, with a total line.
std::string partsText(const std::vector<PartCount>& parts, const std::vector<PartCount>* have = nullptr);
// RFC 4180: a header row "Sorte,Pièce,Couleur,Quantité" (then "En stock,
// Manquant" with have), CR LF line ends, a last row for the total.
std::string partsCsv(const std::vector<PartCount>& parts, const std::vector<PartCount>* have = nullptr);

// A collection in that CSV form, or as a spreadsheet saves it: the columns
// are found by the header row (Sorte or Pièce, Couleur, Quantité, in any
// case; others are ignored), cut at commas, semicolons or tabs, whichever
// first gives them; piece names are matched in any case, an empty colour is
// the kind's default, rows of one kind and colour add up, the total row is
// skipped. False with a French reason (naming the line) for anything else:
// missing or twice-named columns, unknown kinds or names, bad colours, counts
// that are no whole number from 0 to MAX_COLLECTION_COUNT, binary data, more
// than MAX_COLLECTION_ROWS rows or 32 columns.
constexpr int MAX_COLLECTION_COUNT = 1000000;
constexpr int MAX_COLLECTION_ROWS = 10000;
bool readPartsCsv(const std::string& bytes, std::vector<PartCount>& parts, std::string& error);
