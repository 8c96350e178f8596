// The model table: every placed piece, indexed by its piece number. Used
// records always form a prefix of the table; the table is only ever cleared
// whole. A record holds what the compile decides and nothing of the view:
// drawing finds the display lists by the kind.
#pragma once

#include <cstdint>

#include "model/matrix.h"

constexpr int MODEL_CAPACITY = 10000;
constexpr int KIND_COUNT = 17;

constexpr uint32_t PIECE_USED = 1;
constexpr uint32_t PIECE_FRAME_MARKER = 2;
constexpr uint32_t PIECE_IN_FRAME = 4;

struct PieceRecord {
  int16_t kind;
  float colour[4];
  Matrix matrix;
  PieceRecord* attachedTo;   // the piece this one was placed against
  PieceRecord* frameParent;  // frame the matrix is relative to (with PIECE_IN_FRAME)
  uint32_t flags;
  // The script line (from 1) whose piece word made the record, 0 for none.
  // Pieces made in a repeat block or a function body get the body line that
  // placed them, so that line stands for every piece it made.
  int32_t scriptLine;
  // The line of the top level that was running when the record was made:
  // the piece's own line, or the line of the call or of the repeat block
  // that led to it. A building step is told by it.
  int32_t topLevelLine;
};

extern PieceRecord modelTable[MODEL_CAPACITY];

inline bool isUsed(const PieceRecord& p) { return p.flags & PIECE_USED; }
inline bool isInFrame(const PieceRecord& p) { return p.flags & PIECE_IN_FRAME; }
inline bool isFrameMarker(const PieceRecord& p) { return p.flags & PIECE_FRAME_MARKER; }

void clearModel();
// Grows by one every time the table is cleared (each compile): a record
// remembered with the number it had then is
// known to be stale once this has moved on.
extern uint32_t modelGeneration;
// The first record whose used bit is clear, or nullptr when all are used.
PieceRecord* findFreeRecord();
// Records with the used bit set, over the whole table.
int countPieces();
// Number of records before the first unused one: the pieces drawing,
// picking and the dump walk; of the model table or of the table given.
int usedPrefixLength();
int usedPrefixLength(const PieceRecord* table);
// Index of a record of the table, or -1 for nullptr or any other record.
int pieceNumber(const PieceRecord* p);
PieceRecord* pieceAt(int number);  // nullptr outside 0..MODEL_CAPACITY-1

// Where piece stands in the model frame: its matrix behind the matrices of
// the frames it sits in, innermost first, as drawing composes them.
Matrix worldPlacement(const PieceRecord& piece);
// A reference to target: piece starts where target stands and is attached
// to it, ready for a rebase and a join.
void referToPiece(PieceRecord& piece, PieceRecord& target);

// The n-th frame marker met climbing from start (frameParent where set, else
// attachedTo); start itself when n < 1; nullptr when the chain ends first.
PieceRecord* findFrameAncestor(PieceRecord* start, int32_t n);
// Expresses the placement of piece's attached-to piece in the frame of its
// n-th frame ancestor and makes the piece a member of that frame.
void rebaseOnFrame(PieceRecord* piece, int32_t n);

// Links between records may form loops (a reference can name a record that a
// later piece fills with a reference back). Every climb stops after this many
// steps and treats that point as the end of the chain.
constexpr int MAX_CHAIN_STEPS = MODEL_CAPACITY;
