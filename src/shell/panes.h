// The panes beside the editor and the view, and the link between pieces and
// script lines: the list of the last compile's messages (a click takes the
// editor to the message's line), the status bar, the selection (a piece
// clicked in the view highlights the pieces of its line and takes the editor
// there; moving the editor's caret highlights the pieces of its line) and
// the F11 report of the piece under the mouse.
#pragma once

#include <string>
#include <vector>

#include "checks/model_check.h"
#include "platform/core_window_messages.h"

constexpr int messageListHeight = 110;
constexpr int statusBarHeight = 22;

// Both panes in the main window's client area of width x height, before the
// editor: the status bar along the bottom, the list at the bottom of the
// editor's column, which the editor fills above it.
void createPanes(WindowHandle mainWindow, int width, int height);
void destroyPanes();

// Around a compile of the editor's text: its messages, each with the line
// being compiled when it came, fill the list and mark the editor's lines,
// and its time and message count go to the status bar.
void startCompileRecord();
void endCompileRecord();

// After a check of the model ("Vérifier le modèle"): its findings listed
// below the compile's messages, counted in the status bar. A click on one
// takes the caret to its line and highlights its pieces. The next compile
// takes them away.
void listFindings(std::vector<Finding> findings);
// The pieces the window draws highlighted (its view state's pieceLooks)
// instead of the caret line's; none: the caret line's again.
void highlightPieces(const std::vector<int32_t>& pieces);

// What a click in the view selects: the piece under the mouse, or nothing.
void selectPieceAtMouse();
// F11: the number of the piece under the mouse and its script line, in a box.
void reportPieceUnderMouse();
// Once a frame: the highlight follows the caret, the status bar the state.
void updatePanes();

// The status bar's text for the state as it is.
std::string statusLine();
