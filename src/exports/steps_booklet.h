// The building-steps booklet: the script read as a building order, one page
// per block of lines, each with a picture of the model built so far (the
// block's own pieces highlighted) and the pieces the block adds. A folder
// with index.html and PNG pictures, no script and nothing from the network,
// printable one step per page.
//
//   startOffscreenView(width, height);           // the pictures' size
//   compileScript(lines);
//   BookletResult r = writeStepsBooklet(renderer, view, lines, "livret", "tour.vxo");
//   stopOffscreenView();
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "exports/booklet_pages.h"
#include "exports/parts_list.h"
#include "model/model_table.h"
#include "script/compiler.h"
#include "view/renderer.h"

// A block of script lines between blank lines.
struct BuildingStep {
  int firstLine = 0;  // script line numbers, from 1
  int lastLine = 0;
  std::string title;  // UTF-8: the comment lines that open the block, joined
  std::vector<int> pieces;  // numbers of the pieces whose top-level line is in the block
};

// The blocks of lines that place a piece of the table, in script order; the
// others (comments only, variables, function definitions) make no step. A
// piece made by a call or a repeat block goes with the line that started it.
std::vector<BuildingStep> buildingSteps(const ScriptLines& lines, const PieceRecord* table, int pieceCount);

// More steps than this are joined, neighbours with neighbours, into this many
// pages: a picture costs a frame of the whole model, and a booklet of
// thousands of pages helps nobody build.
constexpr int MAX_BOOKLET_STEPS = 200;
// The pictures' size unless another is asked: a page's width on paper, and
// at most 200 frames and PNG files of it take a few seconds.
constexpr int BOOKLET_PICTURE_WIDTH = 480;
constexpr int BOOKLET_PICTURE_HEIGHT = 360;
std::vector<BuildingStep> joinSteps(std::vector<BuildingStep> steps, int maxSteps);

// The booklet's pages: the model's (the whole model and all its parts, or
// a word that there is none) and one per step, with the step's parts
// counted by kind and colour as the parts list counts them. Pictures are
// named as in the booklet's folder.
std::vector<BookletPage> bookletPages(const std::vector<BuildingStep>& steps, const std::string& modelName,
                                      const PieceRecord* table, int pieceCount);
// Each kind and colour of the model's first pieceCount pieces drawn once,
// as PNG bytes ("" where one could not be drawn), by kind and colourHex.
std::map<std::pair<int, std::string>, std::string> drawPartPictures(const Renderer& renderer, const Camera& size,
                                                                   const PieceRecord* table, int pieceCount);

// Asked before each picture; answering false stops the booklet, and nothing
// is left written.
struct BookletProgress {
  bool (*keepGoing)(void* context, int picturesDone, int pictureCount) = nullptr;
  void* context = nullptr;
};

struct BookletResult {
  enum Status { WRITTEN, STOPPED, FAILED } status = FAILED;
  std::string error;  // French, for the user, when FAILED
  int steps = 0;      // pages of steps written
};

// The model page's picture shows the whole model; each step's shows the
// model built so far (later pieces hidden), its own pieces outlined, fitted
// to the model so far within one size of the step's pieces around them, its
// PNG files compressed fast. AS_BEFORE fits every picture to the whole
// model and compresses as other PNG files are, as booklets were drawn
// before: kept for the benchmark's comparison.
enum class BookletDrawing { AROUND_STEP, AS_BEFORE };

// The model page's picture (step -1) and then each step's, drawn in the
// current offscreen context at the size of the camera and handed to sink as
// RGB rows, top row first. False when progress or sink stops it, with
// result saying why (STOPPED, or the error sink gave).
using PictureSink = std::function<bool(int step, const std::vector<unsigned char>& rgb, std::string& error)>;
bool drawBookletPictures(const Renderer& renderer, const Camera& size, const std::vector<BuildingStep>& steps,
                         const PieceRecord* table, int pieceCount, BookletDrawing drawing,
                         const BookletProgress* progress, const PictureSink& sink, BookletResult& result);

// Writes folder/index.html, folder/modele.png and folder/etape-NNNN.png for
// the model table given as compiled from lines, through the current offscreen view
// (its size is the pictures' size), as a staged folder of the safe writer
// (platform/core_safe_writer.h): a failure, a stop or a signal leaves the
// target as it was, and an existing target is replaced only when it is empty
// or a booklet of ours (with the writer's marker) holding nothing but a
// booklet's own files. modelName is shown as written.
// Drawn with the renderer of the current offscreen context, at the size of
// the view's camera; the booklet frames the model with a view state of its
// own.
BookletResult writeStepsBooklet(const Renderer& renderer, const Camera& size, const PieceRecord* table,
                                const ScriptLines& lines, const std::string& folder, const std::string& modelName,
                                const BookletProgress* progress = nullptr,
                                BookletDrawing drawing = BookletDrawing::AROUND_STEP);
