// Key bindings: scripts in, bindings out, and the bindings fired over keys
// held for many frames beside the built-in key switches.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "script/key_bindings.h"
#include "platform/core_window_messages.h"
#include "platform/fltk_window_system.h"
#include "shell/desktop_program.h"
#include "shell/gl_window.h"
#include "shell/key_switches.h"
#include "shell/model_dump.h"
#include "shell/shared_state.h"
#include "support/script_harness.h"
#include "view/camera.h"
#include "view/view_switches.h"

namespace {
using Messages = std::vector<std::string>;

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

TEST_F(KeyBindingTest, DeclarationMakesABindingAndLeavesThePiece) {
  const auto out = compileText("#8\ndeclare roue R %p1 1\nrot 0 0 10\nfindeclare");
  EXPECT_TRUE(out.messages.empty());
  ASSERT_NE(allKeyBindings, nullptr);
  EXPECT_STREQ(allKeyBindings->name, "roue");
  EXPECT_EQ(allKeyBindings->key, 'R');
  EXPECT_EQ(allKeyBindings->piece, &modelTable[0]);
  EXPECT_EQ(allKeyBindings->oneShot, 1);
  EXPECT_EQ(keyBindings['R'], allKeyBindings);
  EXPECT_EQ(maxDifference(piece(0).matrix, identityMatrix()), 0.0);
}

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
  EXPECT_EQ(dumpModel().substr(dumpModel().find("binding")).substr(0, 33), "binding d key 84 piece 1 once 0 m");
}

TEST_F(KeyBindingTest, AfterFindeclareRotationTurnsThePieceItself) {
  compileText("#8\ndeclare d T %p1 0 findeclare rot 0 0 90");
  EXPECT_NEAR(angleAboutZ(0), -90, 1e-3);
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
  EXPECT_EQ(ampersandOption, 1);  // toggled 9 times
}

TEST_F(KeyBindingTest, BuiltInSwitchesToggleOncePerPress) {
  frames(20, VK_F4);
  EXPECT_EQ(insertionMode, 0);
  release(VK_F4);
  frames(1, VK_F4);
  EXPECT_EQ(insertionMode, 1);
  frames(2, VK_F3);
  release(VK_F3);
  frames(1, VK_F3);
  EXPECT_EQ(displayMode, DISPLAY_SOLIDS);
  camera.viewDistance = -400;
  frames(50, VK_NEXT);
  EXPECT_EQ(camera.viewDistance, -10.0f);
  camera.viewDistance = -15;
  frames(3, VK_NEXT);
  EXPECT_EQ(camera.viewDistance, -5.0f);
}

TEST_F(KeyBindingTest, ReferencesCountOneLessThanTheReferenceStatement) {
  compileText("#8\n#8\ndeclare a A %p1 0 autre %p2 autre %p autre 0 findeclare");
  std::vector<int> targets;
  for (KeyBinding* b = allKeyBindings; b; b = b->nextInAll) targets.push_back(pieceNumber(b->piece));
  EXPECT_EQ(targets, (std::vector<int>{0, 1, 0, 1}));
}

TEST_F(KeyBindingTest, BadTargetsAreKeptWithoutEffect) {
  const auto out = compileText("#8\ndeclare a A %zz 0 trans 1 0 0 autre %p5 autre %10000 findeclare");
  EXPECT_EQ(out.messages, Messages{"2: ID inconnue: %zz n'est pas valide comme identificateur!"});
  int count = 0;
  for (KeyBinding* b = allKeyBindings; b; b = b->nextInAll, ++count) EXPECT_EQ(b->piece, nullptr);
  EXPECT_EQ(count, 3);
  release('A');
  frames(3, 'A');
  EXPECT_EQ(maxDifference(piece(0).matrix, identityMatrix()), 0.0);
}

TEST_F(KeyBindingTest, TransformWithoutBindingAndMissingWords) {
  auto out = compileText("#8 declare");
  EXPECT_EQ(allKeyBindings->key, '1');
  out = compileText("#8\nfindeclare\ndeclare\nrot 1 2 3");
  EXPECT_TRUE(out.messages.size() <= 1);
  clearKeyBindings();
  out = compileText("declare a B 0 0\nrot 0 0 1");
  EXPECT_TRUE(out.messages.empty());
}

TEST_F(KeyBindingTest, EachCompileReplacesTheBindings) {
  compileText("#8\ndeclare a A 0 0 findeclare");
  compileText("#8\ndeclare b B 0 0 findeclare");
  EXPECT_EQ(keyBindings['A'], nullptr);
  ASSERT_NE(keyBindings['B'], nullptr);
  EXPECT_EQ(allKeyBindings->nextInAll, nullptr);
}
