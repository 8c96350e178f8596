#include "insertion/insertion.h"

#include <cstdio>
#include <cstring>

// Insertion by clicking is not built yet: clicks and the wheel do nothing.
PieceRecord* lastInserted = nullptr;

void insertPiece(PieceRecord*) {}
int32_t handleInsertionWheel(uint32_t) { return 0; }
void cycleGhostKind(int16_t) {}
void cycleGhostPort(int16_t) {}

char* formatPlace(float value, char* buffer) {
  std::sprintf(buffer, "%f", double(value));
  size_t n = std::strlen(buffer);
  while (n > 1 && buffer[n - 1] == '0') buffer[--n] = '\0';
  if (n > 0 && buffer[n - 1] == '.') buffer[--n] = '\0';
  return buffer;
}
