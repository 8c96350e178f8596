// Inserting pieces by clicking, the script lines that rebuild them, and the
// wheel that changes the ghost piece or re-places the last insertion.
#pragma once

#include <cstdint>

#include "model/model_table.h"

extern PieceRecord* lastInserted;

void insertPiece(PieceRecord* record);
int32_t handleInsertionWheel(uint32_t wParam);
void cycleGhostKind(int16_t delta);
void cycleGhostPort(int16_t delta);
char* formatPlace(float value, char* buffer);
