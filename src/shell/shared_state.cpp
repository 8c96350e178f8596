#include "shell/shared_state.h"

#include <cstring>

#include "insertion/insertion.h"
#include "insertion/picking.h"

char documentName[260] = "sans titre";
char windowTitle[280] = "VexioCad - sans titre";
uint8_t keyState[256];
uint8_t keyLatch[256];
uint8_t windowActive = 1;
uint32_t displayMode = DISPLAY_SOLIDS;
uint8_t lightingOn = 1;
uint8_t showAxes = 1;
uint8_t showRoom = 0;

void resetSharedState() {
  std::strcpy(documentName, "sans titre");
  std::strcpy(windowTitle, "VexioCad - sans titre");
  std::memset(keyState, 0, sizeof keyState);
  std::memset(keyLatch, 0, sizeof keyLatch);
  windowActive = 1;
  mouseX = mouseY = 0;
  displayMode = DISPLAY_SOLIDS;
  lightingOn = 1;
  showAxes = 1;
  showRoom = 0;
  insertionMode = 1;
  relativeReferences = 1;
  frameMarkerRequest = 0;
  ampersandOption = 0;
  ghostPortKind = 2;
  ghostPlace = 1.0f;
}
