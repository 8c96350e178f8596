// An offscreen view: an EGL context of a fixed size with a renderer of its
// own, for the command line's pictures and the exports. One at a time; a
// window's context is released before and made current again after by its
// owner.
#pragma once

#include <string>

#include "model/model_table.h"
#include "view/renderer.h"
#include "view/view_state.h"

struct OffscreenView {
  Renderer renderer;
  int width = 0, height = 0;  // 0 while closed
};

// Makes an offscreen context of width x height pixels current and starts
// the view's renderer in it, with the textures of the data folder. False, after a message captioned "Erreur",
// when no context can be made ("Ne peut pas créer un GL rendering context."
// with the reason) or when the renderer cannot start, for instance on a
// missing texture file ("Initialization ratée(initgl)", after the texture
// reader's messages).
bool openOffscreenView(OffscreenView& offscreen, int width, int height, const std::string& dataFolder);
// One frame of the table as the view state says, at the camera's viewport
// (which must fit the view), read back as PNG bytes; "" when they cannot be
// encoded.
std::string drawOffscreenPng(const OffscreenView& offscreen, const PieceRecord* table, const ViewState& view);
// Releases the context, and with it the renderer's resources.
void closeOffscreenView(OffscreenView& offscreen);
