// Inserting pieces by clicking, the script lines that rebuild them, and the
// wheel that changes the ghost piece or re-places the last insertion.
#pragma once

#include <cstdint>
#include <string>

#include "insertion/picking.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_editor.h"
#include "view/view_state.h"

// What insertion decides, held by whoever inserts (the desktop program's
// window, a test): the switches, the ghost piece, the point last picked
// and the piece last inserted.
struct InsertionState {
  // Insertion on or off (F4): clicks insert and the ghost piece is drawn.
  uint8_t insertionMode = 1;
  // The switches of the inserted lines: references relative to the piece
  // picked, a frame marker asked for the next line, the "&" option.
  uint8_t relativeReferences = 1;
  uint8_t frameMarkerRequest = 0;
  uint8_t ampersandOption = 0;
  // The half-transparent piece shown at the mouse and copied by insertion,
  // the port by which it will hang, and that port's position code.
  PieceRecord ghostPiece = pieceTemplates[START_GHOST_KIND];
  int32_t ghostPortKind = 2;
  float ghostPlace = 1.0f;
  // The connection point the next piece joins (pickedPiece, pickedPortKind,
  // pickedPlace).
  PickedPoint picked;
  // The record that the last completed insertion filled or re-placed, and
  // what made it re-placeable: the table's generation and the editor (its
  // state and change count) right after its line was appended.
  PieceRecord* lastInserted = nullptr;
  uint32_t insertedGeneration = 0;
  const void* insertedEditor = nullptr;
  unsigned long insertedChange = 0;
};

// The ghost as a view draws it: shown in insertion mode.
GhostView ghostView(const InsertionState& insertion);

constexpr int INSERTION_LINE_CAPACITY = 256;

// What an insertion at the picked point does, decided before anything
// changes: a click carries it out, a hover shows it.
enum class InsertionOutcome {
  Joins,          // a copy of the ghost joined at the picked point
  StartsModel,    // the first piece of an empty model, at the origin
  NoPoint,        // no connection point of the model was picked
  RefusedPair,    // the two ports do not fit each other
  ModelFull,      // every record of the table is used
  CannotBeWritten // a line the script could not read back, or no ghost
};
struct InsertionPlan {
  InsertionOutcome outcome = InsertionOutcome::NoPoint;
  // The record as it is about to be filled (its matrix relative to its
  // frame, as a compile of the line gives it), the slot it goes into, and
  // where it stands in the model.
  PieceRecord record{};
  PieceRecord* slot = nullptr;
  Matrix world;
  std::string line;    // the line appended, in the script's encoding
  std::string reason;  // UTF-8, why nothing is inserted
};
inline bool insertsPiece(const InsertionPlan& plan) {
  return plan.outcome == InsertionOutcome::Joins || plan.outcome == InsertionOutcome::StartsModel;
}
// What inserting at the picked point would do; record: the record being
// re-placed (its slot and line), nullptr for a new piece. The text and the
// table are left as they are; the editor only numbers the line.
InsertionPlan planInsertion(const InsertionState& insertion, const PieceRecord* record);
// The plan of a click at the view's mouse, picking there without
// remembering the point: what the preview shows.
InsertionPlan planClickAt(const InsertionState& insertion, const ViewState& view, PickedPoint* picked = nullptr);

// Every insertion appends its line to the editor given.
// nullptr: picks the connection point under the view's mouse and inserts a
// copy of the ghost piece there. A record: re-places it at the last picked
// point and rewrites its line, as long as it is still the last insertion,
// its line is still the editor's last change and no compile has refilled
// the table since; otherwise it inserts a new piece as for nullptr.
// Returns what was done (see InsertionPlan: the reason when nothing was).
InsertionPlan insertPiece(InsertionState& insertion, const Editor& editor, const ViewState& view,
                          PieceRecord* record);
// The insertion itself, at the picked point, without picking: what
// insertPiece does after its pick (nullptr) or after taking back the
// record's line. It carries out planInsertion's plan.
InsertionPlan insertAtPickedPoint(InsertionState& insertion, const Editor& editor, PieceRecord* record);
// lastInserted while the wheel may still re-place it (see insertPiece),
// else nullptr.
PieceRecord* replaceableInsertion(const InsertionState& insertion, const Editor& editor);

// The wheel message's wParam: signed delta in the high word, key state in
// the low word; a new piece is picked for in the view. Always returns 0.
int32_t handleInsertionWheel(InsertionState& insertion, const Editor& editor, const ViewState& view,
                             uint32_t wParam);
void cycleGhostKind(InsertionState& insertion, int16_t delta);
void cycleGhostPort(InsertionState& insertion, int16_t delta);
char* formatPlace(float value, char* buffer);
// The ghost's port as an inserted line names it, as "c1".
std::string ghostPortText(const InsertionState& insertion);

// "Annuler insertion": takes back the editor's last line when insertion
// appended it and nothing changed the text since; true when it did.
bool takeBackInsertedLine(const Editor& editor);
