// A renderer: the GL resources of one GL context (the piece library's lists
// and buffers, the room's textures) and the fixed GL state of the 3-D view
// in it. The window and every offscreen view each have their own, built in
// their own context and given back to it; none touches another's.
#pragma once

#include <memory>
#include <string>

#include "model/model_table.h"
#include "pieces/piece_library_gl.h"
#include "view/model_batch.h"
#include "view/room.h"
#include "view/view_state.h"

struct Renderer {
  PieceLibrary pieces;
  RoomTextures room;
  // The batch of the frames drawn while the view moves, brought up to the
  // model by the frames that draw it, however the renderer is handed.
  std::unique_ptr<ModelBatch> batch = std::make_unique<ModelBatch>();
};

// In the current context: loads the room textures of the data folder (ending
// in "/"), sets shading, depth, light, material, culling and blending, and
// builds the piece library. False when the textures could not be loaded
// (nothing else is built then).
bool startRenderer(Renderer& renderer, const std::string& dataFolder);
// Gives the resources back to the current context, which must be the
// renderer's, and empties it.
void stopRenderer(Renderer& renderer);
