#include "shell/shared_state.h"

#include <cstring>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "script/key_bindings.h"
#include "shell/key_switches.h"
#include "shell/panes.h"
#include "view/camera.h"
#include "view/view_switches.h"

char documentName[260] = "sans titre";
char windowTitle[280] = "VexioCad - sans titre";
uint8_t windowActive = 1;

void resetSharedState() {
  std::strcpy(documentName, "sans titre");
  std::strcpy(windowTitle, "VexioCad - sans titre");
  windowActive = 1;
  mouseX = mouseY = 0;
  insertionMode = 1;
  relativeReferences = 1;
  frameMarkerRequest = 0;
  ampersandOption = 0;
  ghostPortKind = 2;
  ghostPlace = 1.0f;
  resetGhostPiece();
  resetViewSwitches();
  resetKeys();
  resetView(camera);
  clearModel();
  clearKeyBindings();
}

ViewState currentViewState() {
  ViewState view;
  view.camera = camera;
  view.displayMode = displayMode;
  view.lightingOn = lightingOn;
  view.lightingEnabled = lightingEnabled;
  view.showAxes = showAxes;
  view.showRoom = showRoom;
  view.highlightedLine = highlightedLine;
  view.pieceLooks = highlightedPieceLooks();
  view.drawing = modelDrawing;
  view.ghost = {insertionMode != 0, ghostPiece, ghostPortKind, ghostPlace, mouseX, mouseY};
  return view;
}
