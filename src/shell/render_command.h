// Drawing the model into a PNG file without any window: the offscreen view
// behind "vexocad --render". The view draws the model table as it stands,
// whether the script was compiled before the view was started or after:
//
//   if (!startOffscreenView(width, height)) return 1;   // message shown
//   compileScript(lines);                                // errors reported
//   ViewState view = offscreenStartView();               // then aimed, switched
//   int status = renderCurrentModelToPng(path, view);
//   stopOffscreenView();
//
// Messages go through showMessage like every other message of the program.
#pragma once

#include <cstdint>
#include <string>

#include "view/renderer.h"
#include "view/view_state.h"

// Makes an offscreen GL context of width x height pixels current, sets the
// projection and starts its own renderer: room textures, GL state, piece
// library (the model table is left as it is). False, after a message
// captioned "Erreur", when no context can be made ("Ne peut pas créer un GL
// rendering context." with the reason) or when the renderer fails, for
// instance on a missing texture file ("Initialization ratée(initgl)", after
// the texture reader's messages).
bool startOffscreenView(int width, int height);
// The view state a picture of the offscreen view starts from: the start-up
// view (view matrix identity, distance -400) at the view's size, solids,
// lit, axes shown, room hidden, no ghost piece.
ViewState offscreenStartView();

// Draws one frame of the model table as it is now with the view state, and
// writes it to pngPath as an 8-bit RGB PNG (through the safe writer,
// platform/core_safe_writer.h: a regular file or a new one, replaced whole
// or left as it was). Returns 0 when the file was written; otherwise shows a
// message captioned "Erreur" and returns 1 (also when the view was not
// started).
int renderCurrentModelToPng(const char* pngPath, const ViewState& view);
// Writes an image's PNG bytes (nothing written for "", which failed to
// encode) through the safe writer; false after the message "Impossible
// d'écrire l'image PATH (reason)".
bool writePngFile(const std::string& path, const std::string& png);

// One frame of the model table as it is now, drawn with the view state by
// the offscreen view's renderer, the view state then lit as the axes leave
// it (axesLeaveLightingOn), as a window's frames follow each other; and the
// same read back as a PNG ("" when it cannot be encoded).
void drawOffscreenFrame(ViewState& view);
std::string drawOffscreenFramePng(ViewState& view);
// The renderer of that offscreen view, for the pictures drawn in it.
const Renderer& offscreenRenderer();

// Releases the offscreen context and forgets its renderer; nothing else
// happens when there is none.
void stopOffscreenView();

// The whole sequence for a model already compiled into the table: starts
// the view, draws the table in the start-up view with the room shown or not
// and the display mode (DISPLAY_SOLIDS, DISPLAY_EDGES or both), writes
// pngPath and stops the view.
// Returns 0 on success, 1 when the view could not be started or the file
// not written.
int renderModelToPng(const char* pngPath, int width, int height, bool room, uint32_t displayMode);
