// The building-steps booklet as one PDF file: a page for the model and its
// parts, then one per step, with the same content as the HTML booklet
// (exports/booklet_pages.h), set on A4 paper through cairo with pango for the
// text (French accents, ligatures, lines broken at words and never wider
// than the page).
#pragma once

#include <string>

#include "exports/steps_booklet.h"

// The PDF's bytes for the model table given as compiled from lines, drawn with
// renderer in the current offscreen context, whose camera's size is the
// pictures'. Nothing is written: the caller writes pdf where it goes. WRITTEN
// with pdf filled, STOPPED (progress said so) or FAILED with a French
// reason, pdf then empty.
BookletResult drawStepsPdf(const Renderer& renderer, const Camera& size, const PieceRecord* table,
                           const ScriptLines& lines, const std::string& modelName, std::string& pdf,
                           const BookletProgress* progress = nullptr);

// Whether path names a PDF file (ends in .pdf, in any case): --steps and the
// export dialog then write the booklet as a PDF instead of a folder.
bool isPdfPath(const std::string& path);
