// The model checker: a pass over a compiled model and what its compile
// recorded, which finds what the compiler accepts but a builder cannot build
// or did not mean: ports a piece does not have, keys bound by a character
// that names another key, pieces whose solids pass through each other, clips
// holding more than one piece, and pieces the table had no room for. It
// changes nothing and shows nothing; its callers list the findings.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/matrix.h"
#include "script/compile_record.h"

enum class FindingKind { PORT, KEY, SAME_PLACE, COLLISION, CLIP, LIMIT, TOO_MANY };

struct Finding {
  FindingKind kind;
  int32_t line;                 // the script line to show it at, 0 for none
  std::vector<int32_t> pieces;  // the pieces it is about, ascending
  std::string text;             // French, UTF-8, one line
};

// A piece as drawing places it: its matrix composed onto its frames'.
struct CheckedPiece {
  int32_t number;
  int16_t kind;
  int32_t line;  // the line of its piece word, 0 for none
  Matrix world;
};

// One key binding: the line of its declaration, its name (UTF-8), key code
// and piece (-1 for a binding without one).
struct CheckedBinding {
  int32_t line;
  std::string name;
  uint8_t key;
  int32_t piece;
};

struct CheckInput {
  std::vector<CheckedPiece> pieces;  // every piece drawing reaches
  std::vector<JoinRecord> joins;
  std::vector<CheckedBinding> bindings;  // in the order they were made
  int32_t capacityLine = 0;
  int64_t piecesLeftOut = 0;
};

// The model table, key bindings and compile record as the last compile
// (and any insertion since) left them.
CheckInput lastCompileCheckInput();

// How far two solids may overlap without a finding, in model units (a rod
// is 16 across): pieces that touch, or overlap by less through rounding,
// are not reported; moving one of them this far in some direction parts them.
constexpr double OVERLAP_TOLERANCE = 0.5;

// A model with more findings than this is checked no further: the last
// finding says so.
constexpr size_t MAX_FINDINGS = 10000;

// Asked every so many pairs of pieces whether to go on; false stops the
// check, which then returns what it found so far.
struct CheckControl {
  bool (*keepGoing)(void* context) = nullptr;
  void* context = nullptr;
  // Every pair of pieces through the solids' test, near or not: what the
  // grid of boxes saves, measured by the benchmark.
  bool everyPair = false;
};

struct CheckResult {
  std::vector<Finding> findings;  // by line, then kind, then pieces
  bool stopped = false;
};

CheckResult checkModel(const CheckInput& input, const CheckControl* control = nullptr);
