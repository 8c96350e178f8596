// What a compile keeps for the model checker beside the model table and the
// key bindings: the ports and places each "@" named, each on the piece it
// belongs to, and the pieces the table had no room for. Filled by
// compileScript, read after it; the next compile starts it afresh.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct JoinRecord {
  int32_t line;    // the line of the "@"
  int32_t piece;   // the piece being placed
  int32_t target;  // the piece it is hung on
  // The two connection points after the join has put each on its piece
  // (the script may name them in either order).
  uint8_t targetPort, piecePort;
  double targetPosition, piecePosition;  // position codes as read
  uint8_t pointsRead;  // 2, or fewer when the line ran out of words
  bool operator==(const JoinRecord&) const = default;
};

// A loop that joins the same piece over and over is recorded once; a loop
// that keeps naming new ports stops being recorded past this many.
constexpr size_t MAX_JOIN_RECORDS = 200000;

struct CompileRecord {
  std::vector<JoinRecord> joins;  // in compile order
  int32_t capacityLine = 0;       // the line of the first piece word left out, 0 for none
  int64_t piecesLeftOut = 0;
};

extern CompileRecord compileRecord;
