#include "platform/core_window_messages.h"

namespace {
bool quitPosted = false;
int quitCode = 0;
bool redrawRequested = true;
}  // namespace

void postQuitMessage(int exitCode) {
  quitPosted = true;
  quitCode = exitCode;
}

bool quitMessagePosted(int* exitCode) {
  if (quitPosted && exitCode) *exitCode = quitCode;
  return quitPosted;
}

void clearQuitMessage() { quitPosted = false; }

void requestRedraw() { redrawRequested = true; }

bool takeRedrawRequest() {
  const bool requested = redrawRequested;
  redrawRequested = false;
  return requested;
}
