// The halo around outlined pieces (LOOK_OUTLINED) in a picture read back
// from an offscreen view: a dark ring against what shows of each such
// piece, then a cyan ring, a few pixels each, which stand out on every piece
// colour, on thin rods and on the background alike, while the piece keeps
// its own colours.
#pragma once

#include <vector>

#include "model/model_table.h"
#include "view/renderer.h"
#include "view/view_state.h"

// One frame of the table as the view says, drawn with renderer in the
// current offscreen context and read back as RGB rows, top row first, with
// the halo of the outlined pieces; empty when there is no context. The
// rings widen with the picture, so the halo keeps its weight from a
// thumbnail to a printed page.
std::vector<unsigned char> drawScenePixels(const Renderer& renderer, const PieceRecord* table, const ViewState& view);

// The halo on RGB rows (top first) around the pixels where mask (one byte a
// pixel, same rows, non-zero inside) is set.
void addOutlineHalo(std::vector<unsigned char>& rgb, const std::vector<unsigned char>& mask, int width, int height);
