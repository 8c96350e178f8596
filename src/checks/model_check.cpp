// The checker's entry: what the last compile left, gathered into one input,
// and the passes run over it with their findings in a stable order.
#include "checks/model_check.h"

#include <algorithm>
#include <tuple>

#include "checks/check_steps.h"
#include "model/frame_tree.h"
#include "model/model_table.h"
#include "platform/core_text_encoding.h"
#include "script/key_bindings.h"

namespace {

FrameTree checkTree;

struct PlacementWalk {
  std::vector<Matrix> frames;
  std::vector<CheckedPiece>* pieces;
};

// Each piece's matrix onto its frame parent's, as drawing composes them.
void enterPiece(void* context, int32_t number) {
  PlacementWalk& walk = *static_cast<PlacementWalk*>(context);
  const PieceRecord& record = modelTable[number];
  Matrix world = walk.frames.back();
  multiplyRight(world, record.matrix);
  walk.frames.push_back(world);
  walk.pieces->push_back({number, record.kind, record.scriptLine, world});
}

void leavePiece(void* context, int32_t) { static_cast<PlacementWalk*>(context)->frames.pop_back(); }

bool before(const Finding& a, const Finding& b) {
  return std::tie(a.line, a.kind, a.pieces, a.text) < std::tie(b.line, b.kind, b.pieces, b.text);
}

bool same(const Finding& a, const Finding& b) {
  return std::tie(a.line, a.kind, a.pieces, a.text) == std::tie(b.line, b.kind, b.pieces, b.text);
}

}  // namespace

CheckInput lastCompileCheckInput() {
  CheckInput input;
  PlacementWalk walk{{identityMatrix()}, &input.pieces};
  buildFrameTree(checkTree, modelTable);
  walkFrameForest(checkTree, FrameVisitor{enterPiece, leavePiece, &walk});
  input.joins = compileRecord.joins;
  for (const KeyBinding* b = allKeyBindings; b; b = b->nextInAll)
    input.bindings.push_back({b->scriptLine, cp1252ToUtf8(b->name), b->key, pieceNumber(b->piece)});
  std::reverse(input.bindings.begin(), input.bindings.end());
  input.capacityLine = compileRecord.capacityLine;
  input.piecesLeftOut = compileRecord.piecesLeftOut;
  return input;
}

CheckResult checkModel(const CheckInput& input, const CheckControl* control) {
  CheckResult result;
  addPortFindings(input, result.findings);
  addKeyFindings(input, result.findings);
  addLimitFindings(input, result.findings);
  result.stopped = !addSolidFindings(input, control, result.findings);
  std::vector<Finding>& findings = result.findings;
  std::sort(findings.begin(), findings.end(), before);
  findings.erase(std::unique(findings.begin(), findings.end(), same), findings.end());
  if (findings.size() >= MAX_FINDINGS) {
    findings.resize(MAX_FINDINGS);
    findings.push_back({FindingKind::TOO_MANY, 0, {},
                        "la vérification s'est arrêtée après " + std::to_string(MAX_FINDINGS) +
                            " constats : il peut y en avoir d'autres"});
  }
  return result;
}
