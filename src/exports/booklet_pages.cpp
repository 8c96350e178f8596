#include "exports/booklet_pages.h"

#include <algorithm>

#include "pieces/kind_names.h"

namespace {

// Widths in ems of a column's cells beside the name and of the name's
// padding; and of one character of a name, taken wide enough for the
// sans-serif fonts met (DejaVu Sans averages about 0.55).
constexpr double FIXED_ROW_EMS = PARTS_CELL_EMS[0] + PARTS_CELL_EMS[1] + PARTS_CELL_EMS[2] + 0.8;
constexpr double NAME_CHARACTER_EMS = 0.62;
constexpr double COLUMN_GAP_MM = 4.0;
constexpr double LARGEST_FONT_MM = 3.4;

size_t characters(const std::string& utf8) {
  return size_t(std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

const char* const PARTS_HEADINGS[4] = {"Image", "Qté", "Pièce", "Couleur"};

std::string totalText(int total) { return "Total : " + std::to_string(total) + (total == 1 ? " pièce" : " pièces"); }

PartsLayout partsLayout(const std::vector<PartCount>& parts) {
  size_t longest = characters(PARTS_HEADINGS[2]);
  for (const PartCount& p : parts) longest = std::max(longest, characters(kindName(p.kind)));
  const int rows = std::max(1, int(parts.size()));
  PartsLayout best;
  best.fontMm = 0.0;
  for (int columns = 1; columns <= 3; ++columns) {
    const int perColumn = (rows + columns - 1) / columns;
    const double width = (BOOKLET_PAGE_WIDTH_MM - COLUMN_GAP_MM * (columns - 1)) / columns;
    // A heading row and the total's line beside the rows.
    const double byHeight = BOOKLET_PARTS_HEIGHT_MM / (PARTS_ROW_EMS * (perColumn + 1) + 1.6);
    const double byWidth = width / (FIXED_ROW_EMS + NAME_CHARACTER_EMS * double(longest));
    const double font = std::min({LARGEST_FONT_MM, byHeight, byWidth});
    // Fewer columns while the font stays as large.
    if (font > best.fontMm + 0.01) best = PartsLayout{columns, perColumn, font};
  }
  return best;
}

std::string shownTitle(const std::string& title) {
  if (characters(title) <= MAX_SHOWN_TITLE) return title;
  size_t end = 0;
  for (size_t count = 0; end < title.size() && count < MAX_SHOWN_TITLE - 1; ++count)
    do ++end;
    while (end < title.size() && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80);
  const size_t space = title.rfind(' ', end);
  if (space != std::string::npos && space > end / 2) end = space;
  return title.substr(0, end) + "…";
}
