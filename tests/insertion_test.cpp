// Insertion without a view: the point a click would pick is set directly.
// The promise, over every pair of a target port and a ghost port with the
// reference, ampersand and frame options: the text insertion writes,
// compiled, gives exactly the model insertion built (the same --dump). Then
// the lines of turned joins, the wheel on the ghost and on the piece just
// inserted, when that piece is forgotten, refused picks, and "Annuler
// insertion". Tables in tests/insertion/.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <sstream>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/connection.h"
#include "pieces/catalogue.h"
#include "platform/core_window_messages.h"
#include "script/compiler.h"
#include "shell/model_dump.h"
#include "support/script_harness.h"
#include "support/table_file.h"

namespace {

struct Port {
  int32_t kind;
  float place;
};

// "h3": a port by its letter and place.
Port port(const std::string& text) { return {int32_t(std::strchr("ohc=", text[0]) - "ohc="), std::stof(text.substr(1))}; }

class Insertion : public ::testing::Test {
 protected:
  void SetUp() override {
    clearModel();
    hEditor = makeHeadlessEditor();
    insertion.picked.portKind = PORT_PINCE;
  }
  void TearDown() override { destroyHeadlessEditor(hEditor); }
  void compile() {
    compileScript(readEditorLines(hEditor));
    ASSERT_EQ(messages.take(), std::vector<std::string>{});
  }
  void load(const std::string& script) {
    loadEditorLines(hEditor, splitLines(script));
    compile();
  }
  // The model insertion built is the one its text compiles to.
  void expectTextRebuildsModel() {
    const std::string built = dumpModel();
    compile();
    EXPECT_EQ(dumpModel(), built);
  }
  void pick(int piece, Port p) { insertion.picked = {&modelTable[piece], p.kind, p.place}; }
  void ghost(int kind, Port p) {
    insertion.ghostPiece = pieceTemplates[kind];
    insertion.ghostPortKind = p.kind;
    insertion.ghostPlace = p.place;
  }
  std::string lastLine() { return readEditorLines(hEditor).back(); }
  // Inserts at the picked point; the new line, or "" when nothing changed.
  std::string insert() {
    const std::string before = editorTextUtf8(hEditor);
    const int pieces = usedPrefixLength();
    insertAtPickedPoint(insertion, hEditor, nullptr);
    if (editorTextUtf8(hEditor) != before) return lastLine();
    EXPECT_EQ(usedPrefixLength(), pieces);
    return "";
  }
  void wheel(int delta, uint32_t keys) {
    handleInsertionWheel(insertion, hEditor, ViewState{}, (uint32_t(uint16_t(delta)) << 16) | keys);
  }
  MessageCapture messages;
  Editor hEditor;
  InsertionState insertion;
};

// The hole and clips of a connector (kind 16: its hole), the ends and body
// places of a rod.
std::vector<Port> portsOf(int kind) {
  std::vector<Port> ports;
  if (!isRodKind(kind)) ports.push_back({PORT_TROU, 1.0f});
  for (int n = 1; n <= clipCount(kind); ++n) ports.push_back({PORT_PINCE, float(n)});
  if (isRodKind(kind)) ports.insert(ports.end(), {{PORT_BOUT, 1.0f}, {PORT_BOUT, 2.0f}});
  for (int n = 1; n <= bodyPlaceCount(kind); ++n) ports.push_back({PORT_BARRE, float(n)});
  return ports;
}

// Turns, quarter places and the edge of a turn on top of a port's place.
Port varied(Port p, int variant) {
  static const float offsets[] = {0.0f, 100.0f, 0.25f, -200.0f, 300.75f, 199.0f};
  return {p.kind, p.place + offsets[variant % 6]};
}

TEST_F(Insertion, EveryPortPairWithEveryOptionIsRebuiltExactlyByItsLineAndRefusedPairsChangeNothing) {
  const std::string base = utf8ToCp1252(readFile(VEXOCAD_SOURCE_DIR "/tests/insertion/round-trip-targets.vxo"));
  load(base);
  int cases = 0, refused = 0, turnJoins = 0, batch = 0;
  for (int options = 0; options < 8; ++options) {
    insertion.relativeReferences = options & 1;
    insertion.ampersandOption = (options >> 1) & 1;
    for (int tk = 0; tk < KIND_COUNT; ++tk)
      for (const Port& target : portsOf(tk))
        for (int gk = 0; gk < KIND_COUNT; ++gk)
          for (const Port& g : portsOf(gk)) {
            ++cases;
            pick(2 + 2 * tk + (options >> 2), varied(target, cases));
            ghost(gk, varied(g, cases / 6));
            insertion.frameMarkerRequest = cases % 7 == 0;
            const std::string line = insert();
            refused += line.empty();
            turnJoins += line.find(" 3D") != std::string::npos;
            EXPECT_TRUE(line.empty() || !insertion.frameMarkerRequest) << "a request serves one line";
            if (!line.empty() && ++batch == 400) {
              SCOPED_TRACE("the last line: " + line);
              expectTextRebuildsModel();
              if (HasFailure()) return;  // one wrong batch tells enough
              load(base);
              batch = 0;
            }
          }
  }
  expectTextRebuildsModel();
  EXPECT_GT(turnJoins, 0);
  EXPECT_GT(refused, 0);
  EXPECT_LT(refused, cases);
}

TEST_F(Insertion, LinesOfTurnedJoinsAndOfPlacesOfAnySize) {
  for (const std::string& row : tableRows("insertion/turned-joins.txt")) {
    std::istringstream in(row);
    std::string picked, ghostPort, line;
    int ghostKind;
    in >> picked >> ghostKind >> ghostPort >> std::ws;
    std::getline(in, line);
    load("#5\n#7 trans 300 0 0 rot 0 30 0");
    pick(0, port(picked));
    ghost(ghostKind, port(ghostPort));
    EXPECT_EQ(insert(), line);
    expectTextRebuildsModel();
  }
}

TEST_F(Insertion, RefusedPicksChangeNeitherTextNorModel) {
  load("#8");
  ghost(13, {PORT_BOUT, 1.0f});
  const struct { PieceRecord* piece; Port port; const char* why; } picks[] = {
      {nullptr, {PORT_PINCE, 1}, "nothing picked"},
      {&insertion.ghostPiece, {PORT_PINCE, 1}, "not a record of the table"},
      {&modelTable[5], {PORT_PINCE, 1}, "an unused record"}, {&modelTable[0], {7, 1}, "no such port kind"},
      {&modelTable[0], {PORT_PINCE, -1}, "the script reads -1 as no position"}};
  for (const auto& p : picks) {
    pick(0, p.port);
    insertion.picked.piece = p.piece;
    EXPECT_EQ(insert(), "") << p.why;
  }
}

// ---- the ghost's kind and port ----

TEST_F(Insertion, WheelChangesTheGhostsKindWithCtrlAndItsPortWithout) {
  for (const std::string& row : tableRows("insertion/ghost-wheel.txt")) {
    std::istringstream in(row);
    std::string wheelName, token, seen, expected;
    in >> wheelName;
    const bool up = wheelName.find("up") != std::string::npos, still = wheelName.find("still") != std::string::npos;
    const uint32_t keys = (wheelName.find("ctrl") != std::string::npos ? MK_CONTROL : 0) |
                          (wheelName.find("left") != std::string::npos ? MK_LBUTTON : 0);
    for (int i = 0; in >> token; ++i) {
      const size_t colon = token.find(':');
      if (i == 0) ghost(std::stoi(token), port(token.substr(colon + 1)));
      if (i > 0) wheel(still ? 0 : up ? 32767 : -32768, keys);
      char place[64];
      const InsertionState& g = insertion;
      seen += std::string(i ? " " : "") + (colon == std::string::npos ? "" : std::to_string(g.ghostPiece.kind) + ":") +
              "ohc="[g.ghostPortKind & 3] + formatPlace(g.ghostPlace, place);
      expected += (i ? " " : "") + token;
      EXPECT_EQ(std::memcmp(&g.ghostPiece, &pieceTemplates[g.ghostPiece.kind], sizeof g.ghostPiece), 0) << "a template";
    }
    EXPECT_EQ(seen, expected) << row;
  }
}

TEST_F(Insertion, WheelChangesNothingOutsideInsertionMode) {
  ghost(13, {PORT_BOUT, 1.0f});
  insertion.insertionMode = 0;
  for (uint32_t keys : {0u, uint32_t(MK_CONTROL), uint32_t(MK_LBUTTON), uint32_t(MK_RBUTTON | MK_SHIFT)})
    wheel(120, keys);
  EXPECT_EQ(insertion.ghostPiece.kind, 13);
  EXPECT_EQ(insertion.ghostPortKind, PORT_BOUT);
  EXPECT_EQ(insertion.ghostPlace, 1.0f);
  EXPECT_EQ(insertion.picked.place, 1.0f);
}

// ---- the wheel with a button on the piece just inserted ----

TEST_F(Insertion, WheelWithAButtonTurnsOrShiftsTheLastPieceAndRewritesItsLine) {
  load("#8\n#4 trans 300 0 0");
  ghost(13, {PORT_BOUT, 1.0f});
  pick(0, {PORT_PINCE, 3.0f});
  insertion.frameMarkerRequest = 1;  // kept by every rewritten line
  ASSERT_EQ(insert(), "\xA4" "13 %p2 @ h3 c1");
  PieceRecord* rod = insertion.lastInserted;
  constexpr uint32_t L = MK_LBUTTON, R = MK_RBUTTON, SHIFT = MK_SHIFT;
  // Each step: the wheel's delta and keys, how many times, the ports of the rewritten line.
  const struct { int delta; uint32_t keys; int times; const char* ports; } steps[] = {
      {120, L, 1, "h103 c1"}, {-120, L, 1, "h3 c1"}, {120, L | SHIFT, 1, "h3.25 c1"}, {-1, L | SHIFT, 1, "h3 c1"},
      {120, R, 1, "h3 c101"}, {-120, R, 1, "h3 c1"}, {120, R | SHIFT, 1, "h3 c1.25"}, {0, L | R, 1, "h-97 c1.25"},
      {-120, R | SHIFT, 8, "h-97 c-0.75"},
      // The ghost's place is now -1, which the script would read as no
      // place: refused before the line is taken back, and the piece is still
      // the one to move.
      {-120, R | SHIFT, 1, "h-97 c-0.75"}, {-120, R | SHIFT, 1, "h-97 c-1.25"}};
  for (const auto& step : steps) {
    for (int i = 0; i < step.times; ++i) wheel(step.delta, step.keys);
    EXPECT_EQ(readEditorLines(hEditor),
              (std::vector<std::string>{"#8", "#4 trans 300 0 0", std::string("\xA4" "13 %p2 @ ") + step.ports}));
    EXPECT_EQ(insertion.lastInserted, rod);
    EXPECT_EQ(usedPrefixLength(), 3) << "re-placed, not added";
  }
  expectTextRebuildsModel();
}

TEST_F(Insertion, TheLastPieceIsForgottenOnceItsLineOrItsTableIsNoLongerCurrent) {
  const auto type = [this](char key) { hEditor.ops->typeCharacter(hEditor.state, key); };
  const struct { const char* change; bool forgotten; std::function<void()> make; } changes[] = {
      {"the user types", true, [&] { type('x'); }},
      {"and takes it back", true, [&] { type('x'); type('\b'); }},
      {"a compile refills the table", true, [&] { compile(); }},
      {"a later click found nothing", true, [&] { insertion.picked.piece = nullptr; }},
      {"the line would name another kind", true, [&] { cycleGhostKind(insertion, 1); }},
      {"another port of the same kind", false, [&] { cycleGhostPort(insertion, -1); }}};
  for (const auto& c : changes) {
    load("#8");
    pick(0, {PORT_PINCE, 3.0f});
    ghost(13, {PORT_BOUT, 1.0f});
    ASSERT_NE(insert(), "");
    c.make();
    EXPECT_EQ(replaceableInsertion(insertion, hEditor), c.forgotten ? nullptr : insertion.lastInserted) << c.change;
  }
}

// ---- "Annuler insertion" ----

TEST_F(Insertion, TakingBackAnInsertionRemovesOnlyItsOwnLine) {
  load("#8");
  ghost(13, {PORT_BOUT, 1.0f});
  pick(0, {PORT_PINCE, 3.0f});
  ASSERT_NE(insert(), "");
  compile();  // a compile between leaves the line the last change
  EXPECT_TRUE(takeBackInsertedLine(hEditor));
  EXPECT_EQ(readEditorLines(hEditor), std::vector<std::string>{"#8"});

  compile();
  pick(0, {PORT_PINCE, 3.0f});
  ASSERT_NE(insert(), "");
  hEditor.ops->selectEnd(hEditor.state);
  hEditor.ops->replaceSelection(hEditor.state, " rot 0 0 45", true);  // the user's own change
  EXPECT_FALSE(takeBackInsertedLine(hEditor));
  EXPECT_EQ(lastLine(), "#13 %p1 @ h3 c1 rot 0 0 45");
}

}  // namespace
