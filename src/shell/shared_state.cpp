#include "shell/shared_state.h"

#include <cstring>

std::string dataDir;
char documentName[260] = "sans titre";
char windowTitle[280] = "VexioCad - sans titre";
uint8_t windowActive = 1;
int32_t mouseX = 0, mouseY = 0;
uint8_t relativeReferences = 1;
uint8_t frameMarkerRequest = 0;
uint8_t ampersandOption = 0;
int32_t ghostPortKind = 2;
float ghostPlace = 1.0f;

void resetSharedState() {
  std::strcpy(documentName, "sans titre");
  std::strcpy(windowTitle, "VexioCad - sans titre");
  windowActive = 1;
  mouseX = mouseY = 0;
  relativeReferences = 1;
  frameMarkerRequest = 0;
  ampersandOption = 0;
  ghostPortKind = 2;
  ghostPlace = 1.0f;
}
