// Frame-tree index and walks: the order in which drawing (and picking) meet
// the pieces, the pieces they never meet, and walks that end whatever the
// frame links look like.
#include "model/frame_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A table of its own for each test, so nothing depends on the global model.
struct Table {
  std::unique_ptr<PieceRecord[]> records{new PieceRecord[MODEL_CAPACITY]()};
  PieceRecord& operator[](int i) { return records[i]; }
  const PieceRecord* data() const { return records.get(); }
};

void makeRoot(Table& t, int i) { t[i].flags = PIECE_USED; }
void makeChild(Table& t, int i, int parent) {
  t[i].flags = PIECE_USED | PIECE_IN_FRAME;
  t[i].frameParent = &t[parent];
}

struct Visit {
  std::vector<std::string> events;  // "+n" on enter, "-n" on leave
  int depth = 0;
  int maxDepth = 0;
};

void onEnter(void* context, int32_t piece) {
  Visit& v = *static_cast<Visit*>(context);
  v.events.push_back("+" + std::to_string(piece));
  if (++v.depth > v.maxDepth) v.maxDepth = v.depth;
}

void onLeave(void* context, int32_t piece) {
  Visit& v = *static_cast<Visit*>(context);
  v.events.push_back("-" + std::to_string(piece));
  --v.depth;
}

// Entered pieces only, in order.
std::vector<int> entered(const Visit& v) {
  std::vector<int> order;
  for (const std::string& e : v.events)
    if (e[0] == '+') order.push_back(std::stoi(e.substr(1)));
  return order;
}

std::unique_ptr<FrameTree> indexOf(const Table& t) {
  auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, t.data());
  return tree;
}

Visit walkForest(const Table& t) {
  Visit v;
  auto tree = indexOf(t);
  walkFrameForest(*tree, FrameVisitor{onEnter, onLeave, &v});
  return v;
}

Visit walkFrom(const Table& t, int start) {
  Visit v;
  auto tree = indexOf(t);
  walkFrameTree(*tree, start, FrameVisitor{onEnter, onLeave, &v});
  return v;
}

}  // namespace

TEST(FrameTreeOrder, RootsInTableOrderEachFollowedDepthFirstByItsFrame) {
  Table t;
  makeRoot(t, 0);
  makeChild(t, 1, 3);  // a child listed before its parent
  makeChild(t, 2, 0);
  makeRoot(t, 3);
  makeChild(t, 4, 2);
  makeChild(t, 5, 0);
  const Visit v = walkForest(t);
  EXPECT_EQ(v.events, (std::vector<std::string>{"+0", "+2", "+4", "-4", "-2", "+5", "-5", "-0",
                                                "+3", "+1", "-1", "-3"}));
}

TEST(FrameTreeOrder, FrameParentWithoutInFrameFlagIsStillARoot) {
  Table t;
  makeRoot(t, 0);
  makeRoot(t, 1);
  t[1].frameParent = &t[0];  // ignored: inFrame is clear
  EXPECT_EQ(entered(walkForest(t)), (std::vector<int>{0, 1}));
}

TEST(FrameTreeOrder, WalkFromOnePieceCoversItsFrameOnly) {
  Table t;
  makeRoot(t, 0);
  makeChild(t, 1, 0);
  makeRoot(t, 2);
  makeChild(t, 3, 1);
  EXPECT_EQ(entered(walkFrom(t, 1)), (std::vector<int>{1, 3}));
  EXPECT_EQ(entered(walkFrom(t, 2)), (std::vector<int>{2}));
}

TEST(FrameTreeLoops, WalkStartedOnALoopVisitsEachPieceOnce) {
  Table t;
  makeChild(t, 0, 2);
  makeChild(t, 1, 0);
  makeChild(t, 2, 1);
  makeChild(t, 3, 1);
  makeChild(t, 4, 4);
  const Visit v = walkFrom(t, 0);
  EXPECT_EQ(v.events, (std::vector<std::string>{"+0", "+1", "+2", "-2", "+3", "-3", "-1", "-0"}));
  EXPECT_EQ(walkFrom(t, 4).events, (std::vector<std::string>{"+4", "-4"}));
}

TEST(FrameTreeIndex, RebuildingForChangedLinksForgetsTheOldOnes) {
  Table t;
  makeRoot(t, 0);
  makeRoot(t, 1);
  makeChild(t, 2, 0);
  auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, t.data());
  makeChild(t, 2, 1);  // moved to the other frame
  buildFrameTree(*tree, t.data());
  Visit v;
  walkFrameForest(*tree, FrameVisitor{onEnter, onLeave, &v});
  EXPECT_EQ(entered(v), (std::vector<int>{0, 1, 2}));
  // A smaller model after a bigger one keeps no stale children.
  Table small;
  makeRoot(small, 0);
  buildFrameTree(*tree, small.data());
  Visit w;
  walkFrameForest(*tree, FrameVisitor{onEnter, onLeave, &w});
  EXPECT_EQ(entered(w), (std::vector<int>{0}));
}

TEST(FrameTreeIndex, RecordNumbersOnlyForRecordsOfTheTable) {
  Table t;
  EXPECT_EQ(recordNumber(t.data(), &t[0]), 0);
  EXPECT_EQ(recordNumber(t.data(), &t[MODEL_CAPACITY - 1]), MODEL_CAPACITY - 1);
  EXPECT_EQ(recordNumber(t.data(), nullptr), NO_PIECE);
  EXPECT_EQ(recordNumber(nullptr, &t[0]), NO_PIECE);
  PieceRecord outside{};
  EXPECT_EQ(recordNumber(t.data(), &outside), NO_PIECE);
  // An address inside a record is not a record.
  const auto* inside =
      reinterpret_cast<const PieceRecord*>(reinterpret_cast<const char*>(&t[1]) + 4);
  EXPECT_EQ(recordNumber(t.data(), inside), NO_PIECE);
}
