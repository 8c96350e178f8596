// Key-bound motions at run time: a held key moves its piece on every frame,
// and stops it at its last finite place instead of carrying it past the
// range of a float (where the view and the files would get inf and nan).
#include <gtest/gtest.h>

#include "model/model_table.h"
#include "script/compiler.h"
#include "script/key_bindings.h"

TEST(KeyBindings, AHeldKeyStopsItsPieceAtTheLastFinitePlace) {
  compileScript({"#8", "declare pousse P %p1 0", "trans 1e38 0 0", "findeclare"});
  uint8_t held[256] = {}, latch[256] = {};
  held['P'] = 1;
  runKeyBindings(held, latch);
  EXPECT_FLOAT_EQ(modelTable[0].matrix.m[12], 1e38f);
  for (int frame = 0; frame < 10; ++frame) runKeyBindings(held, latch);
  EXPECT_TRUE(isFiniteMatrix(modelTable[0].matrix));
  EXPECT_GT(modelTable[0].matrix.m[12], 2.9e38f);
  clearKeyBindings();
}
