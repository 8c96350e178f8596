// Reading a builder's collection: the parts list's own CSV form, or any CSV
// a spreadsheet saves with the same column names (separated by commas,
// semicolons or tabs, in any case), through libcsv.
#include <csv.h>

#include <algorithm>
#include <cctype>
#include <map>

#include "exports/parts_list.h"
#include "pieces/catalogue.h"
#include "pieces/kind_names.h"
#include "platform/core_text_encoding.h"

namespace {
using Row = std::vector<std::string>;

// A collection has a few columns; with the row limit this bounds the
// memory a hostile file (all commas, say) can take.
constexpr size_t MAX_COLUMNS = 32;

struct CsvRows {
  std::vector<Row> rows;
  Row current;
  bool tooMany = false;
  bool tooWide = false;
  bool headerOnly = false;  // stop after the first row
};

void addField(void* text, size_t length, void* context) {
  auto* rows = static_cast<CsvRows*>(context);
  if (rows->tooMany || rows->tooWide) return;
  if (rows->current.size() == MAX_COLUMNS) rows->tooWide = true;
  else rows->current.emplace_back(static_cast<const char*>(text), length);
}

void endRow(int, void* context) {
  auto* rows = static_cast<CsvRows*>(context);
  if (rows->rows.size() == size_t(MAX_COLLECTION_ROWS) || (rows->headerOnly && !rows->rows.empty()))
    rows->tooMany = true;
  if (!rows->tooMany && !rows->tooWide) rows->rows.push_back(std::move(rows->current));
  rows->current.clear();
}

bool fail(std::string& error, const std::string& text) {
  error = text;
  return false;
}

// Blanks around fields are dropped, but a tab is no blank where it separates.
int isBlank(unsigned char c) { return c == ' ' || c == '\t'; }
int isSpace(unsigned char c) { return c == ' '; }

// Parses text cut at separator into rows; the caller reads the errors.
bool parseCsv(const std::string& text, unsigned char separator, CsvRows& rows, int& code) {
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) return code = CSV_ENOMEM, false;
  csv_set_delim(&parser, separator);
  csv_set_space_func(&parser, separator == '\t' ? isSpace : isBlank);
  const bool parsed = csv_parse(&parser, text.data(), text.size(), addField, endRow, &rows) == text.size() &&
                      csv_fini(&parser, addField, endRow, &rows) == 0;
  code = csv_error(&parser);
  csv_free(&parser);
  return parsed;
}

bool splitRows(const std::string& text, unsigned char separator, CsvRows& rows, std::string& error) {
  int code = 0;
  if (!parseCsv(text, separator, rows, code))
    return fail(error, code == CSV_EPARSE ? "ce n'est pas du CSV valable (guillemet non fermé ou mal placé)"
                                          : "mémoire insuffisante pour lire ce CSV");
  if (rows.tooMany) return fail(error, "plus de " + std::to_string(MAX_COLLECTION_ROWS) + " lignes");
  if (rows.tooWide) return fail(error, "ligne " + std::to_string(rows.rows.size() + 1) + " : plus de " +
                                           std::to_string(MAX_COLUMNS) + " colonnes");
  if (rows.rows.empty()) return fail(error, "le fichier est vide");
  return true;
}

std::string trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A field as the message shows it: short, without control characters.
std::string quoted(const std::string& text) {
  size_t length = std::min<size_t>(text.size(), 40);
  while (length < text.size() && (text[length] & 0xC0) == 0x80) --length;  // a whole last character
  std::string shown;
  for (char c : text.substr(0, length)) shown += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
  return "« " + shown + (length < text.size() ? "…" : "") + " »";
}

struct Columns {
  int kind = -1, name = -1, colour = -1, count = -1;
  bool found() const { return (kind >= 0 || name >= 0) && count >= 0; }
};

// The column a header names, or nullptr for a column that is not read.
int* columnNamed(Columns& c, const std::string& header) {
  const std::string name = lowerCase(trimmed(header));
  if (name == "sorte") return &c.kind;
  if (name == "pièce" || name == "piece") return &c.name;
  if (name == "couleur") return &c.colour;
  if (name == "quantité" || name == "quantite") return &c.count;
  return nullptr;
}

// A column named twice is refused: which of the two is meant cannot be told.
bool findColumns(const Row& header, Columns& c, std::string& error) {
  for (int i = 0; i < int(header.size()); ++i) {
    int* column = columnNamed(c, header[i]);
    if (!column) continue;
    if (*column >= 0)
      return fail(error, "ligne 1, colonne " + std::to_string(i + 1) + " : une deuxième colonne " +
                             quoted(trimmed(header[i])) + " (la première est la colonne " +
                             std::to_string(*column + 1) + ")");
    *column = i;
  }
  return true;
}

// The separator of the header row: the first of comma, semicolon (French
// spreadsheets) and tab that cuts it into the columns a collection needs;
// a comma when none does, whose columns are then refused.
unsigned char findSeparator(const std::string& text) {
  for (const unsigned char separator : {',', ';', '\t'}) {
    CsvRows header;
    header.headerOnly = true;
    int code = 0;
    parseCsv(text, separator, header, code);
    Columns columns;
    std::string error;
    if (!header.rows.empty() && (!findColumns(header.rows[0], columns, error) || columns.found())) return separator;
  }
  return ',';
}

std::string field(const Row& row, int column) {
  return column >= 0 && column < int(row.size()) ? trimmed(row[column]) : "";
}

// A whole number from 0 to limit, digits only.
bool readWhole(const std::string& text, long long limit, long long& value) {
  if (text.empty() || text.size() > 12 || !std::all_of(text.begin(), text.end(), ::isdigit)) return false;
  value = std::stoll(text);
  return value <= limit;
}

// Names as the parts list writes them, in any case: "connecteur rond 8 clips".
int kindNamedInAnyCase(const std::string& name) {
  const std::string wanted = lowerCase(name);
  for (int kind = 0; kind < KIND_COUNT; ++kind)
    if (lowerCase(kindName(kind)) == wanted) return kind;
  return -1;
}

bool readKind(const Row& row, const Columns& c, int& kind, std::string& error) {
  const std::string number = field(row, c.kind), name = field(row, c.name);
  long long value = 0;
  if (!number.empty()) {
    if (!readWhole(number, KIND_COUNT - 1, value))
      return fail(error, "sorte inconnue " + quoted(number) + " (de 0 à " + std::to_string(KIND_COUNT - 1) + ")");
    kind = int(value);
    return true;
  }
  kind = kindNamedInAnyCase(name);
  if (kind < 0) return fail(error, name.empty() ? "ni sorte ni pièce" : "pièce inconnue " + quoted(name));
  return true;
}

bool readColour(const std::string& text, int kind, float colour[4]) {
  std::copy(kindColours[kind], kindColours[kind] + 4, colour);
  if (text.empty()) return true;
  const std::string hex = text[0] == '#' ? text.substr(1) : text;
  if (hex.size() != 6 || !std::all_of(hex.begin(), hex.end(), ::isxdigit)) return false;
  for (int i = 0; i < 3; ++i) colour[i] = float(std::stoi(hex.substr(2 * i, 2), nullptr, 16)) / 255.0f;
  return true;
}

bool readRow(const Row& row, const Columns& c, PartCount& part, std::string& error) {
  if (!readKind(row, c, part.kind, error)) return false;
  const std::string colour = field(row, c.colour), count = field(row, c.count);
  if (!readColour(colour, part.kind, part.colour))
    return fail(error, "couleur " + quoted(colour) + " illisible (attendu #RRVVBB, par exemple #FF8000)");
  long long value = 0;
  if (!readWhole(count, MAX_COLLECTION_COUNT, value))
    return fail(error,
                "quantité " + quoted(count) + " : un nombre entier de 0 à " + std::to_string(MAX_COLLECTION_COUNT));
  part.count = int(value);
  return true;
}

// The total row of our own files, and the empty rows spreadsheets leave.
bool isSkippedRow(const Row& row, const Columns& c) {
  if (field(row, c.kind).empty() && lowerCase(field(row, c.name)) == "total") return true;
  return std::all_of(row.begin(), row.end(), [](const std::string& f) { return trimmed(f).empty(); });
}

// A UTF-8 byte-order mark says nothing more than "text": it is dropped
// before the rest is read, as UTF-8 when it is, else as Windows-1252 (some
// programs put the mark before text of the other form).
std::string collectionText(const std::string& bytes) {
  const std::string rest = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
  return isValidUtf8(rest) ? rest : cp1252ToUtf8(rest);
}
}  // namespace

bool readPartsCsv(const std::string& bytes, std::vector<PartCount>& parts, std::string& error) {
  if (bytes.find('\0') != std::string::npos) return fail(error, "ce n'est pas un fichier texte (octets nuls)");
  const std::string text = collectionText(bytes);
  CsvRows rows;
  if (!splitRows(text, findSeparator(text), rows, error)) return false;
  Columns columns;
  if (!findColumns(rows.rows[0], columns, error)) return false;
  if (!columns.found())
    return fail(error, "ligne 1 : les colonnes Sorte (ou Pièce), Couleur et Quantité sont attendues");
  std::map<std::pair<int, std::string>, PartCount> counts;
  for (size_t i = 1; i < rows.rows.size(); ++i) {
    if (isSkippedRow(rows.rows[i], columns)) continue;
    PartCount part;
    if (!readRow(rows.rows[i], columns, part, error))
      return fail(error, "ligne " + std::to_string(i + 1) + " : " + error);
    PartCount& sum = counts[{part.kind, colourHex(part.colour)}];
    if (sum.count + part.count > MAX_COLLECTION_COUNT)
      return fail(error, "ligne " + std::to_string(i + 1) + " : plus de " + std::to_string(MAX_COLLECTION_COUNT) +
                             " pièces de cette sorte et couleur");
    part.count += sum.count;
    sum = part;
  }
  parts.clear();
  for (const auto& entry : counts) parts.push_back(entry.second);
  return true;
}
