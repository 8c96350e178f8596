// What each page of the building-steps booklet says, and how its parts are
// laid out, shared by the HTML booklet and the PDF one so that both show the
// same content on pages of the same shape: everything fits a box of
// BOOKLET_PAGE_WIDTH_MM x BOOKLET_PAGE_HEIGHT_MM, which both A4 and Letter
// paper hold inside margins of BOOKLET_MARGIN_MM.
#pragma once

#include <string>
#include <vector>

#include "exports/parts_list.h"

constexpr double BOOKLET_MARGIN_MM = 12.0;
constexpr double BOOKLET_PAGE_WIDTH_MM = 186.0;
constexpr double BOOKLET_PAGE_HEIGHT_MM = 250.0;
// The parts' columns never take more of a page's height than this; the
// picture takes what the text leaves.
constexpr double BOOKLET_PARTS_HEIGHT_MM = 120.0;
// Headings, as the style sheet and the PDF set them.
constexpr double BOOKLET_TITLE_MM = 7.0;
constexpr double BOOKLET_HEADING_MM = 5.5;
constexpr double BOOKLET_TEXT_MM = 3.8;

// A part's row: its picture, then quantity, name and colour; a row is
// PARTS_ROW_EMS of the table's font high, picture included. The cells
// beside the name are as wide as their bold headings need, in ems of the
// table's font, padding included.
constexpr double PARTS_ROW_EMS = 2.8;
constexpr double PARTS_PICTURE_EMS = 2.4;
constexpr double PARTS_CELL_EMS[3] = {4.4, 3.2, 5.6};  // picture, quantity, colour

struct BookletPage {
  bool modelPage = false;    // the first page: h1 and "Toutes les pièces"
  std::string heading;       // UTF-8
  std::string note;          // the line under the heading
  std::string picture;       // the picture's file name in the folder, "" for none
  std::string pictureAlt;
  std::vector<PartCount> parts;
  int total = 0;
};

// The table of parts cut into columns of rowsPerColumn rows each (the last
// may be shorter), each headed, in a font of fontMm millimetres chosen as
// large as fits both the page's width and BOOKLET_PARTS_HEIGHT_MM.
struct PartsLayout {
  int columns = 1;
  int rowsPerColumn = 0;
  double fontMm = 3.4;
};
PartsLayout partsLayout(const std::vector<PartCount>& parts);

// A step's title is shown whole up to this many characters; a longer one
// is cut at a word and ends with "…", so that it never pushes the page's
// content off the paper.
constexpr size_t MAX_SHOWN_TITLE = 150;
std::string shownTitle(const std::string& title);

// "Quantité" and the others: the column headings of the parts.
extern const char* const PARTS_HEADINGS[4];
std::string totalText(int total);
