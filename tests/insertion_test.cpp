// Insertion without a view: the point a click would pick is set directly.
// The central promise is checked over every pair of a target port and a
// ghost port, with the reference, ampersand and frame options: the line an
// insertion writes, compiled, rebuilds the inserted piece with the same
// matrix and links. Then the forms of the written line, the wheel's table,
// the ghost's kind and port cycles, the re-placing of the last insertion and
// when it is forgotten, and "Annuler insertion".
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "insertion/insertion.h"
#include "insertion/picking.h"
#include "model/connection.h"
#include "model/model_table.h"
#include "pieces/catalogue.h"
#include "platform/core_editor.h"
#include "platform/core_messages.h"
#include "platform/core_window_messages.h"
#include "script/compiler.h"
#include "shell/shared_state.h"
#include "view/view_switches.h"

namespace {

std::vector<std::string> messages;
void keepMessage(const char* text, const char* caption, MessageIcon) {
  messages.push_back(std::string(caption) + ": " + text);
}

struct Port {
  int32_t kind;
  float place;
};

bool samePort(const Port& a, const Port& b) { return a.kind == b.kind && a.place == b.place; }

// Every port the wheel reaches, up or down, on a ghost of the kind from the
// port the kind starts with.
std::vector<Port> ghostPorts(int kind) {
  ghostPiece = pieceTemplates[(kind + KIND_COUNT - 1) % KIND_COUNT];
  cycleGhostKind(1);
  std::vector<Port> ports{{ghostPortKind, ghostPlace}};
  for (size_t i = 0; i < ports.size(); ++i) {
    for (int16_t delta : {int16_t(1), int16_t(-1)}) {
      ghostPortKind = ports[i].kind;
      ghostPlace = ports[i].place;
      cycleGhostPort(delta);
      const Port p{ghostPortKind, ghostPlace};
      bool seen = false;
      for (const Port& q : ports) seen |= samePort(p, q);
      if (!seen) ports.push_back(p);
    }
  }
  return ports;
}

// Turns and quarter places on top of a port's place.
float varied(float place, int variant) {
  static const float offsets[] = {0.0f, 100.0f, 0.25f, -200.0f, 300.75f};
  return place + offsets[variant % 5];
}

struct Snapshot {
  int number;
  int16_t kind;
  uint32_t flags;
  int attachedTo, frameParent;
  Matrix matrix;
  std::string line;
};

Snapshot snapshot(const PieceRecord& p, const std::string& line) {
  return {pieceNumber(&p), p.kind, p.flags, pieceNumber(p.attachedTo), pieceNumber(p.frameParent), p.matrix, line};
}

std::string lastLine() {
  const std::vector<std::string> lines = readEditorLines(hEditor);
  return lines.back();
}

// Same piece, same links, same matrix to within single-precision rounding.
void expectRebuilt(const Snapshot& inserted) {
  const PieceRecord& p = modelTable[inserted.number];
  SCOPED_TRACE("line " + inserted.line);
  ASSERT_TRUE(isUsed(p));
  EXPECT_EQ(p.kind, inserted.kind);
  EXPECT_EQ(p.flags, inserted.flags);
  EXPECT_EQ(pieceNumber(p.attachedTo), inserted.attachedTo);
  EXPECT_EQ(pieceNumber(p.frameParent), inserted.frameParent);
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(p.matrix.m[i], inserted.matrix.m[i], 1e-5 * (1.0 + std::fabs(inserted.matrix.m[i])))
        << "element " << i;
}

void compileEditor() { compileScript(readEditorLines(hEditor)); }

class Insertion : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSharedState();
    resetViewSwitches();
    clearModel();
    resetGhostPiece();
    messages.clear();
    setMessageSink(keepMessage);
    hEditor = makeHeadlessEditor();
    lastInserted = nullptr;
    pickedPiece = nullptr;
    pickedPortKind = 1;
    pickedPlace = 1.0f;
  }
  void TearDown() override {
    destroyHeadlessEditor(hEditor);
    setMessageSink(nullptr);
  }

  void load(const std::vector<std::string>& lines) {
    loadEditorLines(hEditor, lines);
    compileEditor();
    ASSERT_TRUE(messages.empty()) << messages.front();
  }
  void pick(int piece, int32_t portKind, float place) {
    pickedPiece = &modelTable[piece];
    pickedPortKind = portKind;
    pickedPlace = place;
  }
  void ghost(int kind, int32_t portKind, float place) {
    ghostPiece = pieceTemplates[kind];
    ghostPortKind = portKind;
    ghostPlace = place;
  }
  // Inserts at the picked point; the new line, or "" when nothing was added.
  std::string insert() {
    const std::string before = editorTextUtf8(hEditor);
    insertAtPickedPoint(nullptr);
    const std::string after = editorTextUtf8(hEditor);
    return after == before ? "" : lastLine();
  }
  static int32_t wheel(int delta, uint32_t keys) { return handleInsertionWheel((uint32_t(uint16_t(delta)) << 16) | keys); }
};

// ---- the promise: the written line rebuilds the inserted piece ----

// A frame marker turned and moved, a second one inside it, and one target of
// every kind outside any frame and one inside the inner frame.
std::vector<std::string> targetScript() {
  std::vector<std::string> lines{"\xA4" "8 rot 10 20 30 trans 5 -6 7", "\xA4" "4 %0 & trans 100 20 -30 rot 5 0 45"};
  for (int k = 0; k < KIND_COUNT; ++k) {
    const std::string k_ = std::to_string(k), a = std::to_string(11 * k), d = std::to_string(40 * k - 300);
    lines.push_back("#" + k_ + " trans " + d + " 17 -" + a + " rot " + a + " 33 -" + a);
    lines.push_back("#" + k_ + " %1 & trans 12 " + d + " 3 rot 7 -" + a + " " + a);
  }
  return lines;
}
int plainTarget(int kind) { return 2 + 2 * kind; }
int framedTarget(int kind) { return 3 + 2 * kind; }

TEST_F(Insertion, EveryPortPairWithEveryOptionIsRebuiltByItsLineAndRefusedPairsChangeNothing) {
  const std::vector<std::string> base = targetScript();
  load(base);
  std::vector<std::vector<Port>> ghosts;
  for (int k = 0; k < KIND_COUNT; ++k) ghosts.push_back(ghostPorts(k));

  std::vector<Snapshot> batch;
  auto checkBatch = [&] {
    compileEditor();
    ASSERT_TRUE(messages.empty()) << messages.front();
    for (const Snapshot& s : batch) {
      expectRebuilt(s);
      if (HasFailure()) return;  // one wrong piece tells enough
    }
    batch.clear();
    load(base);
  };
  int cases = 0, inserted = 0, refused = 0, turnJoins = 0;
  // Whether a join is refused depends on the two port kinds alone.
  int refusedByPorts[4][4] = {}, insertedByPorts[4][4] = {};
  for (int options = 0; options < 8; ++options) {
    relativeReferences = options & 1;
    ampersandOption = (options >> 1) & 1;
    const bool framed = (options >> 2) & 1;
    for (int tk = 0; tk < KIND_COUNT; ++tk) {
      for (const Port& target : ghosts[size_t(tk)]) {
        for (int gk = 0; gk < KIND_COUNT; ++gk) {
          for (const Port& g : ghosts[size_t(gk)]) {
            ++cases;
            pick(framed ? framedTarget(tk) : plainTarget(tk), target.kind, varied(target.place, cases));
            ghost(gk, g.kind, varied(g.place, cases / 5));
            frameMarkerRequest = cases % 7 == 0;
            const int piecesBefore = usedPrefixLength();
            const std::string before = editorTextUtf8(hEditor);
            const std::string line = insert();
            if (line.empty()) {
              ++refused;
              ++refusedByPorts[target.kind][g.kind];
              ASSERT_EQ(usedPrefixLength(), piecesBefore);
              ASSERT_EQ(editorTextUtf8(hEditor), before);
              continue;
            }
            ++inserted;
            ++insertedByPorts[target.kind][g.kind];
            ASSERT_EQ(usedPrefixLength(), piecesBefore + 1);
            ASSERT_EQ(lastInserted, &modelTable[piecesBefore]);
            EXPECT_EQ(frameMarkerRequest, 0);
            turnJoins += line.find(" 3D") != std::string::npos;
            batch.push_back(snapshot(*lastInserted, line));
            if (batch.size() == 400) checkBatch();
            if (HasFailure()) return;
          }
        }
      }
    }
  }
  checkBatch();
  EXPECT_GT(turnJoins, 0);
  EXPECT_GT(refused, 0);
  EXPECT_EQ(inserted + refused, cases);
  for (int a = 0; a < 4; ++a)
    for (int b = 0; b < 4; ++b) EXPECT_TRUE(!refusedByPorts[a][b] || !insertedByPorts[a][b]) << a << "/" << b;
}

// ---- the written line ----

TEST_F(Insertion, LineFormsForReferencesAmpersandFrameMarkerAndPlaces) {
  load({"#8", "#0 trans 200 0 0", "#4 trans 0 0 200", "#8 trans -200 0 0", "#3 trans 0 0 -200"});
  ghost(13, PORT_BOUT, 1.0f);
  pick(4, PORT_PINCE, 3.0f);
  EXPECT_EQ(insert(), "#13 %p1 @ h3 c1") << "piece 5 on piece 4, just before it";
  relativeReferences = 0;
  pick(3, PORT_PINCE, 3.0f);
  EXPECT_EQ(insert(), "#13 %3 @ h3 c1");
  relativeReferences = 1;
  pick(3, PORT_PINCE, 2.0f);
  EXPECT_EQ(insert(), "#13 %p4 @ h2 c1") << "piece 7 on piece 3";
  ampersandOption = 1;
  EXPECT_EQ(insert(), "#13 %p5 & @ h2 c1");
  ampersandOption = 0;
  frameMarkerRequest = 1;
  EXPECT_EQ(insert(), "\xA4" "13 %p6 @ h2 c1") << "the marker is the Windows-1252 byte";
  EXPECT_EQ(editorTextUtf8(hEditor).substr(editorTextUtf8(hEditor).rfind('\n') + 1, 2), "\xC2\xA4")
      << "the editor holds the character";
  EXPECT_TRUE(isFrameMarker(modelTable[9]));
  EXPECT_EQ(frameMarkerRequest, 0);
  EXPECT_EQ(insert(), "#13 %p7 @ h2 c1") << "the request served one line";
  pick(0, PORT_PINCE, 103.0f);
  ghost(13, PORT_BOUT, 1.25f);
  EXPECT_EQ(insert(), "#13 %p11 @ h103 c1.25");
  pick(0, PORT_PINCE, -96.75f);
  ghost(12, PORT_BARRE, 0.25f);
  EXPECT_EQ(insert(), "#12 %p12 @ h-96.75 =0.25");
}

TEST_F(Insertion, HolesOfKindsFiveAndSevenMeetByTheFixedTurns) {
  load({"#5", "#7 trans 300 0 0 rot 0 30 0"});
  ghost(5, PORT_TROU, 1.0f);
  pick(0, PORT_TROU, 1.0f);
  EXPECT_EQ(insert(), "#5 %p2 3D");
  pick(1, PORT_PINCE, 103.0f);  // one turn: odd
  EXPECT_EQ(insert(), "#5 %p2 3D2");
  ghost(7, PORT_PINCE, 2.0f);
  pick(1, PORT_TROU, 200.0f);  // 200 is still in the turn below: odd
  ampersandOption = 1;
  EXPECT_EQ(insert(), "#7 %p3 & 3D2");
  ghost(4, PORT_TROU, 1.0f);
  EXPECT_EQ(insert(), "#4 %p4 & @ o200 o1") << "kind 4 joins by its ports";
  std::vector<Snapshot> inserted;
  for (int i = 2; i < 6; ++i) inserted.push_back(snapshot(modelTable[i], ""));
  compileEditor();
  for (const Snapshot& s : inserted) expectRebuilt(s);
}

TEST_F(Insertion, FirstClickIntoAnEmptyModelPlacesTheGhostFreeAtTheOrigin) {
  frameMarkerRequest = 1;
  PieceRecord* earlier = &modelTable[42];
  lastInserted = earlier;
  pick(7, PORT_PINCE, 3.0f);  // whatever the pick found
  ghostPiece.colour[3] = 0.5f;  // as drawing left it
  EXPECT_EQ(insert(), "\xA4" "13");
  const PieceRecord& first = modelTable[0];
  EXPECT_EQ(first.kind, 13);
  EXPECT_EQ(first.colour[3], 1.0f);
  EXPECT_EQ(first.attachedTo, nullptr);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(first.matrix.m[i], (i % 5 == 0) ? 1.0f : 0.0f);
  EXPECT_EQ(lastInserted, earlier) << "left as it was";
  EXPECT_EQ(frameMarkerRequest, 1) << "left as it was";
  EXPECT_EQ(editorTextUtf8(hEditor), "\n\xC2\xA4" "13");

  pick(0, PORT_BOUT, 2.0f);
  ghost(8, PORT_PINCE, 1.0f);
  EXPECT_EQ(insert(), "\xA4" "8 %p1 @ c2 h1") << "the second click attaches to record 0";
  const Snapshot second = snapshot(modelTable[1], "");
  compileEditor();
  expectRebuilt(second);
  EXPECT_TRUE(isFrameMarker(modelTable[0]));
}

TEST_F(Insertion, NothingPickedAFullTableOrAnUnreadablePlaceChangeNothing) {
  load({"#8"});
  ghost(13, PORT_BOUT, 1.0f);
  const std::string text = editorTextUtf8(hEditor);
  pickedPiece = nullptr;
  EXPECT_EQ(insert(), "");
  pickedPiece = &ghostPiece;  // not a record of the table
  EXPECT_EQ(insert(), "");
  pick(5, PORT_PINCE, 1.0f);  // an unused record
  EXPECT_EQ(insert(), "");
  pick(0, 7, 1.0f);  // no such port kind
  EXPECT_EQ(insert(), "");
  pick(0, PORT_PINCE, -1.0f);  // the script reads -1 as no position
  EXPECT_EQ(insert(), "");
  EXPECT_EQ(editorTextUtf8(hEditor), text);
  EXPECT_EQ(usedPrefixLength(), 1);

  for (int i = 1; i < MODEL_CAPACITY; ++i) modelTable[i] = modelTable[0];
  pick(0, PORT_PINCE, 1.0f);
  EXPECT_EQ(insert(), "") << "full table";
  EXPECT_EQ(editorTextUtf8(hEditor), text);
}

// ---- the ghost's kind and port ----

TEST_F(Insertion, CtrlWheelCyclesTheGhostKindThroughAllSeventeen) {
  ghost(16, PORT_TROU, 5.0f);
  wheel(120, MK_CONTROL);
  EXPECT_EQ(ghostPiece.kind, 0);
  EXPECT_EQ(ghostPortKind, PORT_PINCE);
  EXPECT_EQ(ghostPlace, 1.0f);
  wheel(-120, MK_CONTROL | MK_LBUTTON);  // Ctrl comes first
  EXPECT_EQ(ghostPiece.kind, 16);
  EXPECT_EQ(ghostPortKind, PORT_TROU);
  wheel(0, MK_CONTROL);  // no movement counts as down
  EXPECT_EQ(ghostPiece.kind, 15);
  EXPECT_EQ(ghostPortKind, PORT_BOUT);
  EXPECT_EQ(std::memcmp(&ghostPiece, &pieceTemplates[15], sizeof ghostPiece), 0) << "a copy of the template";
  for (int i = 0; i < 17; ++i) wheel(32767, MK_CONTROL);
  EXPECT_EQ(ghostPiece.kind, 15) << "seventeen steps up come round";
  wheel(-32768, MK_CONTROL);
  EXPECT_EQ(ghostPiece.kind, 14);
  EXPECT_TRUE(editorTextUtf8(hEditor).empty());
  EXPECT_EQ(usedPrefixLength(), 0);
}

std::string portText() {
  char place[64];
  return std::string(1, "ohc="[ghostPortKind & 3]) + formatPlace(ghostPlace, place);
}

std::string cycle(int kind, int32_t portKind, float place, int delta, int steps) {
  ghostPiece = pieceTemplates[kind];
  ghostPortKind = portKind;
  ghostPlace = place;
  std::string seen = portText();
  for (int i = 0; i < steps; ++i) {
    handleInsertionWheel(uint32_t(uint16_t(int16_t(delta))) << 16);
    seen += " " + portText();
  }
  return seen;
}

TEST_F(Insertion, WheelWithoutButtonsCyclesTheGhostPort) {
  EXPECT_EQ(cycle(11, PORT_BOUT, 1.0f, 120, 6), "c1 =1 =2 =3 c2 c1 =1");
  EXPECT_EQ(cycle(11, PORT_BOUT, 1.0f, -120, 6), "c1 c2 =3 =2 =1 c1 c2");
  EXPECT_EQ(cycle(10, PORT_BOUT, 1.0f, 120, 1), "c1 c1") << "the shortest rod has no body places";
  EXPECT_EQ(cycle(10, PORT_BOUT, 1.0f, -120, 2), "c1 c2 c2");
  EXPECT_EQ(cycle(10, PORT_BOUT, 2.0f, 120, 1), "c2 c1");
  EXPECT_EQ(cycle(15, PORT_BARRE, 26.5f, 120, 2), "=26.5 =27.5 c2") << "past the last place";
  EXPECT_EQ(cycle(13, PORT_BOUT, 1.25f, 120, 1), "c1.25 c1.25") << "an end elsewhere stays";
  EXPECT_EQ(cycle(13, PORT_TROU, 1.0f, -120, 1), "o1 o1");
  EXPECT_EQ(cycle(3, PORT_TROU, 1.0f, 120, 4), "o1 h1 h2 h3 o1");
  EXPECT_EQ(cycle(3, PORT_TROU, 1.0f, -120, 4), "o1 h3 h2 h1 o1");
  EXPECT_EQ(cycle(8, PORT_TROU, 1.0f, 120, 2), "o1 h1 o1") << "kind 8 offers clip 1 and clip 8 only";
  EXPECT_EQ(cycle(8, PORT_TROU, 1.0f, -120, 2), "o1 h8 o1");
  EXPECT_EQ(cycle(7, PORT_PINCE, 103.0f, 120, 1), "h103 o1") << "a turned clip is past the last";
  EXPECT_EQ(cycle(9, PORT_PINCE, 1.0f, 120, 1), "h1 h1");
  EXPECT_EQ(cycle(16, PORT_TROU, 1.0f, -120, 1), "o1 o1");
  EXPECT_EQ(cycle(2, PORT_BOUT, 1.0f, 120, 1), "c1 c1") << "a rod port on a connector stays";
}

TEST_F(Insertion, WheelDoesNothingOutsideInsertionMode) {
  insertionMode = 0;
  ghost(13, PORT_BOUT, 1.0f);
  for (uint32_t keys : {0u, uint32_t(MK_CONTROL), uint32_t(MK_LBUTTON), uint32_t(MK_RBUTTON | MK_SHIFT)})
    EXPECT_EQ(wheel(120, keys), 0);
  EXPECT_EQ(ghostPiece.kind, 13);
  EXPECT_EQ(ghostPortKind, PORT_BOUT);
  EXPECT_EQ(ghostPlace, 1.0f);
  EXPECT_EQ(pickedPlace, 1.0f);
}

// ---- the wheel with a button on the piece just inserted ----

TEST_F(Insertion, WheelWithAButtonTurnsOrShiftsTheLastPieceAndRewritesItsLine) {
  load({"#8", "#4 trans 300 0 0"});
  ghost(13, PORT_BOUT, 1.0f);
  pick(0, PORT_PINCE, 3.0f);
  ASSERT_EQ(insert(), "#13 %p2 @ h3 c1");
  PieceRecord* rod = lastInserted;
  const struct {
    int delta;
    uint32_t keys;
    const char* line;
  } steps[] = {
      {120, MK_LBUTTON, "#13 %p2 @ h103 c1"},          {-120, MK_LBUTTON, "#13 %p2 @ h3 c1"},
      {120, MK_LBUTTON | MK_SHIFT, "#13 %p2 @ h3.25 c1"}, {-1, MK_LBUTTON | MK_SHIFT, "#13 %p2 @ h3 c1"},
      {120, MK_RBUTTON, "#13 %p2 @ h3 c101"},          {-120, MK_RBUTTON, "#13 %p2 @ h3 c1"},
      {120, MK_RBUTTON | MK_SHIFT, "#13 %p2 @ h3 c1.25"}, {0, MK_LBUTTON | MK_RBUTTON, "#13 %p2 @ h-97 c1.25"},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(wheel(step.delta, step.keys), 0);
    EXPECT_EQ(readEditorLines(hEditor), (std::vector<std::string>{"#8", "#4 trans 300 0 0", step.line}));
    EXPECT_EQ(lastInserted, rod);
    EXPECT_EQ(usedPrefixLength(), 3) << "re-placed, not added";
  }
  const Snapshot placed = snapshot(*rod, "");
  compileEditor();
  expectRebuilt(placed);
}

TEST_F(Insertion, ReplacingKeepsTheFrameMarkerAndTheFrameOfItsFirstLine) {
  load({"\xA4" "8", "#4 %0 & trans 300 0 0"});
  ghost(12, PORT_BOUT, 1.0f);
  pick(1, PORT_PINCE, 2.0f);
  frameMarkerRequest = 1;
  ampersandOption = 1;
  ASSERT_EQ(insert(), "\xA4" "12 %p1 & @ h2 c1");
  wheel(120, MK_LBUTTON);
  EXPECT_EQ(lastLine(), "\xA4" "12 %p1 & @ h102 c1");
  ampersandOption = 0;
  wheel(-120, MK_LBUTTON);
  EXPECT_EQ(lastLine(), "\xA4" "12 %p1 @ h2 c1");
  const Snapshot placed = snapshot(modelTable[2], "");
  EXPECT_FALSE(placed.flags & PIECE_IN_FRAME) << "no longer rebased";
  compileEditor();
  expectRebuilt(placed);
}

TEST_F(Insertion, TheLastInsertionIsForgottenOnceItsLineOrItsTableIsNoLongerCurrent) {
  load({"#8"});
  ghost(13, PORT_BOUT, 1.0f);
  pick(0, PORT_PINCE, 3.0f);
  const auto insertAgain = [&] {
    load({"#8"});
    pick(0, PORT_PINCE, 3.0f);
    ghost(13, PORT_BOUT, 1.0f);
    ASSERT_NE(insert(), "");
    ASSERT_NE(replaceableInsertion(), nullptr);
  };
  insertAgain();
  hEditor.ops->typeCharacter(hEditor.state, 'x');  // the user types
  EXPECT_EQ(replaceableInsertion(), nullptr);
  hEditor.ops->typeCharacter(hEditor.state, '\b');  // and takes it back: still the user's change
  EXPECT_EQ(replaceableInsertion(), nullptr);

  insertAgain();
  compileEditor();  // the table is refilled
  EXPECT_EQ(replaceableInsertion(), nullptr);

  insertAgain();
  pick(0, PORT_PINCE, 5.0f);
  pickedPiece = nullptr;  // a later click found nothing
  EXPECT_EQ(replaceableInsertion(), nullptr);

  insertAgain();
  cycleGhostKind(1);  // the line would name another kind than the piece has
  EXPECT_EQ(replaceableInsertion(), nullptr);

  insertAgain();
  cycleGhostPort(-1);  // another port of the same kind: still this piece
  EXPECT_EQ(replaceableInsertion(), lastInserted);
}

TEST_F(Insertion, AStepTheScriptCouldNotReadLeavesThePieceAndItsLine) {
  load({"#8"});
  ghost(13, PORT_BOUT, 1.0f);
  pick(0, PORT_PINCE, 3.0f);
  ASSERT_EQ(insert(), "#13 %p1 @ h3 c1");
  for (int i = 0; i < 8; ++i) wheel(-120, MK_RBUTTON | MK_SHIFT);
  EXPECT_EQ(ghostPlace, -1.0f);
  EXPECT_EQ(lastLine(), "#13 %p1 @ h3 c-0.75") << "-1 itself is not written";
  wheel(-120, MK_RBUTTON | MK_SHIFT);
  EXPECT_EQ(lastLine(), "#13 %p1 @ h3 c-1.25") << "and the piece is still the one to move";
  ghostPortKind = PORT_BARRE;
  wheel(120, MK_LBUTTON);  // clip and body place do fit
  EXPECT_EQ(lastLine(), "#13 %p1 @ h103 =-1.25");
  ghostPortKind = PORT_PINCE;  // clip on clip: refused before the line is taken back
  wheel(120, MK_LBUTTON);
  EXPECT_EQ(lastLine(), "#13 %p1 @ h103 =-1.25");
  EXPECT_EQ(usedPrefixLength(), 2);
}

// ---- "Annuler insertion" ----

TEST_F(Insertion, TakingBackAnInsertionRemovesOnlyItsOwnLine) {
  load({"#8"});
  ghost(13, PORT_BOUT, 1.0f);
  pick(0, PORT_PINCE, 3.0f);
  ASSERT_NE(insert(), "");
  compileEditor();  // a compile between leaves the line the last change
  EXPECT_TRUE(takeBackInsertedLine());
  EXPECT_EQ(readEditorLines(hEditor), std::vector<std::string>{"#8"});
  EXPECT_FALSE(takeBackInsertedLine()) << "only once";
  EXPECT_EQ(readEditorLines(hEditor), std::vector<std::string>{"#8"});

  compileEditor();
  pick(0, PORT_PINCE, 3.0f);
  ASSERT_NE(insert(), "");
  hEditor.ops->selectEnd(hEditor.state);
  hEditor.ops->replaceSelection(hEditor.state, " rot 0 0 45", true);  // the user's own change
  EXPECT_FALSE(takeBackInsertedLine());
  EXPECT_EQ(lastLine(), "#13 %p1 @ h3 c1 rot 0 0 45");
}

TEST(PlaceText, FixedPointWithoutTrailingZeros) {
  char buffer[64];
  EXPECT_STREQ(formatPlace(1.0f, buffer), "1");
  EXPECT_STREQ(formatPlace(2.5f, buffer), "2.5");
  EXPECT_STREQ(formatPlace(0.25f, buffer), "0.25");
  EXPECT_STREQ(formatPlace(103.0f, buffer), "103");
  EXPECT_STREQ(formatPlace(-0.75f, buffer), "-0.75");
  EXPECT_STREQ(formatPlace(0.0f, buffer), "0");
  EXPECT_STREQ(formatPlace(100.0f, buffer), "100");
  EXPECT_STREQ(formatPlace(1e-7f, buffer), "0");
}

}  // namespace
