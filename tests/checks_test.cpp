// The model checker's findings do not depend on the order the pieces are
// listed in: every script of tests/checks and every example, checked again
// with its pieces numbered in reverse and in shuffled orders, gives the same
// findings about the same pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <numeric>
#include <random>
#include <tuple>

#include "checks/model_check.h"
#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "script/compiler.h"
#include "shell/script_file.h"
#include "support/script_harness.h"

namespace fs = std::filesystem;

namespace {

using Numbering = std::vector<int32_t>;  // new number by old number

int32_t renumbered(const Numbering& numbering, int32_t number) {
  return number >= 0 && size_t(number) < numbering.size() ? numbering[size_t(number)] : number;
}

// The same model with every piece under its new number, listed in the
// order of the new numbers.
CheckInput renumberedInput(const CheckInput& input, const Numbering& numbering) {
  CheckInput out = input;
  for (CheckedPiece& p : out.pieces) p.number = renumbered(numbering, p.number);
  std::sort(out.pieces.begin(), out.pieces.end(),
            [](const CheckedPiece& a, const CheckedPiece& b) { return a.number < b.number; });
  for (JoinRecord& j : out.joins) j.piece = renumbered(numbering, j.piece), j.target = renumbered(numbering, j.target);
  for (CheckedBinding& b : out.bindings) b.piece = renumbered(numbering, b.piece);
  return out;
}

// What a finding says, in the old numbers: its kind and pieces, and the line
// where it does not depend on which piece came last.
using Said = std::tuple<FindingKind, int32_t, std::vector<int32_t>>;

std::vector<Said> said(const std::vector<Finding>& findings, const Numbering& numbering) {
  Numbering back(numbering.size());
  for (size_t old = 0; old < numbering.size(); ++old) back[size_t(numbering[old])] = int32_t(old);
  std::vector<Said> out;
  for (const Finding& f : findings) {
    std::vector<int32_t> pieces;
    for (int32_t p : f.pieces) pieces.push_back(renumbered(back, p));
    std::sort(pieces.begin(), pieces.end());
    const bool pair = f.kind == FindingKind::COLLISION || f.kind == FindingKind::SAME_PLACE || f.kind == FindingKind::CLIP;
    out.push_back({f.kind, pair ? 0 : f.line, pieces});
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<fs::path> checkedScripts() {
  std::vector<fs::path> scripts;
  for (const char* folder : {VEXOCAD_SOURCE_DIR "/tests/checks", VEXOCAD_SOURCE_DIR "/examples"})
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".vxo") scripts.push_back(entry.path());
  std::sort(scripts.begin(), scripts.end());
  return scripts;
}

}  // namespace

TEST(ModelCheck, FindingsDoNotDependOnTheOrderOfThePieces) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  MessageCapture quiet;
  std::mt19937 random(24);
  for (const fs::path& script : checkedScripts()) {
    ScriptLines lines;
    std::string error;
    ASSERT_TRUE(readScriptFile(script.c_str(), lines, error)) << error;
    compileScript(lines);
    const CheckInput input = lastCompileCheckInput();
    Numbering identity(MODEL_CAPACITY);
    std::iota(identity.begin(), identity.end(), 0);
    const std::vector<Said> first = said(checkModel(input).findings, identity);
    size_t used = 0;
    for (const CheckedPiece& p : input.pieces) used = std::max(used, size_t(p.number) + 1);
    Numbering reversed = identity, shuffled = identity;
    std::reverse(reversed.begin(), reversed.begin() + long(used));
    std::shuffle(shuffled.begin(), shuffled.begin() + long(used), random);
    for (const Numbering* numbering : {&reversed, &shuffled})
      EXPECT_EQ(said(checkModel(renumberedInput(input, *numbering)).findings, *numbering), first)
          << script.filename() << (numbering == &reversed ? " reversed" : " shuffled");
  }
}

// 10000 pieces piled at one place, connectors and rods (every rod in every
// connector's first clip): the check stops at its 10000th finding and says
// so. It used to keep every pair of rods sharing a clip, and ran for minutes.
TEST(ModelCheck, APileOfPiecesStopsAtTheLimitOfFindings) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  MessageCapture quiet;
  compileScript({"repete 5000", "#8", "#12", "finrepete"});
  const std::vector<Finding> findings = checkModel(lastCompileCheckInput()).findings;
  ASSERT_EQ(findings.size(), MAX_FINDINGS + 1);
  EXPECT_EQ(findings.back().kind, FindingKind::TOO_MANY);
  EXPECT_EQ(findings.back().text, "la vérification s'est arrêtée après 10000 constats : il peut y en avoir d'autres");
}
