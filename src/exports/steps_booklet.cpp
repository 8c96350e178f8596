#include "exports/steps_booklet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <utility>

#include "exports/booklet_pages.h"
#include "exports/part_pictures.h"
#include "model/frame_tree.h"
#include "pieces/kind_names.h"
#include "platform/core_safe_writer.h"
#include "platform/core_text_encoding.h"
#include "platform/gl_offscreen.h"
#include "view/camera.h"
#include "view/camera_gl.h"
#include "view/model_bounds.h"
#include "view/outline_halo.h"
#include "view/scene.h"

namespace {

bool isBlankLine(std::string_view line) {
  return line.find_first_not_of(" \t\r\n\v\f") == std::string_view::npos;
}

// The text of a comment line without its "//" and the spaces around, or
// false for a line that is no comment.
bool commentText(std::string_view line, std::string& text) {
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos || line.substr(start, 2) != "//") return false;
  std::string_view rest = line.substr(start + 2);
  const size_t first = rest.find_first_not_of(" \t/");
  rest = first == std::string_view::npos ? std::string_view() : rest.substr(first);
  rest = rest.substr(0, rest.find_last_not_of(" \t\r") + 1);
  text = cp1252ToUtf8(std::string(rest));
  return true;
}

std::vector<BuildingStep> lineBlocks(const ScriptLines& lines) {
  std::vector<BuildingStep> blocks;
  bool inBlock = false, inTitle = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    const int number = int(i) + 1;
    if (isBlankLine(lines[i])) {
      inBlock = false;
      continue;
    }
    if (!inBlock) blocks.push_back(BuildingStep{number, number, "", {}});
    BuildingStep& block = blocks.back();
    inTitle = (!inBlock || inTitle);
    inBlock = true;
    block.lastLine = number;
    std::string text;
    if (inTitle && commentText(lines[i], text)) {
      if (!text.empty()) block.title += (block.title.empty() ? "" : " ") + text;
    } else {
      inTitle = false;
    }
  }
  return blocks;
}

// As large as the parts list's pictures, and never beyond the view.
constexpr int PART_PICTURE_SIZE = 64;

std::string pictureName(int step) {
  char name[32];
  std::snprintf(name, sizeof name, "etape-%04d.png", step);
  return name;
}

bool isBookletName(const std::string& name) {
  if (name == "index.html" || name == "modele.png") return true;
  return name.size() == 14 && name.starts_with("etape-") && name.ends_with(".png") &&
         std::all_of(name.begin() + 6, name.begin() + 10, [](char c) { return c >= '0' && c <= '9'; });
}

std::string millimetres(double mm) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2fmm", mm);
  return text;
}

// On screen, pages one under the other. Printed, each page is a box that
// A4 and Letter both hold (booklet_pages.h), one to a sheet, its picture
// taking the height the text leaves it.
std::string bookletStyle() {
  return "@page{margin:" + millimetres(BOOKLET_MARGIN_MM) + "}\n"
         "body{font-family:sans-serif;margin:1em 2em;color:#222;font-size:" + millimetres(BOOKLET_TEXT_MM) + "}\n"
         "h1{font-size:" + millimetres(BOOKLET_TITLE_MM) + ";margin:0 0 2mm}\n"
         "h2{font-size:" + millimetres(BOOKLET_HEADING_MM) + ";margin:0 0 2mm}\n"
         "p{margin:0 0 2mm}\n"
         ".page{display:flex;flex-direction:column;margin-bottom:3em}\n"
         ".picture{max-width:100%;height:auto;border:1px solid #ccc;align-self:flex-start;margin-bottom:2mm}\n"
         ".parts{display:flex;gap:4mm;align-items:flex-start}\n"
         ".parts table{border-collapse:collapse}\n"
         ".parts th,.parts td{border:1px solid #999;padding:0.1em 0.4em;text-align:left;white-space:nowrap;"
         "height:2.6em;vertical-align:middle}\n"
         ".parts th{height:auto}\n"
         ".parts img{display:block;width:2.4em;height:2.4em}\n"
         ".count{text-align:right}\n"
         ".swatch{display:inline-block;width:2em;height:1.2em;vertical-align:middle;border:1px solid #555;"
         "print-color-adjust:exact;-webkit-print-color-adjust:exact}\n"
         ".total{margin:1mm 0 0;font-weight:bold}\n"
         "@media print{body{margin:0}"
         ".page{height:" + millimetres(BOOKLET_PAGE_HEIGHT_MM) + ";margin:0;overflow:hidden;"
         "break-inside:avoid;page-break-after:always;break-after:page}"
         ".page:last-child{page-break-after:auto;break-after:auto}"
         ".picture{flex:1 1 0;min-height:0;width:100%;object-fit:contain;border:0;align-self:stretch}}\n";
}

std::string partRow(const PartCount& part, const PictureSource& pictures) {
  const std::string name = htmlText(kindName(part.kind)), colour = colourHex(part.colour);
  const std::string picture = pictures ? pictures(part) : "";
  return "<tr><td>" + (picture.empty() ? "" : "<img src=\"" + picture + "\" alt=\"" + name + "\">") +
         "</td><td class=\"count\">" + std::to_string(part.count) + "</td><td>" + name +
         "</td><td><span class=\"swatch\" style=\"background:" + colour + "\" title=\"" + colour +
         "\"></span></td></tr>\n";
}

// The parts in columns of tables side by side, then the total.
std::string partsColumnsHtml(const BookletPage& page, const PictureSource& pictures) {
  const PartsLayout layout = partsLayout(page.parts);
  std::string html = "<div class=\"parts\" style=\"font-size:" + millimetres(layout.fontMm) + "\">\n";
  for (size_t first = 0; first < page.parts.size(); first += size_t(layout.rowsPerColumn)) {
    html += "<table>\n<thead><tr>";
    for (const char* heading : PARTS_HEADINGS) html += std::string("<th>") + heading + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    const size_t end = std::min(page.parts.size(), first + size_t(layout.rowsPerColumn));
    for (size_t i = first; i < end; ++i) html += partRow(page.parts[i], pictures);
    html += "</tbody>\n</table>\n";
  }
  return html + "</div>\n<p class=\"total\" style=\"font-size:" + millimetres(layout.fontMm) + "\">" +
         htmlText(totalText(page.total)) + "</p>\n";
}

std::string pageHtml(const Camera& view, const BookletPage& page, const PictureSource& pictures) {
  const char* heading = page.modelPage ? "h1" : "h2";
  std::string html = "<section class=\"page\">\n<" + std::string(heading) + ">" + htmlText(page.heading) + "</" +
                     heading + ">\n<p>" + htmlText(page.note) + "</p>\n";
  if (!page.picture.empty())
    html += "<img class=\"picture\" src=\"" + page.picture + "\" alt=\"" + htmlText(page.pictureAlt) +
            "\" width=\"" + std::to_string(view.viewportWidth) + "\" height=\"" +
            std::to_string(view.viewportHeight) + "\">\n";
  if (page.modelPage && !page.parts.empty()) html += "<h2>Toutes les pièces</h2>\n";
  if (!page.parts.empty()) html += partsColumnsHtml(page, pictures);
  return html + "</section>\n";
}

std::string bookletHtml(const Camera& view, const std::vector<BookletPage>& pages, const std::string& modelName,
                        const PictureSource& pictures) {
  std::string html = "<!DOCTYPE html>\n<html lang=\"fr\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                     htmlText("Livret de montage: " + modelName) + "</title>\n<style>\n" + bookletStyle() +
                     "</style>\n</head>\n<body>\n";
  for (const BookletPage& page : pages) html += pageHtml(view, page, pictures);
  return html + "</body>\n</html>\n";
}

// The view as the booklet draws it: turned three-quarters, solids only, no
// axes, no room, small pieces simpler; each picture fits it to its part of
// the model.
ViewState bookletView(const Camera& size) {
  ViewState view;
  view.camera = size;
  resetView(view.camera);
  view.displayMode = DISPLAY_SOLIDS;
  view.showAxes = view.showRoom = 0;
  view.drawing = ModelDrawing{true, DrawDetail::AUTO};
  return view;
}

struct BoxWalk {
  const PieceRecord* table;
  std::vector<Matrix> placements;  // of the pieces entered and not yet left
  std::vector<Box> boxes;
};

void enterBox(void* context, int32_t piece) {
  BoxWalk& walk = *static_cast<BoxWalk*>(context);
  Matrix placement = walk.table[piece].matrix;
  if (!walk.placements.empty()) multiplyLeft(walk.placements.back(), placement);
  walk.placements.push_back(placement);
  addPlacedBox(walk.boxes[size_t(piece)], kindBounds(walk.table[piece].kind), placement);
}

void leaveBox(void* context, int32_t) { static_cast<BoxWalk*>(context)->placements.pop_back(); }

// Each piece's box in world axes, placed as drawing composes the frames, by
// piece number; empty for a piece drawing does not reach.
std::vector<Box> pieceBoxes(const PieceRecord* table) {
  auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, table);
  BoxWalk walk{table, {}, std::vector<Box>(size_t(tree->count))};
  walkFrameForest(*tree, FrameVisitor{enterBox, leaveBox, &walk});
  return walk.boxes;
}

void addBox(Box& into, const Box& box) {
  if (isEmpty(box)) return;
  addPoint(into, box.low);
  addPoint(into, box.high);
}

std::vector<Point3> boxCorners(const Box& box) {
  std::vector<Point3> corners;
  Matrix identity;
  setIdentity(identity);
  addPlacedCorners(corners, box, identity);
  return corners;
}

// What a step's picture is fitted to: the model built so far, within one
// size of the step's own pieces (their box's largest side) around them. A
// step as large as a third of the model so far sees all of it; a small step
// of a large model is seen close, with the pieces it joins.
Box stepFrame(const Box& builtSoFar, const Box& step) {
  if (isEmpty(step)) return builtSoFar;
  float margin = 0.0f;
  for (int a = 0; a < 3; ++a) margin = std::max(margin, step.high[a] - step.low[a]);
  Box frame;
  for (int a = 0; a < 3; ++a) {
    frame.low[a] = std::max(builtSoFar.low[a], step.low[a] - margin);
    frame.high[a] = std::min(builtSoFar.high[a], step.high[a] + margin);
  }
  return frame;
}

// Piece number -> index of its step, -1 for none.
std::vector<int> stepOfPieces(const std::vector<BuildingStep>& steps) {
  std::vector<int> stepOf(MODEL_CAPACITY, -1);
  for (size_t s = 0; s < steps.size(); ++s)
    for (int piece : steps[s].pieces) stepOf[size_t(piece)] = int(s);
  return stepOf;
}

// The model after step (every piece when step is -1), that step's pieces
// outlined.
std::vector<uint8_t> stepLooks(const std::vector<int>& stepOf, int step, int pieceCount) {
  std::vector<uint8_t> looks(MODEL_CAPACITY, LOOK_HIDDEN);
  for (int i = 0; i < pieceCount; ++i) {
    const int s = stepOf[size_t(i)];
    if (step < 0 || s < step) looks[size_t(i)] = LOOK_OWN_COLOURS;
    else if (s == step) looks[size_t(i)] = LOOK_OUTLINED;
  }
  return looks;
}

}  // namespace

std::vector<BuildingStep> buildingSteps(const ScriptLines& lines, const PieceRecord* table, int pieceCount) {
  std::vector<BuildingStep> blocks = lineBlocks(lines);
  for (int i = 0; i < pieceCount; ++i) {
    const int line = table[i].topLevelLine;
    // The last block starting at or before the line, if the line is in it.
    auto after = std::upper_bound(blocks.begin(), blocks.end(), line,
                                  [](int l, const BuildingStep& b) { return l < b.firstLine; });
    if (after != blocks.begin() && line <= std::prev(after)->lastLine) std::prev(after)->pieces.push_back(i);
  }
  std::erase_if(blocks, [](const BuildingStep& b) { return b.pieces.empty(); });
  return blocks;
}

std::vector<BuildingStep> joinSteps(std::vector<BuildingStep> steps, int maxSteps) {
  if (maxSteps <= 0 || int(steps.size()) <= maxSteps) return steps;
  // Page p holds the steps from p * n / pages up to (p + 1) * n / pages:
  // exactly that many pages, each of the same number of steps give or take one.
  const size_t count = steps.size(), pages = size_t(maxSteps);
  std::vector<BuildingStep> joined;
  for (size_t page = 0; page < pages; ++page) {
    const size_t first = page * count / pages, last = (page + 1) * count / pages;
    BuildingStep joinedPage = std::move(steps[first]);
    for (size_t i = first + 1; i < last; ++i) {
      joinedPage.lastLine = steps[i].lastLine;
      if (joinedPage.title.empty()) joinedPage.title = steps[i].title;
      joinedPage.pieces.insert(joinedPage.pieces.end(), steps[i].pieces.begin(), steps[i].pieces.end());
    }
    joined.push_back(std::move(joinedPage));
  }
  return joined;
}

std::vector<BookletPage> bookletPages(const std::vector<BuildingStep>& steps, const std::string& modelName,
                                      const PieceRecord* table, int pieceCount) {
  BookletPage model;
  model.modelPage = true;
  model.heading = "Livret de montage: " + modelName;
  if (pieceCount == 0) {
    model.note = "Ce modèle n'a aucune pièce.";
    return {model};
  }
  model.note = std::to_string(pieceCount) + (pieceCount == 1 ? " pièce, " : " pièces, ") +
               std::to_string(steps.size()) + (steps.size() == 1 ? " étape." : " étapes.");
  model.picture = "modele.png";
  model.pictureAlt = "Le modèle terminé";
  model.parts = countParts(table, pieceCount);
  model.total = totalCount(model.parts);
  std::vector<BookletPage> pages{model};
  std::vector<bool> chosen(size_t(pieceCount), false);
  for (size_t i = 0; i < steps.size(); ++i) {
    const BuildingStep& step = steps[i];
    BookletPage page;
    page.heading = "Étape " + std::to_string(i + 1) + " sur " + std::to_string(steps.size());
    if (!step.title.empty()) page.heading += ": " + shownTitle(step.title);
    page.note = "Lignes " + std::to_string(step.firstLine) + " à " + std::to_string(step.lastLine) +
                " du script ; les pièces ajoutées sont entourées de cyan.";
    page.picture = pictureName(int(i) + 1);
    page.pictureAlt = "Le modèle après l'étape " + std::to_string(i + 1);
    for (int piece : step.pieces)
      if (piece >= 0 && piece < pieceCount) chosen[size_t(piece)] = true;
    page.parts = countParts(table, pieceCount, [&](int piece) { return bool(chosen[size_t(piece)]); });
    for (int piece : step.pieces)
      if (piece >= 0 && piece < pieceCount) chosen[size_t(piece)] = false;
    page.total = totalCount(page.parts);
    pages.push_back(std::move(page));
  }
  return pages;
}

std::map<std::pair<int, std::string>, std::string> drawPartPictures(const Renderer& renderer, const Camera& size,
                                                                   const PieceRecord* table, int pieceCount) {
  const int side = std::min({PART_PICTURE_SIZE, size.viewportWidth, size.viewportHeight});
  std::map<std::pair<int, std::string>, std::string> pictures;
  for (const PartCount& part : countParts(table, pieceCount))
    pictures[{part.kind, colourHex(part.colour)}] = kindPicturePng(renderer, part.kind, part.colour, side);
  return pictures;
}

bool drawBookletPictures(const Renderer& renderer, const Camera& size, const std::vector<BuildingStep>& steps,
                         const PieceRecord* table, int pieceCount, BookletDrawing drawing,
                         const BookletProgress* progress, const PictureSink& sink, BookletResult& result) {
  ViewState view = bookletView(size);
  loadCameraProjection(view.camera);
  const std::vector<int> stepOf = stepOfPieces(steps);
  const std::vector<Box> boxes = pieceBoxes(table);
  Box builtSoFar;
  const int count = int(steps.size());
  for (int step = -1; step < count; ++step) {
    if (progress && progress->keepGoing && !progress->keepGoing(progress->context, step + 1, count + 1)) {
      result.status = BookletResult::STOPPED;
      return false;
    }
    Box stepBox;
    if (step >= 0)
      for (int piece : steps[size_t(step)].pieces)
        if (size_t(piece) < boxes.size()) addBox(stepBox, boxes[size_t(piece)]);
    addBox(builtSoFar, stepBox);
    const bool whole = step < 0 || drawing == BookletDrawing::AS_BEFORE;
    fitView(view.camera, whole ? modelCorners(table) : boxCorners(stepFrame(builtSoFar, stepBox)),
            THREE_QUARTER_VIEW);
    const std::vector<uint8_t> looks = stepLooks(stepOf, step, pieceCount);
    view.pieceLooks = looks.data();
    const std::vector<unsigned char> rgb = drawScenePixels(renderer, table, view);
    if (rgb.empty()) return result.error = "Impossible de lire l'image de l'étape " + std::to_string(step + 1) + ".", false;
    if (!sink(step, rgb, result.error)) return false;
  }
  return true;
}

BookletResult writeStepsBooklet(const Renderer& renderer, const Camera& size, const PieceRecord* table,
                                const ScriptLines& lines, const std::string& folder, const std::string& modelName,
                                const BookletProgress* progress, BookletDrawing drawing) {
  BookletResult result;
  StagedFolder staged;
  WriteResult written = openStagedFolder(folder, isBookletName, staged);
  if (!written.ok()) return result.error = written.reason, result;
  const int pieceCount = usedPrefixLength(table);
  const std::vector<BuildingStep> steps = joinSteps(buildingSteps(lines, table, pieceCount), MAX_BOOKLET_STEPS);
  const int w = size.viewportWidth, h = size.viewportHeight;
  const PictureSink writePng = [&](int step, const std::vector<unsigned char>& rgb, std::string& error) {
    const std::string png = encodePng(w, h, rgb, drawing == BookletDrawing::AS_BEFORE ? PngCompression::DEFAULT : PngCompression::FAST);
    const std::string name = step < 0 ? "modele.png" : pictureName(step + 1);
    if (png.empty()) return error = "Impossible de dessiner l'image " + name + ".", false;
    const WriteResult pictureWritten = writeStagedFile(staged, name, png);
    return pictureWritten.ok() || (error = pictureWritten.reason, false);
  };
  const bool pictures =
      pieceCount == 0 ||
      drawBookletPictures(renderer, size, steps, table, pieceCount, drawing, progress, writePng, result);
  if (!pictures) return result;
  auto partPngs = std::make_shared<std::map<std::pair<int, std::string>, std::string>>(
      drawPartPictures(renderer, size, table, pieceCount));
  const PictureSource partPictures = [partPngs](const PartCount& part) {
    const std::string& png = (*partPngs)[{part.kind, colourHex(part.colour)}];
    return png.empty() ? std::string() : pngDataUri(png);
  };
  const std::vector<BookletPage> pages = bookletPages(steps, modelName, table, pieceCount);
  written = writeStagedFile(staged, "index.html", bookletHtml(size, pages, modelName, partPictures));
  if (written.ok()) written = commitStagedFolder(staged);
  if (!written.ok()) return result.error = written.reason, result;
  result.status = BookletResult::WRITTEN;
  result.steps = int(steps.size());
  return result;
}
