// What a script file cannot say: a compile stopped from outside. The language
// itself is shown by tests/scripts/*.vxo and their expected outputs.
#include <gtest/gtest.h>

#include "support/script_harness.h"

namespace {
using Messages = std::vector<std::string>;
}  // namespace

TEST(CompileControlTest, AHugeRepeatCanBeStopped) {
  CompileControl control;
  int questions = 0;
  control.context = &questions;
  control.interval = 1000;
  control.keepGoing = [](void* context, int, int) { return ++*static_cast<int*>(context) < 50; };
  const auto out = compileText("repete 2147483647\n#8\nfinrepete", &control);
  EXPECT_TRUE(out.result.stopped);
  // The open block is no error of the script.
  EXPECT_EQ(out.messages, Messages{"2: Capacité dépassée: Capacité de 10000 vexo impossible à dépasser. "
                                   "Il manquera certainement des pièces."});
  EXPECT_EQ(questions, 50);
  EXPECT_EQ(placedCount(), MODEL_CAPACITY);
}

