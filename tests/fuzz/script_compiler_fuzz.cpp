// Fuzz target: the script compiler over any bytes, read as a script file is
// (UTF-8 detection, line ends). A compile stops after a fixed number of lines
// read, as the desktop program's stop request ends one, so that a huge repeat
// count ends the run instead of timing it out. Beyond not crashing, checks
// what every compile must leave behind: the used records a prefix of the
// table and the rest untouched, links that name records of the table, key
// binding chains that match the list of all bindings, a frame walk that ends
// and enters each piece once, messages in UTF-8 with known captions, no more
// variables than the script has words (declarations in a loop must not pile
// up: within the line budget such growth is far too small for a memory
// limit of the process to see), and the same result when the same text is
// compiled again.
#include <chrono>
#include <cstring>
#include <set>
#include <string>

#include "fuzz_support.h"
#include "model/frame_tree.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_text_encoding.h"
#include "script/compiler.h"
#include "script/key_bindings.h"
#include "shell/script_file.h"

namespace {
constexpr long long LINE_BUDGET = 5000;
constexpr long long WORDS_PER_LINE = 20;
// A backstop only: lines with long variable lists are slow, not endless.
constexpr double SECONDS_BUDGET = 2.0;

struct Budget {
  std::chrono::steady_clock::time_point start;
  bool outOfTime = false;
  bool refused = false;
};

bool keepGoing(void* context, int linesRead, int) {
  auto* budget = static_cast<Budget*>(context);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - budget->start;
  if (elapsed.count() > SECONDS_BUDGET) budget->outOfTime = true;
  budget->refused = linesRead >= LINE_BUDGET || budget->outOfTime;
  return !budget->refused;
}

bool isTableRecord(const PieceRecord* p) {
  const int n = pieceNumber(p);
  return n >= 0 && p == &modelTable[n];
}

// Records past the pieces are never written.
bool restIsZero(int prefix) {
  static const PieceRecord zeros[MODEL_CAPACITY] = {};
  const size_t bytes = sizeof(PieceRecord) * size_t(MODEL_CAPACITY - prefix);
  return std::memcmp(&modelTable[prefix], zeros, bytes) == 0;
}

void checkModelTable(const CompileResult& result) {
  const int prefix = usedPrefixLength();
  FUZZ_CHECK(countPieces() == prefix);
  FUZZ_CHECK(result.piecesPlaced == prefix);
  FUZZ_CHECK(restIsZero(prefix));
  for (int n = 0; n < prefix; ++n) {
    const PieceRecord& p = modelTable[n];
    FUZZ_CHECK(p.kind >= 0 && p.kind < KIND_COUNT);
    FUZZ_CHECK((p.flags & ~(PIECE_USED | PIECE_FRAME_MARKER | PIECE_IN_FRAME)) == 0);
    // A reference may name a record that a later piece would fill, and a
    // rebase with a count below 1 makes that record the frame, so links may
    // name empty records, but always records of the table.
    FUZZ_CHECK(!p.attachedTo || isTableRecord(p.attachedTo));
    FUZZ_CHECK(!p.frameParent || isTableRecord(p.frameParent));
    FUZZ_CHECK(!p.frameParent || isInFrame(p));
  }
}

// Drawing's walk over the frame links: ends whatever loops they form, enters
// each piece at most once, and leaves what it entered in reverse order.
struct WalkLog {
  std::vector<int32_t> open;
  std::vector<bool> entered = std::vector<bool>(MODEL_CAPACITY);
  int prefix = 0;
};

void enterPiece(void* context, int32_t piece) {
  auto* log = static_cast<WalkLog*>(context);
  FUZZ_CHECK(piece >= 0 && piece < log->prefix);
  FUZZ_CHECK(!log->entered[size_t(piece)]);
  log->entered[size_t(piece)] = true;
  log->open.push_back(piece);
}

void leavePiece(void* context, int32_t piece) {
  auto* log = static_cast<WalkLog*>(context);
  FUZZ_CHECK(!log->open.empty() && log->open.back() == piece);
  log->open.pop_back();
}

FrameTree frameTree;

void checkFrameWalk() {
  WalkLog log;
  log.prefix = usedPrefixLength();
  buildFrameTree(frameTree, modelTable);
  walkFrameForest(frameTree, FrameVisitor{enterPiece, leavePiece, &log});
  FUZZ_CHECK(log.open.empty());
  // Every piece outside any frame is a root and is drawn.
  for (int n = 0; n < log.prefix; ++n)
    if (!isInFrame(modelTable[n])) FUZZ_CHECK(log.entered[size_t(n)]);
}

void checkKeyBindings() {
  int inAll = 0;
  for (const KeyBinding* b = allKeyBindings; b; b = b->nextInAll) {
    FUZZ_CHECK(b->name != nullptr);
    FUZZ_CHECK(!b->piece || isTableRecord(b->piece));
    FUZZ_CHECK(++inAll <= 1000000);
  }
  int inChains = 0;
  for (int k = 0; k < 256; ++k)
    for (const KeyBinding* b = keyBindings[k]; b; b = b->nextForKey) {
      FUZZ_CHECK(b->key == k);
      ++inChains;
    }
  FUZZ_CHECK(inChains == inAll);
}

void checkMessages() {
  static const std::set<std::string> captions = {"Erreur de syntaxe", "ID inconnue",         "Capacité dépassée",
                                                 "Erreur",            "Placement impossible", "Messages répétés"};
  for (const ShownMessage& m : shownMessages()) {
    FUZZ_CHECK(captions.count(m.caption) == 1);
    FUZZ_CHECK(isValidUtf8(m.text));
  }
}

// Everything a compile leaves, in a form that two compiles can compare.
struct Outcome {
  std::string table;
  std::string bindings;
  std::vector<ShownMessage> messages;
  bool operator==(const Outcome&) const = default;
};

Outcome takeOutcome() {
  Outcome o;
  o.table.assign(reinterpret_cast<const char*>(modelTable), sizeof(PieceRecord) * size_t(usedPrefixLength()));
  for (const KeyBinding* b = allKeyBindings; b; b = b->nextInAll) {
    o.bindings += b->name;
    o.bindings += '\0';
    o.bindings.append(reinterpret_cast<const char*>(&b->key), sizeof b->key);
    o.bindings.append(reinterpret_cast<const char*>(&b->piece), sizeof b->piece);
    o.bindings.append(reinterpret_cast<const char*>(&b->oneShot), sizeof b->oneShot);
    o.bindings.append(reinterpret_cast<const char*>(&b->matrix), sizeof b->matrix);
  }
  o.messages = shownMessages();
  return o;
}

// Compiles and checks; false when the time backstop ended the compile.
bool compileAndCheck(const ScriptLines& lines, Outcome& outcome) {
  shownMessages().clear();
  Budget budget{std::chrono::steady_clock::now()};
  CompileControl control;
  control.keepGoing = keepGoing;
  control.context = &budget;
  control.interval = 64;
  const CompileResult result = compileScript(lines, &control);
  // The budget is asked every so many lines: a compile that passes it
  // between two questions ends on its own.
  FUZZ_CHECK(result.stopped == budget.refused);
  // A top-level variable has a name of its own, taken from one word.
  FUZZ_CHECK(result.variablesLeft <= WORDS_PER_LINE * (long long)lines.size());
  checkModelTable(result);
  checkFrameWalk();
  checkKeyBindings();
  checkMessages();
  outcome = takeOutcome();
  return !budget.outOfTime;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  captureMessages();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ScriptLines lines = splitScriptText(std::string(reinterpret_cast<const char*>(data), size));
  FUZZ_CHECK(!lines.empty());
  Outcome first, second;
  const bool firstInTime = compileAndCheck(lines, first);
  const bool secondInTime = compileAndCheck(lines, second);
  // Nothing of one compile reaches the next.
  if (firstInTime && secondInTime) FUZZ_CHECK(first == second);
  clearKeyBindings();
  return 0;
}
