#include "exports/booklet_pdf.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>

#include "exports/booklet_pages.h"
#include "pieces/kind_names.h"
#include "platform/core_text_encoding.h"

namespace {

constexpr double POINTS_PER_MM = 72.0 / 25.4;
constexpr double A4_WIDTH_MM = 210.0, A4_HEIGHT_MM = 297.0;
constexpr double GAP_MM = 2.0, COLUMN_GAP_MM = 4.0;

double pt(double mm) { return mm * POINTS_PER_MM; }

// Text pango can set: valid UTF-8 (other bytes read as Windows-1252), controls
// as spaces.
std::string pdfText(const std::string& text) {
  std::string utf8 = isValidUtf8(text) ? text : cp1252ToUtf8(text);
  for (char& c : utf8)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
  return utf8;
}

struct Layout {
  PangoLayout* layout;
  explicit Layout(cairo_t* cr) : layout(pango_cairo_create_layout(cr)) {}
  ~Layout() { g_object_unref(layout); }
  Layout(const Layout&) = delete;
  Layout& operator=(const Layout&) = delete;
};

// One block of text at (x, y) in millimetres, at most width wide: wrapped at
// words (within a word only when it is wider than a line), or on one line
// cut with "…" when oneLine. Returns its height in millimetres; shown only
// when show is set.
double setText(cairo_t* cr, const std::string& text, double x, double y, double width, double sizeMm, bool bold,
               bool oneLine, bool show) {
  Layout textLayout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Sans");
  pango_font_description_set_absolute_size(font, pt(sizeMm) * PANGO_SCALE);
  if (bold) pango_font_description_set_weight(font, PANGO_WEIGHT_BOLD);
  pango_layout_set_font_description(textLayout.layout, font);
  pango_font_description_free(font);
  pango_layout_set_width(textLayout.layout, int(pt(width) * PANGO_SCALE));
  if (oneLine)
    pango_layout_set_ellipsize(textLayout.layout, PANGO_ELLIPSIZE_END);
  else
    pango_layout_set_wrap(textLayout.layout, PANGO_WRAP_WORD_CHAR);
  const std::string utf8 = pdfText(text);
  pango_layout_set_text(textLayout.layout, utf8.c_str(), int(utf8.size()));
  int w = 0, h = 0;
  pango_layout_get_size(textLayout.layout, &w, &h);
  const double height = double(h) / PANGO_SCALE / POINTS_PER_MM;
  if (show) {
    cairo_move_to(cr, pt(x), pt(y));
    pango_cairo_show_layout(cr, textLayout.layout);
  }
  return height;
}

double drawText(cairo_t* cr, const std::string& text, double x, double y, double width, double sizeMm, bool bold,
                bool oneLine = false) {
  return setText(cr, text, x, y, width, sizeMm, bold, oneLine, true);
}

using Surface = std::unique_ptr<cairo_surface_t, decltype(&cairo_surface_destroy)>;

Surface rgbSurface(const std::vector<unsigned char>& rgb, int width, int height) {
  Surface surface(cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height), cairo_surface_destroy);
  cairo_surface_flush(surface.get());
  unsigned char* data = cairo_image_surface_get_data(surface.get());
  const int stride = cairo_image_surface_get_stride(surface.get());
  for (int y = 0; y < height && data; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + size_t(y) * size_t(stride));
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &rgb[3 * (size_t(y) * size_t(width) + size_t(x))];
      row[x] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
    }
  }
  cairo_surface_mark_dirty(surface.get());
  return surface;
}

struct PngReader {
  const std::string* bytes;
  size_t at;
};

cairo_status_t readPng(void* closure, unsigned char* data, unsigned int length) {
  PngReader& reader = *static_cast<PngReader*>(closure);
  if (reader.bytes->size() - reader.at < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader.bytes->data() + reader.at, length);
  reader.at += length;
  return CAIRO_STATUS_SUCCESS;
}

// Draws image (of any size) scaled to fit the box, centred in it.
void drawPicture(cairo_t* cr, cairo_surface_t* image, double x, double y, double width, double height) {
  const double w = cairo_image_surface_get_width(image), h = cairo_image_surface_get_height(image);
  if (w <= 0 || h <= 0 || width <= 0 || height <= 0) return;
  const double scale = std::min(pt(width) / w, pt(height) / h);
  cairo_save(cr);
  cairo_translate(cr, pt(x) + (pt(width) - w * scale) / 2, pt(y) + (pt(height) - h * scale) / 2);
  cairo_scale(cr, scale, scale);
  cairo_set_source_surface(cr, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
}

void strokeBox(cairo_t* cr, double x, double y, double width, double height, double grey) {
  cairo_set_source_rgb(cr, grey, grey, grey);
  cairo_set_line_width(cr, 0.5);
  cairo_rectangle(cr, pt(x), pt(y), pt(width), pt(height));
  cairo_stroke(cr);
}

struct PartPictures {
  std::map<std::pair<int, std::string>, Surface> byPart;
};

// The heights of a page's parts block: heading row, rows, total line.
double partsHeight(const PartsLayout& layout) {
  return layout.fontMm * (1.6 + PARTS_ROW_EMS * layout.rowsPerColumn + 1.6) + 1.0;
}

void drawPartRow(cairo_t* cr, const PartCount& part, const PartPictures& pictures, double x, double y,
                 const double* widths, double rowHeight, double font) {
  const double pad = 0.4 * font;
  const auto picture = pictures.byPart.find({part.kind, colourHex(part.colour)});
  if (picture != pictures.byPart.end() && picture->second)
    drawPicture(cr, picture->second.get(), x + pad, y + 0.2 * font, PARTS_PICTURE_EMS * font, PARTS_PICTURE_EMS * font);
  double cellX = x + widths[0];
  const double textY = y + (rowHeight - 1.2 * font) / 2;
  cairo_set_source_rgb(cr, 0.13, 0.13, 0.13);
  const std::string count = std::to_string(part.count);
  drawText(cr, count, cellX + pad, textY, widths[1] - 2 * pad, font, false, true);
  cellX += widths[1];
  drawText(cr, kindName(part.kind), cellX + pad, textY, widths[2] - 2 * pad, font, false, true);
  cellX += widths[2];
  const double swatchWidth = 2.0 * font, swatchHeight = 1.2 * font;
  cairo_set_source_rgb(cr, std::clamp(double(part.colour[0]), 0.0, 1.0), std::clamp(double(part.colour[1]), 0.0, 1.0),
                       std::clamp(double(part.colour[2]), 0.0, 1.0));
  cairo_rectangle(cr, pt(cellX + pad), pt(y + (rowHeight - swatchHeight) / 2), pt(swatchWidth), pt(swatchHeight));
  cairo_fill(cr);
  strokeBox(cr, cellX + pad, y + (rowHeight - swatchHeight) / 2, swatchWidth, swatchHeight, 0.33);
}

// The parts in columns of tables from (x, y), then the total.
void drawParts(cairo_t* cr, const BookletPage& page, const PartsLayout& layout, const PartPictures& pictures, double x,
               double y) {
  const double font = layout.fontMm, rowHeight = PARTS_ROW_EMS * font, headHeight = 1.6 * font;
  const double columnWidth =
      (BOOKLET_PAGE_WIDTH_MM - COLUMN_GAP_MM * (layout.columns - 1)) / layout.columns;
  double widths[4] = {PARTS_CELL_EMS[0] * font, PARTS_CELL_EMS[1] * font, 0.0, PARTS_CELL_EMS[2] * font};
  widths[2] = columnWidth - widths[0] - widths[1] - widths[3];
  double bottom = y;
  for (size_t first = 0, column = 0; first < page.parts.size(); first += size_t(layout.rowsPerColumn), ++column) {
    const double left = x + double(column) * (columnWidth + COLUMN_GAP_MM);
    double cellX = left;
    for (int c = 0; c < 4; ++c) {
      cairo_set_source_rgb(cr, 0.13, 0.13, 0.13);
      drawText(cr, PARTS_HEADINGS[c], cellX + 0.4 * font, y + 0.2 * font, widths[c] - 0.8 * font, font, true, true);
      strokeBox(cr, cellX, y, widths[c], headHeight, 0.6);
      cellX += widths[c];
    }
    double rowY = y + headHeight;
    const size_t end = std::min(page.parts.size(), first + size_t(layout.rowsPerColumn));
    for (size_t i = first; i < end; ++i, rowY += rowHeight) {
      drawPartRow(cr, page.parts[i], pictures, left, rowY, widths, rowHeight, font);
      cellX = left;
      for (double w : widths) strokeBox(cr, cellX, rowY, w, rowHeight, 0.6), cellX += w;
    }
    bottom = std::max(bottom, rowY);
  }
  cairo_set_source_rgb(cr, 0.13, 0.13, 0.13);
  drawText(cr, totalText(page.total), x, bottom + 1.0, BOOKLET_PAGE_WIDTH_MM, font, true, true);
}

void drawPage(cairo_t* cr, const BookletPage& page, cairo_surface_t* picture, const PartPictures& parts) {
  const double left = BOOKLET_MARGIN_MM, top = BOOKLET_MARGIN_MM, width = BOOKLET_PAGE_WIDTH_MM;
  const double bottom = top + BOOKLET_PAGE_HEIGHT_MM;
  cairo_set_source_rgb(cr, 0.13, 0.13, 0.13);
  double y = top;
  y += drawText(cr, page.heading, left, y, width, page.modelPage ? BOOKLET_TITLE_MM : BOOKLET_HEADING_MM, true) + GAP_MM;
  y += drawText(cr, page.note, left, y, width, BOOKLET_TEXT_MM, false) + GAP_MM;
  if (page.parts.empty()) return;
  const PartsLayout layout = partsLayout(page.parts);
  double partsTop = bottom - partsHeight(layout);
  double allPartsTop = partsTop;
  if (page.modelPage) allPartsTop -= setText(cr, "Toutes les pièces", 0, 0, width, BOOKLET_HEADING_MM, true, false, false) + GAP_MM;
  if (picture) drawPicture(cr, picture, left, y, width, allPartsTop - GAP_MM - y);
  cairo_set_source_rgb(cr, 0.13, 0.13, 0.13);
  if (page.modelPage) drawText(cr, "Toutes les pièces", left, allPartsTop, width, BOOKLET_HEADING_MM, true);
  drawParts(cr, page, layout, parts, left, partsTop);
}

cairo_status_t appendBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

PartPictures partSurfaces(const std::map<std::pair<int, std::string>, std::string>& pngs) {
  PartPictures pictures;
  for (const auto& [part, png] : pngs) {
    if (png.empty()) continue;
    PngReader reader{&png, 0};
    Surface surface(cairo_image_surface_create_from_png_stream(readPng, &reader), cairo_surface_destroy);
    if (cairo_surface_status(surface.get()) == CAIRO_STATUS_SUCCESS) pictures.byPart.emplace(part, std::move(surface));
  }
  return pictures;
}

}  // namespace

bool isPdfPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) c = char(std::tolower(static_cast<unsigned char>(c)));
  return end == ".pdf";
}

BookletResult drawStepsPdf(const Renderer& renderer, const Camera& size, const PieceRecord* table,
                           const ScriptLines& lines, const std::string& modelName, std::string& pdf,
                           const BookletProgress* progress) {
  BookletResult result;
  pdf.clear();
  const int pieceCount = usedPrefixLength(table);
  const std::vector<BuildingStep> steps = joinSteps(buildingSteps(lines, table, pieceCount), MAX_BOOKLET_STEPS);
  const std::vector<BookletPage> pages = bookletPages(steps, modelName, table, pieceCount);
  const PartPictures parts = partSurfaces(drawPartPictures(renderer, size, table, pieceCount));
  std::string bytes;
  Surface surface(cairo_pdf_surface_create_for_stream(appendBytes, &bytes, pt(A4_WIDTH_MM), pt(A4_HEIGHT_MM)),
                  cairo_surface_destroy);
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_TITLE, pdfText(pages[0].heading).c_str());
  cairo_pdf_surface_set_metadata(surface.get(), CAIRO_PDF_METADATA_CREATOR, "vexocad");
  std::unique_ptr<cairo_t, decltype(&cairo_destroy)> cr(cairo_create(surface.get()), cairo_destroy);
  const PictureSink drawPageWith = [&](int step, const std::vector<unsigned char>& rgb, std::string&) {
    const Surface picture = rgbSurface(rgb, size.viewportWidth, size.viewportHeight);
    drawPage(cr.get(), pages[size_t(step + 1)], picture.get(), parts);
    cairo_show_page(cr.get());
    return true;
  };
  if (pieceCount == 0) {
    drawPage(cr.get(), pages[0], nullptr, parts);
    cairo_show_page(cr.get());
  } else if (!drawBookletPictures(renderer, size, steps, table, pieceCount, BookletDrawing::AROUND_STEP, progress,
                                  drawPageWith, result)) {
    return result;
  }
  cr.reset();
  cairo_surface_finish(surface.get());
  if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) {
    result.error = std::string("Le PDF n'a pas pu être fait (") + cairo_status_to_string(cairo_surface_status(surface.get())) + ").";
    return result;
  }
  pdf = std::move(bytes);
  result.status = BookletResult::WRITTEN;
  result.steps = int(steps.size());
  return result;
}
