// Inserting pieces by clicking, the script lines that rebuild them, and the
// wheel that changes the ghost piece or re-places the last insertion.
#pragma once

#include <cstdint>
#include <string>

#include "model/model_table.h"

// Insertion on or off (F4): clicks insert and the ghost piece is drawn.
extern uint8_t insertionMode;
// The switches of the inserted lines: references relative to the piece
// picked, a frame marker asked for the next line, the "&" option.
extern uint8_t relativeReferences;
extern uint8_t frameMarkerRequest;
extern uint8_t ampersandOption;

// Port by which the ghost piece will hang, and its position code.
extern int32_t ghostPortKind;
extern float ghostPlace;


// The record that the last completed insertion filled or re-placed.
extern PieceRecord* lastInserted;

constexpr int INSERTION_LINE_CAPACITY = 256;

// nullptr: picks the connection point under the mouse and inserts a copy of
// the ghost piece there. A record: re-places it at the last picked point and
// rewrites its line, as long as it is still the last insertion, its line is
// still the editor's last change and no compile has refilled the table
// since; otherwise it inserts a new piece as for nullptr.
void insertPiece(PieceRecord* record);
// The insertion itself, at the point pickedPiece, pickedPortKind and
// pickedPlace name, without picking: what insertPiece does after its pick
// (nullptr) or after taking back the record's line.
void insertAtPickedPoint(PieceRecord* record);
// lastInserted while the wheel may still re-place it (see insertPiece),
// else nullptr.
PieceRecord* replaceableInsertion();

// The wheel message's wParam: signed delta in the high word, key state in
// the low word. Always returns 0.
int32_t handleInsertionWheel(uint32_t wParam);
void cycleGhostKind(int16_t delta);
void cycleGhostPort(int16_t delta);
char* formatPlace(float value, char* buffer);
// The ghost's port as an inserted line names it, as "c1".
std::string ghostPortText();

// "Annuler insertion": takes back the editor's last line when insertion
// appended it and nothing changed the text since; true when it did.
bool takeBackInsertedLine();
