// A private X server for tests of the desktop program: Xvfb on a display
// number it picks itself, stopped when the test program ends.
#pragma once

#include <string>

// Starts the server once per test program and points DISPLAY at it. False
// (with the reason) when Xvfb is missing or does not start.
bool startVirtualDisplay(std::string* reason = nullptr);
// ":N" of the running server, or "".
std::string virtualDisplayName();
