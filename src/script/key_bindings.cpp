// Key bindings: the records a compile makes, and firing them once per frame
// over the held keys.
#include "script/key_bindings.h"

#include <cstdlib>
#include <cstring>

KeyBinding* keyBindings[256];
KeyBinding* allKeyBindings;

// A key held long enough would move a piece beyond the range of a float:
// the piece stops at the last place that has a finite position.
void applyKeyBinding(KeyBinding* binding) {
  for (KeyBinding* b = binding; b; b = b->nextForKey) {
    if (pieceNumber(b->piece) < 0) continue;
    Matrix moved = b->piece->matrix;
    multiplyRight(moved, b->matrix);
    if (isFiniteMatrix(moved)) b->piece->matrix = moved;
  }
}

void freeKeyBindings(KeyBinding* head) {
  while (head) {
    KeyBinding* next = head->nextInAll;
    std::free(head->name);
    delete head;
    head = next;
  }
}

void clearKeyBindings() {
  freeKeyBindings(allKeyBindings);
  allKeyBindings = nullptr;
  std::memset(keyBindings, 0, sizeof keyBindings);
}

// The latch byte is 1 while the key is up (armed). The first record of a
// chain decides whether the chain fires once per press or every frame.
void runKeyBindings(const uint8_t keyState[256], uint8_t keyLatch[256]) {
  for (int k = 0; k < 256; ++k) {
    KeyBinding* chain = keyBindings[k];
    if (!chain) continue;
    if (!keyState[k]) {
      keyLatch[k] = 1;
      continue;
    }
    if (chain->oneShot && !keyLatch[k]) continue;
    applyKeyBinding(chain);
    keyLatch[k] = 0;
  }
}
