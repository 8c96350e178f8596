#include "view/view_switches.h"

uint32_t displayMode = DISPLAY_SOLIDS;
uint8_t lightingOn = 1;
uint8_t lightingEnabled = 1;
uint8_t showAxes = 1;
uint8_t showRoom = 0;
int32_t highlightedLine = 0;
ModelDrawing modelDrawing;

void resetViewSwitches() {
  displayMode = DISPLAY_SOLIDS;
  lightingOn = 1;
  lightingEnabled = 1;
  showAxes = 1;
  showRoom = 0;
  highlightedLine = 0;
}
