// Scripts in, model table and messages out: variables, repeat blocks,
// conditionals and functions.
#include <gtest/gtest.h>

#include <chrono>

#include "support/script_harness.h"

namespace {
using Messages = std::vector<std::string>;

// The x translation of each placed piece: scripts below write values there.
std::vector<float> xs() {
  std::vector<float> out;
  for (int n = 0; n < placedCount(); ++n) out.push_back(piece(n).matrix.m[12]);
  return out;
}
}  // namespace

TEST(VariableTest, DeclarationsReadTheirValues) {
  compileText("int $a=3 $b $c=$a\n#8 trans $a $b $c");
  EXPECT_EQ(xs(), std::vector<float>{3});
  EXPECT_EQ(piece(0).matrix.m[13], 0.0f);
  EXPECT_EQ(piece(0).matrix.m[14], 3.0f);

  compileText("int $a=2.9 $e=\nfloat $f=$a $g= $h=2.5\n#8 trans $a $e $f\n#8 trans $g $h 0");
  EXPECT_EQ(piece(0).matrix.m[12], 2.0f);   // int truncates
  EXPECT_EQ(piece(0).matrix.m[13], -1.0f);  // empty int value text
  EXPECT_EQ(piece(0).matrix.m[14], 0.0f);   // float values are not looked up
  EXPECT_EQ(piece(1).matrix.m[12], 0.0f);
  EXPECT_EQ(piece(1).matrix.m[13], 2.5f);
}

TEST(VariableTest, DeclarationRunFollowedByStatements) {
  compileText("int $a=5 #8 trans $a 0 0");
  EXPECT_EQ(xs(), std::vector<float>{5});
  compileText("int $a=1\nint $a=2\n#8 trans $a 0 0");
  EXPECT_EQ(xs(), std::vector<float>{2});  // the newer declaration hides the older
}

TEST(VariableTest, RedeclarationsInALoopKeepOneEntryPerScope) {
  const auto out = compileText("int $a=9\nrepete 100000\nint $a=1 $b=$a\nfinrepete\n#8 trans $a $b 0");
  EXPECT_EQ(out.result.variablesLeft, 2);
  EXPECT_EQ(xs(), std::vector<float>{1});
  EXPECT_EQ(piece(0).matrix.m[13], 1.0f);
  // In a call a declaration hides the parameter and the caller's variable
  // once, is reused on later passes and goes with the call.
  compileText(
      "int $a=5\nfonction f $a\nrepete 3\nint $a=$a $c=$a\nop+ 1 $a\nfinrepete\n#8 trans $a $c 0\n"
      "finfonction\nappel f 7\n#8 trans $a 0 0");
  EXPECT_EQ(xs(), (std::vector<float>{10, 5}));
  EXPECT_EQ(piece(0).matrix.m[13], 9.0f);
}

TEST(VariableTest, IdNamesTheCurrentPiece) {
  compileText("#8\n#8\n#8 id=trois\n#13 %trois @ h1 c1\n#8 id=trois\nint $x=trois\n#8 trans $x 0 0");
  EXPECT_EQ(piece(3).attachedTo, &modelTable[2]);
  EXPECT_EQ(piece(5).matrix.m[12], 4.0f);
}

TEST(VariableTest, SetAddAndOperations) {
  compileText(
      "int $x=725 $y=-30 $z=7 $w=10 $v=10\n"
      "op% 360 $x\nop % 360 $y\nop% 0 $z\nop/ 0 $w\nopx 3 $v\nop- 1 $v\nop: 4 $v\nop= 8 $w\n"
      "ajoute 0.5 $z\nset $v 2\nset & 7\n"
      "#8 trans $x $y $z\n#8 trans $w $v 0");
  EXPECT_EQ(piece(0).matrix.m[12], 5.0f);
  EXPECT_EQ(piece(0).matrix.m[13], 330.0f);
  EXPECT_EQ(piece(0).matrix.m[14], 7.5f);
  EXPECT_EQ(piece(1).matrix.m[12], 8.0f);
  EXPECT_EQ(piece(1).matrix.m[13], 2.0f);
}

TEST(VariableTest, MessagesForUnknownVariablesAndOperators) {
  const auto out = compileText("set $nope 1\nint $x=1\najoute 1 $y\nopX 2 $x\nop+ 1 $q");
  EXPECT_EQ(out.messages, (Messages{"1: Erreur de syntaxe: Ligne 1, la variable n'existe pas!",
                                    "3: Erreur de syntaxe: Ligne 3, la variable n'existe pas!",
                                    "4: Erreur de syntaxe: Ligne 4, operation X non reconnue!",
                                    "5: Erreur de syntaxe: Ligne 5, la variable n'existe pas!"}));
}

TEST(VariableTest, HugeModuloQuotientsEnd) {
  compileText("float $x=1e30\nop% 7 $x\n#8 trans $x 0 0");
  EXPECT_GE(piece(0).matrix.m[12], 0.0f);
  EXPECT_LT(piece(0).matrix.m[12], 7.0f);
}

TEST(RepeatTest, BlocksRunTheirCount) {
  compileText("repete 3\n#8\nfinrepete\n#13");
  EXPECT_EQ(placedCount(), 4);
  compileText("repete 0\n#8\nfinrepete\n#13");
  ASSERT_EQ(placedCount(), 1);
  EXPECT_EQ(piece(0).kind, 13);
  compileText("repete 2\nrepete 3\n#8\nfinrepete\nfinrepete");
  EXPECT_EQ(placedCount(), 6);
  compileText("int $i=0\nrepete 4\nop+ 1 $i\n#8 trans $i 0 0\nfinrepete");
  EXPECT_EQ(xs(), (std::vector<float>{1, 2, 3, 4}));
}

TEST(RepeatTest, BadCountsAndStrayEnds) {
  auto out = compileText("repete abc\n#8\nfinrepete");
  EXPECT_EQ(placedCount(), 1);
  EXPECT_EQ(out.messages, (Messages{"1: Erreur de syntaxe: Ligne 1: syntaxe repete [nombrederépétitions]",
                                    "3: Erreur de syntaxe: Ligne 3, un finrepete est en trop!"}));
  out = compileText("#8\nrepete 2\n#8");
  EXPECT_EQ(placedCount(), 2);
  EXPECT_EQ(out.messages, Messages{"3: Erreur de syntaxe: Il manque un finrepete"});
}

TEST(RepeatTest, SortirLeavesTheInnermostBlock) {
  compileText("int $i=0\nrepete 5\nop+ 1 $i\nsi $i > 1\nsortir\nfinsi\n#8 trans $i 0 0\nfinrepete\n#13");
  EXPECT_EQ(xs(), (std::vector<float>{1, 0}));
  EXPECT_EQ(piece(1).kind, 13);
  const auto out = compileText("sortir #8\n#8\nfinfonction #8\n#8");
  EXPECT_TRUE(out.messages.empty());  // no block, no call: nothing changes
  EXPECT_EQ(placedCount(), 2);
}

TEST(RepeatTest, BlockEndInsideASkippedBranchIsStillActedOn) {
  // The false branch's "finrepete" still sends the compile back, but the
  // branch stays open: the second pass and the rest of the script are skipped.
  const auto out = compileText("repete 2\n#8\nsi 1 > 2\nfinrepete\nfinsi\n#13");
  EXPECT_EQ(placedCount(), 1);
  EXPECT_TRUE(out.messages.empty());
}

TEST(ConditionalTest, ThenAndElseParts) {
  compileText("si 1 < 2 #8 sinon #13 finsi\nsi 1 > 2 #8 sinon #13 finsi");
  ASSERT_EQ(placedCount(), 2);
  EXPECT_EQ(piece(0).kind, 8);
  EXPECT_EQ(piece(1).kind, 13);
  compileText("si 1 < 2\n#8\nfinsi\nsi 5 = 6\n#9\nfinsi\nif 2 <= 1 #10 endif\nif 3 != 3 #11 else #12 endif");
  EXPECT_EQ(placedCount(), 3);
  EXPECT_EQ(piece(1).kind, 9);  // "=" repeats the previous outcome
  EXPECT_EQ(piece(2).kind, 12);
}

TEST(ConditionalTest, FalseConditionHidesANestedConditional) {
  compileText("si 2 < 1\nsi 1 < 2\n#8\nsinon\n#9\nfinsi\n#10\nsinon\n#13\nfinsi\n#14");
  ASSERT_EQ(placedCount(), 2);
  EXPECT_EQ(piece(0).kind, 13);
  EXPECT_EQ(piece(1).kind, 14);
}

TEST(ConditionalTest, UndefinedLastConditionIsFalse) {
  compileText("si 1 ? 2 #8 finsi #13");
  ASSERT_EQ(placedCount(), 1);
  EXPECT_EQ(piece(0).kind, 13);
}

TEST(FunctionTest, ParametersTakeArgumentsFirstToFirst) {
  compileText("fonction f $a $b\n#8 trans $a $b 0\nfinfonction\nappel f 3 4\nappel f 5");
  EXPECT_EQ(xs(), (std::vector<float>{3, 5}));
  EXPECT_EQ(piece(0).matrix.m[13], 4.0f);
  EXPECT_EQ(piece(1).matrix.m[13], -1.0f);  // a missing argument reads -1
}

TEST(FunctionTest, EnglishWordsAndTheSectionMarker) {
  compileText("function g\n#8\nendfunction\n\xA7 h $n\n#13 trans $n 0 0\nfinfonction\ncall g\ncall h 2\n#9");
  ASSERT_EQ(placedCount(), 3);
  EXPECT_EQ(piece(1).matrix.m[12], 2.0f);
  EXPECT_EQ(piece(2).kind, 9);
}

TEST(FunctionTest, CallsBeforeTheDefinitionAreRefused) {
  const auto out = compileText("appel f\nfonction f\n#8\nfinfonction\nappel f");
  EXPECT_EQ(placedCount(), 1);
  EXPECT_EQ(out.messages, Messages{"1: Erreur de syntaxe: Impossible d'appeler la fonction 'f' à la ligne 1! "
                                   "Fonction non repertoriée"});
}

TEST(FunctionTest, ScopesEndWithTheCall) {
  compileText(
      "int $x=1\nfonction f\nint $local=7\nset $x 5\nfinfonction\nappel f\n"
      "#8 trans $x $local 0");
  EXPECT_EQ(piece(0).matrix.m[12], 5.0f);
  EXPECT_EQ(piece(0).matrix.m[13], -1.0f);  // $local no longer exists
}

TEST(FunctionTest, RecursionIsRefused) {
  auto out = compileText("fonction f\n#8\nappel f\nfinfonction\nappel f\n#13");
  ASSERT_EQ(placedCount(), 2);
  EXPECT_EQ(piece(1).kind, 13);
  EXPECT_EQ(out.messages, Messages{"3: Erreur de syntaxe: Impossible d'appeler la fonction 'f' à la ligne 3! "
                                   "La fonction est déjà en cours d'exécution"});
  out = compileText(
      "fonction b\nappel a\nfinfonction\nfonction a $n\n#8 trans $n 0 0\nappel b\nfinfonction\n"
      "appel a 1\nappel a 2\n#13");
  EXPECT_EQ(xs(), (std::vector<float>{1, 2, 0}));
  EXPECT_EQ(out.messages.size(), 2u);
}

TEST(FunctionTest, NestedCallsAndLoopsBuildATower) {
  compileText(
      "fonction etage $k\n#8 %p1 @ o1 o1 trans 0 $k 0\nfinfonction\n"
      "#8\nint $i=0\nrepete 4\nop+ 100 $i\nappel etage $i\nfinrepete");
  ASSERT_EQ(placedCount(), 5);
  EXPECT_NEAR(piece(4).matrix.m[13], 1000.0, 1e-3);
}

TEST(FunctionTest, AbandonedCallAtTheEndFreesCleanly) {
  const auto out = compileText("fonction f $a\nint $b=2\n#8\nfinfonction\nappel f 1\n");
  EXPECT_EQ(placedCount(), 1);
  EXPECT_TRUE(out.messages.empty());
  compileText("fonction f $a\nint $b=2\nappel f\n");  // compile ends inside the call
}

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

TEST(CompileControlTest, RunawayStructuresEnd) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "repete 1\nsi 1 < 2\nfonction f" + std::to_string(i) + "\n";
  text += "/*\n";
  const auto out = compileText(text);
  EXPECT_LE(out.messages.size(), 1u);
  std::string names = "int";
  for (int i = 0; i < 19; ++i) names += " $" + std::string(126, char('a' + i));
  compileText(names + "\nrepete 1\nappel\nfonction\nfinfonction\ndeclare\nautre\nop\nset\najoute\nsi\n@@\n");
}
