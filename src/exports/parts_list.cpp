#include "exports/parts_list.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <utility>

#include "pieces/kind_names.h"
#include "platform/core_text_encoding.h"

namespace {
using PartKey = std::pair<int, std::string>;  // kind, colourHex
using CountIndex = std::map<PartKey, int>;

CountIndex indexCounts(const std::vector<PartCount>* parts) {
  CountIndex index;
  if (parts)
    for (const PartCount& p : *parts) index[{p.kind, colourHex(p.colour)}] += p.count;
  return index;
}

int lookUp(const CountIndex& index, const PartCount& part) {
  const auto found = index.find({part.kind, colourHex(part.colour)});
  return found == index.end() ? 0 : found->second;
}

int missing(const CountIndex& have, const PartCount& part) { return std::max(0, part.count - lookUp(have, part)); }

struct Totals {
  long long needed = 0, held = 0, lacking = 0;
};

Totals totalsOf(const std::vector<PartCount>& parts, const CountIndex& have) {
  Totals t;
  for (const PartCount& p : parts) {
    t.needed += p.count;
    t.held += lookUp(have, p);
    t.lacking += missing(have, p);
  }
  return t;
}

std::string cell(const char* tag, const std::string& content, const char* style = "") {
  return std::string("<") + tag + " style=\"border:1px solid #bbb;padding:2px 8px;" + style + "\">" + content +
         "</" + tag + ">";
}

std::string numberCell(long long n) { return cell("td", std::to_string(n), "text-align:right"); }

std::string swatch(const std::string& hex) {
  return "<span style=\"display:inline-block;width:1.2em;height:1.2em;vertical-align:middle;border:1px solid #555;"
         "background:" + hex + "\"></span> " + hex;
}

std::string htmlRow(const PartCount& p, const PictureSource& pictures, const CountIndex* have) {
  std::string row = "<tr>";
  if (pictures) {
    const std::string src = pictures(p);
    const std::string image = "<img src=\"" + htmlText(src) + "\" alt=\"" + htmlText(kindName(p.kind)) + "\">";
    row += cell("td", src.empty() ? "" : image);
  }
  row += cell("td", htmlText(kindName(p.kind))) + cell("td", swatch(colourHex(p.colour))) + numberCell(p.count);
  if (have) row += numberCell(lookUp(*have, p)) + numberCell(missing(*have, p));
  return row + "</tr>\n";
}

// Display width of UTF-8 text: its characters, not its bytes.
int textWidth(const std::string& text) {
  return int(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

std::string padding(const std::string& text, int width) {
  return std::string(std::max(0, width - textWidth(text)), ' ');
}
std::string padRight(const std::string& text, int width) { return text + padding(text, width); }
std::string padLeft(const std::string& text, int width) { return padding(text, width) + text; }

std::string textLine(const std::vector<std::string>& fields, int nameWidth) {
  std::string line = padRight(fields[0], nameWidth) + "  " + padRight(fields[1], 7);
  for (size_t i = 2; i < fields.size(); ++i) line += "  " + padLeft(fields[i], 9);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line + "\n";
}

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string csvRow(const std::vector<std::string>& fields) {
  std::string row;
  for (size_t i = 0; i < fields.size(); ++i) row += (i ? "," : "") + csvField(fields[i]);
  return row + "\r\n";
}
}  // namespace

std::string htmlText(const std::string& text) {
  const std::string utf8 = isValidUtf8(text) ? text : cp1252ToUtf8(text);
  std::string out;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    const size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    uint32_t code = length == 1 ? c : length == 2 ? c & 0x1F : length == 3 ? c & 0x0F : c & 0x07;
    for (size_t k = 1; k < length; ++k) code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    const std::string one = utf8.substr(i, length);
    i += length;
    const bool forbidden = (code < 0x20 && code != '\t' && code != '\n') || (code >= 0x7F && code < 0xA0) ||
                           (code >= 0xFDD0 && code <= 0xFDEF) || (code & 0xFFFE) == 0xFFFE;
    if (forbidden) continue;
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '"' ? "&quot;" : one;
  }
  return out;
}

std::array<unsigned char, 4> colourBytes(const float colour[4]) {
  std::array<unsigned char, 4> bytes;
  for (size_t i = 0; i < 4; ++i) {
    const float c = std::isnan(colour[i]) ? 0.0f : std::clamp(colour[i], 0.0f, 1.0f);
    bytes[i] = (unsigned char)std::lround(c * 255.0f);
  }
  return bytes;
}

std::string colourHex(const float colour[4]) {
  const std::array<unsigned char, 4> bytes = colourBytes(colour);
  char hex[8];
  std::snprintf(hex, sizeof hex, "#%02X%02X%02X", bytes[0], bytes[1], bytes[2]);
  return hex;
}

std::vector<PartCount> countParts(const PieceRecord* table, int recordCount, const PieceFilter& chosen) {
  std::map<PartKey, PartCount> counts;
  for (int n = 0; n < std::min(recordCount, MODEL_CAPACITY); ++n) {
    const PieceRecord& piece = table[n];
    if (!isUsed(piece) || (chosen && !chosen(n))) continue;
    PartCount& part = counts[{piece.kind, colourHex(piece.colour)}];
    if (part.count++ == 0) {
      part.kind = piece.kind;
      std::copy(piece.colour, piece.colour + 4, part.colour);
    }
  }
  std::vector<PartCount> parts;
  for (const auto& entry : counts) parts.push_back(entry.second);
  return parts;
}

int totalCount(const std::vector<PartCount>& parts) {
  int total = 0;
  for (const PartCount& p : parts) total += p.count;
  return total;
}

std::string partsHtmlTable(const std::vector<PartCount>& parts, const PictureSource& pictures,
                           const std::vector<PartCount>* have) {
  const CountIndex held = indexCounts(have);
  const CountIndex* heldOrNone = have ? &held : nullptr;
  std::string html = "<table style=\"border-collapse:collapse\">\n<thead><tr>";
  if (pictures) html += cell("th", "Image");
  html += cell("th", "Pièce") + cell("th", "Couleur") + cell("th", "Quantité");
  if (have) html += cell("th", "En stock") + cell("th", "Manquant");
  html += "</tr></thead>\n<tbody>\n";
  for (const PartCount& p : parts) html += htmlRow(p, pictures, heldOrNone);
  const Totals t = totalsOf(parts, held);
  html += "</tbody>\n<tfoot><tr>" + cell("th", "Total", "text-align:left") + cell("td", "");
  if (pictures) html += cell("td", "");
  html += numberCell(t.needed);
  if (have) html += numberCell(t.held) + numberCell(t.lacking);
  return html + "</tr></tfoot>\n</table>\n";
}

std::string partsHtmlPage(const std::string& modelName, const std::vector<PartCount>& parts,
                          const PictureSource& pictures, const std::vector<PartCount>* have) {
  const std::string title = "Pièces de " + htmlText(modelName);
  std::string html = "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
                     "</title>\n</head>\n<body style=\"font-family:sans-serif\">\n<h1>" + title + "</h1>\n";
  if (parts.empty()) html += "<p>Ce modèle n'a aucune pièce.</p>\n";
  return html + partsHtmlTable(parts, pictures, have) + "</body>\n</html>\n";
}

std::string partsText(const std::vector<PartCount>& parts, const std::vector<PartCount>* have) {
  const CountIndex held = indexCounts(have);
  std::vector<std::vector<std::string>> rows{{"Pièce", "Couleur", "Quantité"}};
  if (have) rows[0].insert(rows[0].end(), {"En stock", "Manquant"});
  for (const PartCount& p : parts) {
    rows.push_back({kindName(p.kind), colourHex(p.colour), std::to_string(p.count)});
    if (have)
      rows.back().insert(rows.back().end(), {std::to_string(lookUp(held, p)), std::to_string(missing(held, p))});
  }
  const Totals t = totalsOf(parts, held);
  rows.push_back({"Total", "", std::to_string(t.needed)});
  if (have) rows.back().insert(rows.back().end(), {std::to_string(t.held), std::to_string(t.lacking)});
  int nameWidth = 0;
  for (const auto& row : rows) nameWidth = std::max(nameWidth, textWidth(row[0]));
  std::string text;
  for (const auto& row : rows) text += textLine(row, nameWidth);
  return text;
}

std::string partsCsv(const std::vector<PartCount>& parts, const std::vector<PartCount>* have) {
  const CountIndex held = indexCounts(have);
  std::vector<std::string> header{"Sorte", "Pièce", "Couleur", "Quantité"};
  if (have) header.insert(header.end(), {"En stock", "Manquant"});
  std::string csv = csvRow(header);
  for (const PartCount& p : parts) {
    std::vector<std::string> row{std::to_string(p.kind), kindName(p.kind), colourHex(p.colour),
                                 std::to_string(p.count)};
    if (have) row.insert(row.end(), {std::to_string(lookUp(held, p)), std::to_string(missing(held, p))});
    csv += csvRow(row);
  }
  const Totals t = totalsOf(parts, held);
  std::vector<std::string> total{"", "Total", "", std::to_string(t.needed)};
  if (have) total.insert(total.end(), {std::to_string(t.held), std::to_string(t.lacking)});
  return csv + csvRow(total);
}
