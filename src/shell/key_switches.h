// The built-in key switches the main loop runs after each drawn frame:
// display modes, insertion options, view distance and the F9/F12 commands.
#pragma once

#include "platform/core_virtual_keys.h"

// What the switches need from the windows and the GL context.
struct KeySwitchActions {
  void (*setLighting)(bool on) = nullptr;       // GL lighting on or off
  void (*sendCommand)(int identifier) = nullptr;  // a menu command to the main window
  void (*showStatistics)() = nullptr;           // the F6 report
};


constexpr int COMMAND_COMPILE = 40010;
constexpr int COMMAND_UNDO_INSERTION = 40018;

// One pass over the switch table, in its order. Edge-triggered switches act
// once per press through keyLatch, which the script's key bindings share.
void runKeySwitches(const KeySwitchActions& actions);
