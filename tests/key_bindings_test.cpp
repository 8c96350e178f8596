// Key bindings fired over keys held for many frames beside the built-in key
// switches (the bindings a script declares: tests/scripts/bindings-*.vxo).
#include <gtest/gtest.h>

#include <cmath>

#include "insertion/insertion.h"
#include "script/key_bindings.h"
#include "platform/core_window_messages.h"
#include "platform/window_system.h"
#include "shell/desktop_program.h"
#include "shell/gl_window.h"
#include "shell/key_switches.h"
#include "shell/shared_state.h"
#include "support/script_harness.h"
#include "view/view_switches.h"

namespace {
class KeyBindingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    resetSharedState();
    resetViewSwitches();
    resetKeys();
    hGlWindow = createHeadlessWindow(glWindowProc);
  }
  void TearDown() override {
    destroyGlWindow();
    clearKeyBindings();
  }

  // Passes of the main loop with the key held or not.
  void frames(int count, int key, bool held = true) {
    for (int i = 0; i < count; ++i) {
      keyState[key] = held;
      runFrame();
    }
  }
  void release(int key) { frames(1, key, false); }

  float angleAboutZ(int n) { return std::atan2(piece(n).matrix.m[1], piece(n).matrix.m[0]) * 180 / M_PI; }

};
}  // namespace

TEST_F(KeyBindingTest, OneShotFiresOncePerPressContinuousEveryFrame) {
  compileText("#8\ndeclare a R %p1 1 rot 0 0 -1 findeclare\n#8\ndeclare b S %p1 0 rot 0 0 -1 findeclare");
  release('R');
  release('S');
  frames(100, 'R');
  EXPECT_NEAR(angleAboutZ(0), 1, 1e-3);
  release('R');
  frames(3, 'R');
  EXPECT_NEAR(angleAboutZ(0), 2, 1e-3);
  frames(100, 'S');
  EXPECT_NEAR(angleAboutZ(1), 100, 1e-2);
}

TEST_F(KeyBindingTest, AutreBindsAnotherPieceWithItsOwnTransform) {
  compileText("#8\n#8\ndeclare d T %p2 0 trans 1 0 0 autre %p1 trans 0 5 0 findeclare");
  release('T');
  frames(2, 'T');
  EXPECT_EQ(piece(0).matrix.m[12], 2.0f);
  EXPECT_EQ(piece(0).matrix.m[13], 0.0f);
  EXPECT_EQ(piece(1).matrix.m[12], 0.0f);
  EXPECT_EQ(piece(1).matrix.m[13], 10.0f);
}

TEST_F(KeyBindingTest, NewestBindingDecidesForItsChain) {
  compileText("#8\n#8\ndeclare old K %p2 0 trans 1 0 0\ndeclare new K %p1 1 trans 1 0 0 findeclare");
  release('K');
  frames(5, 'K');
  EXPECT_EQ(piece(0).matrix.m[12], 1.0f);  // the chain fires once: new is one-shot
  EXPECT_EQ(piece(1).matrix.m[12], 1.0f);
}

TEST_F(KeyBindingTest, TheOneKeyIsSharedWithTheAmpersandSwitch) {
  compileText("#8\ndeclare z 1 %p1 1 trans 1 0 0 findeclare");
  release(0x31);
  frames(10, 0x31);
  EXPECT_EQ(piece(0).matrix.m[12], 10.0f);
}

TEST_F(KeyBindingTest, BadTargetsAreKeptWithoutEffect) {
  compileText("#8\ndeclare a A %zz 0 trans 1 0 0 autre %p5 autre %10000 findeclare");
  release('A');
  frames(3, 'A');
  EXPECT_EQ(maxDifference(piece(0).matrix, identityMatrix()), 0.0);
}

TEST_F(KeyBindingTest, EachCompileReplacesTheBindings) {
  compileText("#8\ndeclare a A 0 0 findeclare");
  compileText("#8\ndeclare b B 0 0 findeclare");
  EXPECT_EQ(keyBindings['A'], nullptr);
  ASSERT_NE(keyBindings['B'], nullptr);
  EXPECT_EQ(allKeyBindings->nextInAll, nullptr);
}
