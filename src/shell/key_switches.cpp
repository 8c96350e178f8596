#include "shell/key_switches.h"

#include "shell/shared_state.h"
#include "view/view_state.h"

namespace {
const KeySwitchActions* current = nullptr;

void setLighting(bool on) {
  if (current->setLighting) current->setLighting(on);
}

void sendCommand(int identifier) {
  if (current->sendCommand) current->sendCommand(identifier);
}

void toggleSolidsAndEdges() {
  if (displayMode & DISPLAY_SOLIDS) {
    displayMode = (displayMode & ~DISPLAY_SOLIDS) | DISPLAY_EDGES;
    setLighting(false);
  } else {
    setLighting(true);
    displayMode = (displayMode & ~DISPLAY_EDGES) | DISPLAY_SOLIDS;
  }
}

void toggleLighting() {
  lightingOn = !lightingOn;
  if (!lightingOn) {
    setLighting(false);
    displayMode |= DISPLAY_SOLIDS | DISPLAY_EDGES;
  } else {
    setLighting(true);
    displayMode = (displayMode & ~DISPLAY_EDGES) | DISPLAY_SOLIDS;
  }
}

// Acts once per press. The latch is cleared while the key is up; a key
// released during the action (a modal message box) is cleared at once.
void edgeTriggered(int key, void (*action)()) {
  if (!keyState[key]) {
    keyLatch[key] = 0;
    return;
  }
  if (keyLatch[key]) return;
  keyLatch[key] = 1;
  action();
  if (!keyState[key]) keyLatch[key] = 0;
}
}  // namespace

void runKeySwitches(const KeySwitchActions& actions) {
  current = &actions;
  edgeTriggered(VK_F1, [] { showRoom = !showRoom; });
  edgeTriggered(VK_F2, toggleSolidsAndEdges);
  edgeTriggered(VK_F3, toggleLighting);
  edgeTriggered(VK_F4, [] { insertionMode = !insertionMode; });
  edgeTriggered(VK_F5, [] { showAxes = !showAxes; });
  if (keyState[VK_F6]) {
    if (actions.showStatistics) actions.showStatistics();
    keyState[VK_F6] = 0;
  }
  edgeTriggered(VK_F7, [] { relativeReferences = !relativeReferences; });
  edgeTriggered(VK_F8, [] { frameMarkerRequest = 1; });
  edgeTriggered(VK_F9, [] { sendCommand(COMMAND_UNDO_INSERTION); });
  edgeTriggered(VK_F12, [] { sendCommand(COMMAND_COMPILE); });
  edgeTriggered(VK_1, [] { ampersandOption = !ampersandOption; });
  if (keyState[VK_NEXT] && viewDistance < -10.0f) viewDistance += 10.0f;
  if (keyState[VK_PRIOR]) viewDistance -= 10.0f;
  current = nullptr;
}
