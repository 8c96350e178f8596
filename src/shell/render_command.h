// Drawing the model into a PNG file without any window: the offscreen view
// behind "vexocad --render". The view draws the model table as it stands,
// whether the script was compiled before the view was started or after:
//
//   if (!startOffscreenView(width, height)) return 1;   // message shown
//   compileScript(lines);                                // errors reported
//   int status = renderCurrentModelToPng(path, room, displayMode);
//   stopOffscreenView();
//
// Messages go through showMessage like every other message of the program.
#pragma once

#include <cstdint>
#include <string>

#include "view/renderer.h"

// Makes an offscreen GL context of width x height pixels current, sets the
// projection and starts its own renderer: room textures, GL state, piece
// library (the model table is left as it is). Then the start-up view: view
// matrix identity, distance -400, axes shown, room hidden, insertion mode off
// (no ghost piece). False, after a message captioned "Erreur", when no context
// can be made ("Ne peut pas créer un GL rendering context." with the reason)
// or when the renderer fails, for instance on a missing texture file
// ("Initialization ratée(initgl)", after the texture reader's messages).
bool startOffscreenView(int width, int height);

// Draws one frame of the model table as it is now, with the room shown or
// not and the given display mode (DISPLAY_SOLIDS, DISPLAY_EDGES or both),
// and writes it to pngPath as an 8-bit RGB PNG (through the safe writer,
// platform/core_safe_writer.h: a regular file or a new one, replaced whole
// or left as it was). Keeps showRoom and
// displayMode set as asked. Returns 0 when the file was written; otherwise
// shows a message captioned "Erreur" and returns 1 (also when the view was
// not started).
int renderCurrentModelToPng(const char* pngPath, bool room, uint32_t displayMode);
// Writes an image's PNG bytes (nothing written for "", which failed to
// encode) through the safe writer; false after the message "Impossible
// d'écrire l'image PATH (reason)".
bool writePngFile(const std::string& path, const std::string& png);

// One frame of the model table as it is now, with the window's view state
// (currentViewState) and the offscreen view's renderer; and the same read
// back as a PNG ("" when it cannot be encoded).
void drawCurrentView();
std::string drawCurrentViewPng();
// The renderer of that offscreen view, for the pictures drawn in it.
const Renderer& offscreenRenderer();

// Releases the offscreen context and forgets its renderer; nothing else
// happens when there is none.
void stopOffscreenView();

// The whole sequence for a model already compiled into the table: starts
// the view, draws the table in place, writes pngPath and stops the view.
// Returns 0 on success, 1 when the view could not be started or the file
// not written.
int renderModelToPng(const char* pngPath, int width, int height, bool room, uint32_t displayMode);
