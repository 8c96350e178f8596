#include "shell/shared_state.h"

#include <algorithm>

#include "model/model_table.h"
#include "script/key_bindings.h"
#include "shell/documents.h"

DesktopState desktop;

void resetSharedState() {
  const DesktopState start;
  std::copy(std::begin(start.documentName), std::end(start.documentName), desktop.documentName);
  std::copy(std::begin(start.windowTitle), std::end(start.windowTitle), desktop.windowTitle);
  desktop.windowActive = start.windowActive;
  // The view's size is the window's, which stays.
  const Camera size = desktop.view.camera;
  desktop.view = start.view;
  setViewport(desktop.view.camera, size.viewportWidth, size.viewportHeight);
  desktop.insertion = start.insertion;
  desktop.keys = start.keys;
  desktop.preferences = start.preferences;
  setUntitledFolder("");
  clearModel();
  clearKeyBindings();
}
