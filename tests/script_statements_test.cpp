// Scripts in, model table and messages out: lexical rules, the word-test
// order and the piece statements.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/connection.h"
#include "support/script_harness.h"

namespace {
using Messages = std::vector<std::string>;

Vec3 centre(int n) { return transformPoint(piece(n).matrix, 0, 0, 0); }
}  // namespace

TEST(ScriptLexicalTest, EmptyScriptAndComments) {
  auto out = compileText("");
  EXPECT_EQ(placedCount(), 0);
  EXPECT_TRUE(out.messages.empty());

  out = compileText("// #8\n#8 // #8 #8\n#8");
  EXPECT_EQ(placedCount(), 2);

  out = compileText("/* #8\n#8 rot 1 2 3\n#8 */ #8\n#8");
  EXPECT_EQ(placedCount(), 2);
  EXPECT_TRUE(out.messages.empty());

  out = compileText("/* // */ #8\n#8");  // "//" ends the line even inside a block comment
  EXPECT_EQ(placedCount(), 0);

  // A word that opens and closes a comment is the whole comment.
  compileText("#8\n/*note*/\n#8 %p1 @ c2 h1 /**/ couleur=0000FF\n#8 %p1 @ c2 h1");
  EXPECT_EQ(placedCount(), 3);
  EXPECT_EQ(piece(1).colour[2], 0.0f);
  compileText("/* #8\n/*x*/ #8\n*/ #9\n/*/ #10\n*/ #11");  // skipped in a block; "/*/" opens one
  EXPECT_EQ(placedCount(), 2);
  EXPECT_EQ(piece(1).kind, 11);
}

TEST(ScriptLexicalTest, KeywordsIgnoreAsciiCaseAndMatchAsPrefixOrWhole) {
  compileText("#8 COULEURF 0.5 0.25 0\n#8 couleurfx 1 1 1\n#8 ROTATION 0 90 0");
  EXPECT_FLOAT_EQ(piece(0).colour[0], 0.5f);
  EXPECT_FLOAT_EQ(piece(0).colour[1], 0.25f);
  EXPECT_FLOAT_EQ(piece(1).colour[0], 1.0f);  // kind 8's white, untouched
  EXPECT_NEAR(piece(2).matrix.m[8], 1.0, 1e-6);
}

TEST(ScriptLexicalTest, TwentyWordsAnd127Characters) {
  std::string line;
  for (int i = 0; i < 20; ++i) line += "x ";
  line += "#8";  // the 21st word is never examined
  compileText(line);
  EXPECT_EQ(placedCount(), 0);

  compileText("#" + std::string(126, '8') + "\n#" + std::string(200, '8'));
  EXPECT_EQ(placedCount(), 0);  // both read as huge kinds, nothing placed
  const auto out = compileText("#8 " + std::string(200, 'a') + " couleurf 0 1 0");
  EXPECT_TRUE(out.messages.empty());
  EXPECT_EQ(piece(0).colour[1], 1.0f);
}

TEST(ScriptLexicalTest, OnlyThe255FirstBytesOfALineCount) {
  std::string line = "#8 " + std::string(248, ' ') + "#8 #8";  // third word starts at 254
  compileText(line);
  EXPECT_EQ(placedCount(), 2);
}

TEST(PieceStatementTest, PieceWordCopiesTheTemplate) {
  const auto out = compileText("#13");
  ASSERT_EQ(placedCount(), 1);
  const PieceRecord& p = piece(0);
  EXPECT_EQ(p.kind, 13);
  EXPECT_EQ(p.flags, PIECE_USED);
  EXPECT_EQ(maxDifference(p.matrix, identityMatrix()), 0.0);
  EXPECT_EQ(p.colour[0], 1.0f);
  EXPECT_EQ(p.colour[2], 0.0f);
  EXPECT_TRUE(out.messages.empty());
}

TEST(PieceStatementTest, FrameMarkerInBothEncodings) {
  compileText("\xA4" "8\n#8");
  EXPECT_EQ(piece(0).flags, PIECE_USED | PIECE_FRAME_MARKER);
  EXPECT_EQ(piece(1).flags, PIECE_USED);
  compileText("\xC2\xA4" "8");  // UTF-8 files are read as Windows-1252
  EXPECT_EQ(piece(0).flags, PIECE_USED | PIECE_FRAME_MARKER);
}

TEST(PieceStatementTest, BadKindIsSilentAndKeepsThePreviousPiece) {
  auto out = compileText("#8\n#17 couleur=00FF00\n#abc");
  EXPECT_EQ(placedCount(), 1);
  EXPECT_TRUE(out.messages.empty());
  EXPECT_EQ(piece(0).colour[0], 0.0f);
  EXPECT_EQ(piece(0).colour[1], 1.0f);

  out = compileText("#17\ncouleur=00FF00");
  EXPECT_EQ(placedCount(), 0);
  EXPECT_EQ(out.messages, Messages{"2: Erreur de syntaxe: Ligne 2, la couleur est indisponible, la sorte "
                                   "n'a été spécifiée."});
}

TEST(PieceStatementTest, CapacityMessageOnceAtThe10001stPiece) {
  std::string text;
  for (int i = 0; i < 10002; ++i) text += "#8\n";
  text += "couleur=FF0000";
  const auto out = compileText(text);
  EXPECT_EQ(placedCount(), MODEL_CAPACITY);
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_EQ(out.messages[0], "10001: Capacité dépassée: Capacité de 10000 vexo impossible à dépasser. "
                             "Il manquera certainement des pièces.");
  EXPECT_EQ(piece(9999).colour[2], 1.0f);  // later statements still act on piece 9999
  EXPECT_EQ(out.result.piecesPlaced, MODEL_CAPACITY);
}

TEST(PieceStatementTest, ReferencesCountBackOrNameAPiece) {
  compileText("#8 translation 1 0 0\n#8 translation 2 0 0\n#8 translation 3 0 0\n#8 %p2\n#8 %p\n#8 %1");
  EXPECT_EQ(piece(3).attachedTo, &modelTable[1]);
  EXPECT_EQ(piece(3).matrix.m[12], 2.0f);
  EXPECT_EQ(piece(4).attachedTo, &modelTable[3]);
  EXPECT_EQ(piece(5).attachedTo, &modelTable[1]);

  compileText("#8 translation 1 0 0 %0 %-4");
  EXPECT_EQ(maxDifference(piece(0).matrix, identityMatrix()), 0.0);  // a negative target resets
  compileText("#8 translation 1 0 0 %0");
  EXPECT_EQ(piece(0).matrix.m[12], 1.0f);  // itself: no change
  EXPECT_EQ(piece(0).attachedTo, nullptr);
}

TEST(PieceStatementTest, BadReferenceNamesTheWord) {
  const auto out = compileText("#8\n#8 %abc");
  EXPECT_EQ(out.messages, Messages{"2: ID inconnue: id=abc n'est pas valide comme ID!"});
}

TEST(PieceStatementTest, ReferenceToAPieceInAFrameCopiesItsWorldPlacement) {
  compileText("\xA4" "8 translation 0 0 100\n#13 %p1 & @ h1 c1\n#8 %p1");
  EXPECT_TRUE(isInFrame(piece(1)));
  EXPECT_EQ(piece(1).frameParent, &modelTable[0]);
  EXPECT_NEAR(piece(1).matrix.m[14], 0.0, 1e-5);  // relative to its frame
  EXPECT_NEAR(piece(2).matrix.m[14], 100.0, 1e-4);
}

TEST(PieceStatementTest, AttachPlacesTheRodOnTheClip) {
  compileText("#8\n#13 %p1 @ h3 c1");
  Matrix expected;
  setRotation(expected, 0, 90, 0);
  EXPECT_LT(maxDifference(piece(1).matrix, expected), 1e-5);
  const Vec3 end = transformPoint(piece(1).matrix, 0, 0, -53.9062);
  EXPECT_NEAR(end.x, -53.9062, 1e-4);
}

TEST(PieceStatementTest, EachRodKindSpacesItsConnectors) {
  const double spacing[] = {150, 212.132, 300, 424.264, 600, 848.528};
  for (int kind = 10; kind <= 15; ++kind) {
    compileText("#8\n#" + std::to_string(kind) + " %p1 @ h1 c1\n#8 %p1 @ c2 h1");
    EXPECT_NEAR(distance(centre(0), centre(2)), spacing[kind - 10], 1e-3) << kind;
    EXPECT_NEAR(centre(2).z, -spacing[kind - 10], 1e-3);
  }
}

TEST(PieceStatementTest, PortWordsInEveryForm) {
  compileText("#8\n#13 %p1 @ h3 c1");
  const Matrix reference = piece(1).matrix;
  for (const char* attach : {"@ c1 h3", "@ pince 3 bout 1", "@ h 3 bout 1", "@ P3 B1"}) {
    compileText(std::string("#8\n#13 %p1 ") + attach);
    EXPECT_LT(maxDifference(piece(1).matrix, reference), 1e-6) << attach;
  }
  compileText("#8\n#13 %p1 @ h3 bout1");  // "out1" is no number: the next (empty) word gives -1
  EXPECT_GT(maxDifference(piece(1).matrix, reference), 1.0);
  compileText("#8\n#8 %p1 @ trou 1 o1");
  EXPECT_LT(maxDifference(piece(1).matrix, identityMatrix()), 1e-5);
  compileText("#8\n#8 %p1 @ o3 o1");  // hole turned by two places
  Matrix turned;
  setRotation(turned, 0, -90, 0);
  EXPECT_LT(maxDifference(piece(1).matrix, turned), 1e-5);
}

TEST(PieceStatementTest, AttachWithoutReferenceResetsAndConsumesNoPorts) {
  const auto out = compileText("#8 rot 0 45 0 @ h3 c1");
  EXPECT_EQ(maxDifference(piece(0).matrix, identityMatrix()), 0.0);
  EXPECT_TRUE(out.messages.empty());
  const auto none = compileText("@ h1 c1");
  EXPECT_EQ(none.messages,
            Messages{"1: Erreur de syntaxe: Ligne 1, le vexo n'existe pas encore pour pouvoir être attaché!"});
}

TEST(PieceStatementTest, AttachWithRotationTurnsAboutTheConnection) {
  compileText("#8\n#13 %p1 @@ h1 c1 0 0 90");
  const Vec3 far = transformPoint(piece(1).matrix, 0, 0, -100);
  EXPECT_NEAR(far.z, -100, 1e-4);  // the rod's axis stays on the clip's axis
  Matrix expected;
  setRotation(expected, 0, 0, 90);
  EXPECT_LT(maxDifference(piece(1).matrix, expected), 1e-5);
}

TEST(PieceStatementTest, Colours) {
  compileText("#8 couleur=00FF00\n#8 color=00FF00\n#8 couleuri 255 128 0\n#8 couleur=0000FF\n#8 couleur=zz");
  for (int n : {0, 1}) {
    EXPECT_EQ(piece(n).colour[0], 0.0f);
    EXPECT_EQ(piece(n).colour[1], 1.0f);
    EXPECT_EQ(piece(n).colour[2], 0.0f);
  }
  EXPECT_EQ(piece(2).colour[0], 1.0f);
  EXPECT_EQ(piece(2).colour[1], 0.50196081f);
  EXPECT_EQ(piece(2).colour[2], 0.0f);
  EXPECT_EQ(piece(3).colour[0], 1.0f);  // the lowest byte is red
  EXPECT_EQ(piece(3).colour[2], 0.0f);
  EXPECT_EQ(piece(4).colour[0], 1.0f);  // a bad value is all bits set: white
  EXPECT_EQ(piece(4).colour[1], 1.0f);
  EXPECT_EQ(piece(4).colour[3], 1.0f);  // alpha is never set by a colour statement
}

TEST(PieceStatementTest, FixedTurnsSwapAxes) {
  compileText("#8 3D\n#8 3D2");
  const Vec3 a = transformPoint(piece(0).matrix, 1, 2, 3);
  EXPECT_EQ(a.x, 2);
  EXPECT_EQ(a.y, 1);
  EXPECT_EQ(a.z, -3);
  const Vec3 b = transformPoint(piece(1).matrix, 1, 2, 3);
  EXPECT_EQ(b.x, -2);
  EXPECT_EQ(b.y, -1);
  EXPECT_EQ(b.z, -3);
}

TEST(PieceStatementTest, RotationBeforeReferenceIsLost) {
  compileText("#8\n#13 rot 0 0 30 %p1 @ h1 c1\n#13 %p2 @ h1 c1 rot 0 0 30");
  EXPECT_LT(maxDifference(piece(1).matrix, identityMatrix()), 1e-6);
  Matrix turned;
  setRotation(turned, 0, 0, 30);
  EXPECT_LT(maxDifference(piece(2).matrix, turned), 1e-6);
}

TEST(PieceStatementTest, MessagesWithoutACurrentPiece) {
  const auto out = compileText("rot 1 2 3\ntrans 1 2 3\ncouleurf 1 1 1\n3D");
  EXPECT_EQ(out.messages,
            (Messages{"1: Erreur de syntaxe: Ligne 1, la rotation est impossible, la sorte n'a été spécifiée.",
                      "2: Erreur de syntaxe: Ligne 2, la translation est impossible, la sorte n'a été spécifié.",
                      "3: Erreur de syntaxe: Ligne 3, la couleur est indisponible, la sorte n'a été spécifiée.",
                      "4: Erreur de syntaxe: Ligne 4, option 3D impossible, la sorte n'a été spécifiée."}));
}

TEST(PieceStatementTest, LoopedReferencesNeverHang) {
  // Piece 0 hangs on the empty record 1, which piece 1 then fills with a
  // reference back to piece 0; rebasing and frame climbs must still end.
  const auto out = compileText("\xA4" "8 %1\n\xA4" "8 %0 &\n#8 %1 & @ h1 c1\n#8 %0 &3");
  EXPECT_EQ(placedCount(), 4);
  EXPECT_EQ(piece(0).attachedTo, &modelTable[1]);
  EXPECT_EQ(piece(1).attachedTo, &modelTable[0]);
}

TEST(PieceStatementTest, HostileBytesNeverCrash) {
  std::mt19937 random(7);
  // Strings, not pointers: the NUL byte piece must outlive this line.
  const std::string pieces[] = {"#", "\xA4", "%", "%p", "&", "@", "@@", "rot", "trans", "couleuri", "couleur=",
                                "3D", "1e999", "nan", "-inf", "0x7fffffff", "c", "=", "h", "o", "/*", "*/",
                                " ", "\n", "\r\n", "\t", std::string(1, '\0'), "\xFF"};
  for (int round = 0; round < 200; ++round) {
    std::string text;
    for (int i = 0; i < 300; ++i) {
      text += pieces[random() % (sizeof pieces / sizeof *pieces)];
      if (random() % 3 == 0) text += std::to_string(int(random() % 40) - 10);
      if (random() % 7 == 0) text += char(random() % 256);
    }
    compileText(text);
    const int used = placedCount();
    for (int n = used; n < MODEL_CAPACITY; ++n) ASSERT_EQ(modelTable[n].flags, 0u);
  }
}

TEST(PieceStatementTest, NumbersAsTheCLibraryReadsThem) {
  compileText("#8 couleurf 1e999 nan 12abc\n#8 translation 0x10 -1.5e1 .5");
  EXPECT_TRUE(std::isinf(piece(0).colour[0]));
  EXPECT_TRUE(std::isnan(piece(0).colour[1]));
  EXPECT_EQ(piece(0).colour[2], 12.0f);
  EXPECT_EQ(piece(1).matrix.m[12], 16.0f);
  EXPECT_EQ(piece(1).matrix.m[13], -15.0f);
  EXPECT_EQ(piece(1).matrix.m[14], 0.5f);
}
