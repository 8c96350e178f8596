// Key-bound motions: bindings a script makes between a key and a small turn
// or move of a piece, fired by the main loop while the key is held.
#pragma once

#include <cstdint>

#include "model/matrix.h"
#include "model/model_table.h"

struct KeyBinding {
  char* name;
  uint8_t key;         // virtual-key code
  PieceRecord* piece;  // target; nullptr or outside the table: no effect
  uint8_t oneShot;     // once per press, else every frame while held
  Matrix matrix;
  KeyBinding* nextInAll;
  KeyBinding* nextForKey;
  int32_t scriptLine;  // the line of the "declare" the binding belongs to
};

// Chains by virtual-key code, newest first; the list of all bindings,
// newest first, owns the records.
extern KeyBinding* keyBindings[256];
extern KeyBinding* allKeyBindings;

void applyKeyBinding(KeyBinding* binding);
void freeKeyBindings(KeyBinding* head);
// Frees every binding and empties the list and all chains.
void clearKeyBindings();
// Once per drawn frame, over the held keys (by virtual-key code, 1 while
// held) and the latch the main loop keeps for them.
void runKeyBindings(const uint8_t keyState[256], uint8_t keyLatch[256]);
