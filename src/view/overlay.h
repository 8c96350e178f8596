// What is drawn over the model, apart from it, so that it can be drawn
// again over a kept picture of the model (view/kept_model.h) without drawing
// the model: the ghost piece, the connection point it would join, and the
// frame that says the view has the keyboard.
#pragma once

#include "view/renderer.h"
#include "view/view_state.h"

// Everything the view state asks over the model just drawn (or restored),
// leaving the GL state as the model pass expects it.
void drawOverlay(const Renderer& renderer, const ViewState& view);
// The ghost piece alone: hanging at the mouse in eye coordinates, never
// hidden by the model, or placed in the model, hidden where the model is in
// front of it.
void drawGhostPiece(const Renderer& renderer, const ViewState& view);
