// The last drawn model kept aside, colour and depth, so that a frame in
// which only the overlay changes (the ghost following the mouse) copies it
// back instead of drawing the model again. It lives in a framebuffer object
// of the view's GL context; the model is drawn again only when the model,
// the view or the window changed, which the model's fingerprint tells.
#pragma once

#include <cstdint>

#include "model/model_table.h"
#include "view/view_state.h"

struct KeptModel {
  unsigned framebuffer = 0, colour = 0, depth = 0;
  int width = 0, height = 0;
  bool holdsModel = false;
  uint64_t fingerprint = 0;
  // Whether the context can keep a model at all (framebuffer objects and a
  // depth format the window's framebuffer shares): unknown until tried.
  enum class Support { Untried, Yes, No } support = Support::Untried;
};

// Everything the model pass draws from: the table's used records, the
// camera and viewport, the switches and the looks of the view, and whether
// it moves (a quick picture never stands for the still one). The mouse,
// the ghost and the keyboard frame are not part of it.
uint64_t modelFingerprint(const PieceRecord* table, const ViewState& view);

// Copies the current draw framebuffer's colour and depth (the model just
// drawn, width x height from the origin) into the kept model. False when
// the context cannot; the kept model then holds nothing.
bool keepModel(KeptModel& kept, int width, int height, uint64_t fingerprint);
// Copies the kept model back into the current draw framebuffer, colour and
// depth; false (nothing copied) unless it holds the model of that
// fingerprint at that size.
bool restoreModel(const KeptModel& kept, int width, int height, uint64_t fingerprint);
// Gives its GL objects back to the current context, which must be the one
// it was kept in, and forgets the model.
void releaseKeptModel(KeptModel& kept);
