// The 3-D window: its creation with the GL context, its release, and its
// procedure, which turns mouse drags into view changes, records keys and the
// mouse position, and hands clicks and the wheel to insertion. It works on
// the desktop record (shell/shared_state.h): its view state, insertion and
// keys.
#pragma once

#include <cstdint>

#include "platform/core_window_messages.h"
#include "view/renderer.h"

// Creates the window right of the editor in the main window, sets up GL and
// loads the view's data; shows its own message and returns false on failure.
bool createGlWindow(const char* title, int width, int height, int colourBits);
// Releases the window and its context; does nothing when there is none.
void destroyGlWindow();
// Loads the window's renderer (its GL resources and state) into the current
// context, which is the window's, and starts its view; false when the
// textures cannot be loaded. createGlWindow does this once the window is made.
bool startGlWindowRenderer();
// The renderer of the window's context.
const Renderer& glWindowRenderer();
// The camera's viewport becomes width x height pixels; viewport and
// projection are loaded from it into the current context.
void resizeGlView(int width, int height);

// A wheel message's turn, in either window, the pointer at (x, y) in the
// view's pixels (outside the view: towards its centre).
intptr_t turnWheel(uint32_t wParam, int x, int y);
// Inserts at the view's pointer as a click does, and says what it did.
void insertAtPointer();
// One frame of the view: the model drawn, or copied back when only the
// overlay changed since it was kept, then the overlay (the ghost, where a
// click would insert it, the keyboard frame).
void drawViewFrame();

// A key message (WM_KEYDOWN, WM_KEYUP) of either window: keys act alike
// everywhere. F11 reports the piece under the mouse; the others are
// recorded for the main loop.
intptr_t viewKeyMessage(uint32_t message, uintptr_t wParam);

intptr_t glWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);
