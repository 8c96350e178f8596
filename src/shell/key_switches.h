// The built-in key switches the main loop runs after each drawn frame:
// display modes, insertion options, view distance and the F9/F12 commands.
#pragma once

// What the switches need from the windows and the GL context.
struct KeySwitchActions {
  void (*setLighting)(bool on) = nullptr;       // GL lighting on or off
  void (*sendCommand)(int identifier) = nullptr;  // a menu command to the main window
  void (*showStatistics)() = nullptr;           // the F6 report
};

// Virtual-key codes the switches and the view read.
enum VirtualKey : int {
  VK_BACK = 0x08,
  VK_RETURN = 0x0D,
  VK_SHIFT = 0x10,
  VK_CONTROL = 0x11,
  VK_ESCAPE = 0x1B,
  VK_PRIOR = 0x21,
  VK_NEXT = 0x22,
  VK_LEFT = 0x25,
  VK_UP = 0x26,
  VK_RIGHT = 0x27,
  VK_DOWN = 0x28,
  VK_1 = 0x31,
  VK_F1 = 0x70,
  VK_F2 = 0x71,
  VK_F3 = 0x72,
  VK_F4 = 0x73,
  VK_F5 = 0x74,
  VK_F6 = 0x75,
  VK_F7 = 0x76,
  VK_F8 = 0x77,
  VK_F9 = 0x78,
  VK_F10 = 0x79,
  VK_F11 = 0x7A,
  VK_F12 = 0x7B
};

constexpr int COMMAND_COMPILE = 40010;
constexpr int COMMAND_UNDO_INSERTION = 40018;

// One pass over the switch table, in its order. Edge-triggered switches act
// once per press through keyLatch, which the script's key bindings share.
void runKeySwitches(const KeySwitchActions& actions);
