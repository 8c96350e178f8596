// The frame-tree index that drawing and picking rebuild for every walk: a
// rebuilt index forgets the links of the table it was built from before, and
// a walk started on a loop of frame links meets each piece once. What the
// walks draw (frames, children before parents, loops, deep nesting) is shown
// by the expected renders tests/renders/frames-*.
#include "model/frame_tree.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {
using Table = std::vector<PieceRecord>;
void putInFrame(Table& t, int child, int frame) {
  t[size_t(child)].flags = PIECE_USED | PIECE_IN_FRAME;
  t[size_t(child)].frameParent = &t[size_t(frame)];
}
// The pieces entered, in order, by a walk of the whole model or from start.
std::vector<int> walk(FrameTree& tree, const Table& t, int32_t start = NO_PIECE) {
  std::vector<int> entered;
  buildFrameTree(tree, t.data());
  const FrameVisitor visitor{[](void* c, int32_t p) { static_cast<std::vector<int>*>(c)->push_back(p); },
                             [](void*, int32_t) {}, &entered};
  start == NO_PIECE ? walkFrameForest(tree, visitor) : walkFrameTree(tree, start, visitor);
  return entered;
}
}  // namespace

TEST(FrameTree, RebuildingForgetsOldLinksAndWalksFromALoopEnd) {
  auto tree = std::make_unique<FrameTree>();
  Table t(MODEL_CAPACITY), small(MODEL_CAPACITY);
  t[0].flags = t[1].flags = small[0].flags = PIECE_USED;
  putInFrame(t, 2, 0);
  EXPECT_EQ(walk(*tree, t), (std::vector<int>{0, 2, 1}));
  putInFrame(t, 2, 1);  // moved to the other frame
  EXPECT_EQ(walk(*tree, t), (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(walk(*tree, small), (std::vector<int>{0}));  // a smaller model keeps no stale children

  putInFrame(t, 0, 2);  // 0, 1 and 2 in a loop; 3 in the frame of 1, 4 in its own
  putInFrame(t, 1, 0);
  putInFrame(t, 3, 1);
  putInFrame(t, 4, 4);
  EXPECT_EQ(walk(*tree, t, 0), (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(walk(*tree, t, 4), (std::vector<int>{4}));
  EXPECT_EQ(walk(*tree, t), (std::vector<int>{}));
}
