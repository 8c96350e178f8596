// Interactive insertion: a copy of the ghost piece joined at the picked
// connection point, placed exactly as the compile of the line written for it
// will place it, so that the next compile rebuilds the same model. The wheel
// changes the ghost's kind and port, or turns and shifts the piece just
// inserted by rewriting its line.
#include "insertion/insertion.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "model/connection.h"
#include "platform/core_window_messages.h"

namespace {

constexpr char PORT_LETTERS[4] = {'o', 'h', 'c', '='};
constexpr char PIECE_PREFIX[] = "#";
constexpr char FRAME_MARKER_PREFIX[] = "\xA4";  // the currency sign in Windows-1252
constexpr float QUARTER_PLACE = 0.25f;
constexpr float ONE_TURN = 100.0f;
constexpr int PLACE_TEXT_CAPACITY = 64;

bool isPortKind(int32_t kind) { return kind >= PORT_TROU && kind <= PORT_BARRE; }

bool isTableRecord(const PieceRecord* p) { return pieceNumber(p) >= 0 && isUsed(*p); }

// A clip cannot take a clip, nor a rod end an end or a body place, nor a
// body place a body place; a hole may take a hole.
bool refusedPair(int32_t a, int32_t b) {
  if ((a == PORT_BOUT && b == PORT_BARRE) || (a == PORT_BARRE && b == PORT_BOUT)) return true;
  return a == b && a != PORT_TROU;
}

// The two connector kinds whose holes meet by a fixed turn instead of by
// their port frames.
bool isTurnJoinKind(int kind) { return kind == 5 || kind == 7; }

// Whole turns h of a position code, as the joins of kinds 5 and 7 count
// them: the place left, v - 100 h, ends in [0, 100], with 100 itself kept
// in the turn below. Closed form of counting up then down from 0, so that
// no place, however far the wheel took it, costs a long loop.
long long joinTurns(float place) {
  const double v = double(place);
  if (!std::isfinite(v) || std::fabs(v) > 1e15) return 0;
  long long h = 0;
  if (v > 100.0)
    h = (long long)std::ceil(v / 100.0) - 1;
  else if (v < 0.0)
    h = (long long)std::floor(v / 100.0);
  while (v - 100.0 * double(h) > 100.0) ++h;
  while (v - 100.0 * double(h) < 0.0) --h;
  return h;
}

// R's matrix as the compile of its line builds it, statement by statement:
// the reference to the picked piece, the optional rebase onto R's frame,
// then the join.
void placeRecord(const InsertionState& s, PieceRecord& record, bool turnJoin, bool evenTurns) {
  referToPiece(record, *s.picked.piece);
  if (s.ampersandOption) rebaseOnFrame(&record, 1);
  if (turnJoin) {
    multiplyRight(record.matrix, fixedTurnMatrix(!evenTurns));
    return;
  }
  const ConnectionPoint a = makeConnectionPoint(uint8_t(s.picked.portKind), double(s.picked.place));
  const ConnectionPoint b = makeConnectionPoint(uint8_t(s.ghostPortKind), double(s.ghostPlace));
  attachPiece(&record, false, a, b, 0.0f, 0.0f, 0.0f);
}

// The reference counts from the slot the record goes into.
std::string reference(const InsertionState& s, const PieceRecord& record, const PieceRecord* slot) {
  char text[32];
  const int target = pieceNumber(record.attachedTo);
  if (s.relativeReferences)
    std::snprintf(text, sizeof text, "%%%s%d", "p", pieceNumber(slot) - target);
  else
    std::snprintf(text, sizeof text, "%%%s%d", "", target);
  return text;
}

std::string normalJoinLine(const InsertionState& s, const char* prefix, const PieceRecord& record,
                           const PieceRecord* slot) {
  char placeA[PLACE_TEXT_CAPACITY], placeB[PLACE_TEXT_CAPACITY];
  char line[INSERTION_LINE_CAPACITY];
  std::snprintf(line, sizeof line, "%s%d %s %s@ %c%s %c%s", prefix, int(record.kind),
                reference(s, record, slot).c_str(), s.ampersandOption ? "& " : "", PORT_LETTERS[s.picked.portKind],
                formatPlace(s.picked.place, placeA), PORT_LETTERS[s.ghostPortKind],
                formatPlace(s.ghostPlace, placeB));
  return line;
}

std::string turnJoinLine(const InsertionState& s, const char* prefix, const PieceRecord& record,
                         const PieceRecord* slot, bool evenTurns) {
  char line[INSERTION_LINE_CAPACITY];
  std::snprintf(line, sizeof line, "%s%d %s %s%s", prefix, int(record.kind), reference(s, record, slot).c_str(),
                s.ampersandOption ? "& " : "", evenTurns ? "3D" : "3D2");
  return line;
}

const char* linePrefix(bool frameMarker) { return frameMarker ? FRAME_MARKER_PREFIX : PIECE_PREFIX; }

// The first piece of an empty model stands free at the origin.
InsertionPlan startModelPlan(const InsertionState& s) {
  InsertionPlan plan;
  plan.outcome = InsertionOutcome::StartsModel;
  plan.slot = &modelTable[0];
  PieceRecord& first = plan.record;
  first = s.ghostPiece;
  first.colour[3] = 1.0f;
  setIdentity(first.matrix);
  first.attachedTo = nullptr;
  first.frameParent = nullptr;
  // Flagged as the compile of its line will flag it.
  first.flags = PIECE_USED | (s.frameMarkerRequest ? PIECE_FRAME_MARKER : 0);
  plan.world = first.matrix;
  char line[INSERTION_LINE_CAPACITY];
  std::snprintf(line, sizeof line, "%s%d", linePrefix(s.frameMarkerRequest), int(first.kind));
  plan.line = line;
  return plan;
}

// A fresh copy of the ghost against the picked piece, or the record being
// re-placed with what its compile would give it afresh.
PieceRecord recordToPlace(const InsertionState& s, const PieceRecord* replaced) {
  PieceRecord record;
  if (!replaced) {
    record = s.ghostPiece;
    record.colour[3] = 1.0f;
    record.attachedTo = s.picked.piece;
    record.flags = PIECE_USED;
  } else {
    record = *replaced;
    record.flags = PIECE_USED | (replaced->flags & PIECE_FRAME_MARKER);
  }
  record.frameParent = nullptr;
  return record;
}

bool isTurnJoin(const InsertionState& s, int kind) {
  return s.picked.piece && isTurnJoinKind(s.picked.piece->kind) && isTurnJoinKind(kind) &&
         (s.picked.portKind == PORT_TROU || s.ghostPortKind == PORT_TROU);
}

// The script reads a position of exactly -1 as no position at all, so a
// line carrying one would not rebuild the piece.
bool writablePlace(float place) { return place != -1.0f; }

const char* refusedPairReason(int32_t a, int32_t b) {
  if (a == PORT_PINCE) return "une pince ne se joint pas à une pince";
  if (a == PORT_BARRE && b == PORT_BARRE) return "une place de barre ne se joint pas à une place de barre";
  if (a == PORT_BOUT && b == PORT_BOUT) return "un bout de tige ne se joint pas à un bout de tige";
  return "un bout de tige ne se joint pas à une place de barre";
}

// Why a piece of the kind may not be joined at the picked point by the
// ghost's port ("" when it may): nothing picked, a port pair that does not
// fit, or a line the script could not read back.
std::string joinRefusal(const InsertionState& s, int kind, InsertionOutcome& outcome) {
  outcome = InsertionOutcome::CannotBeWritten;
  if (!s.picked.piece || !isTableRecord(s.picked.piece)) {
    outcome = InsertionOutcome::NoPoint;
    return "pas de point d'attache sous le pointeur";
  }
  const int32_t a = s.picked.portKind, b = s.ghostPortKind;
  if (!isPortKind(a) || !isPortKind(b)) return "ce port n'existe pas";
  if (refusedPair(a, b)) {
    outcome = InsertionOutcome::RefusedPair;
    return refusedPairReason(a, b);
  }
  if (!isTurnJoin(s, kind) && !(writablePlace(s.picked.place) && writablePlace(s.ghostPlace)))
    return "la place -1 ne s'écrit pas dans le script";
  return "";
}

void rememberInsertion(InsertionState& s, const Editor& editor, PieceRecord* record) {
  s.lastInserted = record;
  s.insertedGeneration = modelGeneration;
  s.insertedEditor = editor.state;
  s.insertedChange = editorChangeCount(editor);
}

void stepPlace(float& place, bool up, float step) { place += up ? step : -step; }

}  // namespace

GhostView ghostView(const InsertionState& insertion) {
  GhostView ghost;
  ghost.shown = insertion.insertionMode != 0;
  ghost.piece = insertion.ghostPiece;
  ghost.portKind = insertion.ghostPortKind;
  ghost.place = insertion.ghostPlace;
  return ghost;
}

PieceRecord* replaceableInsertion(const InsertionState& s, const Editor& editor) {
  PieceRecord* record = s.lastInserted;
  if (!record || !isTableRecord(record)) return nullptr;
  if (s.insertedGeneration != modelGeneration) return nullptr;
  if (s.insertedEditor != editor.state || !appendedLineIsLastChange(editor) ||
      editorChangeCount(editor) != s.insertedChange)
    return nullptr;
  // Its line names its target and its kind; another target picked since, or
  // another ghost kind, would write a line that rebuilds something else.
  if (s.picked.piece != record->attachedTo || s.ghostPiece.kind != record->kind) return nullptr;
  return record;
}

InsertionPlan planInsertion(const InsertionState& s, const PieceRecord* replaced) {
  InsertionPlan plan;
  if (s.ghostPiece.kind < 0 || s.ghostPiece.kind >= KIND_COUNT) {
    plan.outcome = InsertionOutcome::CannotBeWritten;
    plan.reason = "la pièce fantôme n'est d'aucune sorte";
    return plan;
  }
  if (!isUsed(modelTable[0])) return startModelPlan(s);
  plan.reason = joinRefusal(s, replaced ? replaced->kind : s.ghostPiece.kind, plan.outcome);
  if (!plan.reason.empty()) return plan;
  plan.slot = replaced ? const_cast<PieceRecord*>(replaced) : findFreeRecord();
  if (!plan.slot) {
    plan.outcome = InsertionOutcome::ModelFull;
    plan.reason = "le modèle est plein (" + std::to_string(MODEL_CAPACITY) + " pièces)";
    return plan;
  }
  plan.outcome = InsertionOutcome::Joins;
  PieceRecord& record = plan.record = recordToPlace(s, replaced);
  const bool turnJoin = isTurnJoin(s, record.kind);
  const bool evenTurns = joinTurns(s.picked.place) % 2 == 0;
  placeRecord(s, record, turnJoin, evenTurns);
  plan.world = worldPlacement(record);

  // A rewritten line keeps the frame marker its piece was inserted with.
  const bool frameMarker = s.frameMarkerRequest || (replaced && isFrameMarker(*replaced));
  if (frameMarker) record.flags |= PIECE_FRAME_MARKER;
  const char* prefix = linePrefix(frameMarker);
  plan.line = turnJoin ? turnJoinLine(s, prefix, record, plan.slot, evenTurns)
                       : normalJoinLine(s, prefix, record, plan.slot);
  return plan;
}

InsertionPlan planClickAt(const InsertionState& insertion, const ViewState& view, PickedPoint* picked) {
  InsertionState probe = insertion;
  if (isUsed(modelTable[0])) pickConnectionPoint(modelTable, view, probe.picked);
  if (picked) *picked = probe.picked;
  return planInsertion(probe, nullptr);
}

InsertionPlan insertPiece(InsertionState& s, const Editor& editor, const ViewState& view, PieceRecord* record) {
  if (record) {
    PieceRecord* replaceable = replaceableInsertion(s, editor);
    if (!replaceable) s.lastInserted = nullptr;
    if (record != replaceable) record = nullptr;
  }
  if (!record) {
    pickConnectionPoint(modelTable, view, s.picked);
    return insertAtPickedPoint(s, editor, nullptr);
  }
  // Checked before the line is taken back, so that a step the script could
  // not express leaves the piece and its line as they were.
  InsertionPlan refused;
  refused.reason = joinRefusal(s, record->kind, refused.outcome);
  if (!refused.reason.empty()) return refused;
  undoInsertion(editor);
  return insertAtPickedPoint(s, editor, record);
}

InsertionPlan insertAtPickedPoint(InsertionState& s, const Editor& editor, PieceRecord* record) {
  const InsertionPlan plan = planInsertion(s, record);
  if (!insertsPiece(plan)) return plan;
  *plan.slot = plan.record;
  appendEditorLine(editor, plan.line);
  plan.slot->scriptLine = plan.slot->topLevelLine = editorLineCount(editor);
  if (plan.outcome == InsertionOutcome::StartsModel) return plan;
  rememberInsertion(s, editor, plan.slot);
  s.frameMarkerRequest = 0;
  return plan;
}

int32_t handleInsertionWheel(InsertionState& s, const Editor& editor, const ViewState& view, uint32_t wParam) {
  if (!s.insertionMode) return 0;
  const int16_t delta = int16_t(uint16_t(wParam >> 16));
  const uint32_t keys = wParam & 0xFFFF;
  const bool up = delta > 0;
  const bool left = keys & MK_LBUTTON, right = keys & MK_RBUTTON, shift = keys & MK_SHIFT;
  if (keys & MK_CONTROL) {
    cycleGhostKind(s, delta);
  } else if ((left || right) && shift) {
    stepPlace(left ? s.picked.place : s.ghostPlace, up, QUARTER_PLACE);
    insertPiece(s, editor, view, s.lastInserted);
  } else if (left || right) {
    stepPlace(left ? s.picked.place : s.ghostPlace, up, ONE_TURN);
    insertPiece(s, editor, view, s.lastInserted);
  } else {
    cycleGhostPort(s, delta);
  }
  return 0;
}

void cycleGhostKind(InsertionState& s, int16_t delta) {
  const int step = delta > 0 ? 1 : -1;
  const int kind = ((s.ghostPiece.kind + step) % KIND_COUNT + KIND_COUNT) % KIND_COUNT;
  s.ghostPiece = pieceTemplates[kind];
  s.ghostPlace = 1.0f;
  if (isRodKind(kind))
    s.ghostPortKind = PORT_BOUT;
  else if (isConnectorKind(kind))
    s.ghostPortKind = PORT_PINCE;
  else
    s.ghostPortKind = PORT_TROU;
}

namespace {

void setGhostPort(InsertionState& s, int32_t portKind, float place) {
  s.ghostPortKind = portKind;
  s.ghostPlace = place;
}

void cycleRodPort(InsertionState& s, int kind, bool up) {
  const int n = bodyPlaceCount(kind);
  const float x = s.ghostPlace;
  if (s.ghostPortKind == PORT_BOUT && x == 1.0f) {
    if (!up)
      setGhostPort(s, PORT_BOUT, 2.0f);
    else if (n > 0)
      setGhostPort(s, PORT_BARRE, 1.0f);
  } else if (s.ghostPortKind == PORT_BOUT && x == 2.0f) {
    if (up)
      setGhostPort(s, PORT_BOUT, 1.0f);
    else if (n > 0)
      setGhostPort(s, PORT_BARRE, float(n));
  } else if (s.ghostPortKind == PORT_BARRE) {
    const float next = up ? x + 1.0f : x - 1.0f;
    if (next > float(n))
      setGhostPort(s, PORT_BOUT, 2.0f);
    else if (next < 1.0f)
      setGhostPort(s, PORT_BOUT, 1.0f);
    else
      s.ghostPlace = next;
  }
}

void cycleConnectorPort(InsertionState& s, int kind, bool up) {
  const int n = clipCount(kind);
  const float x = s.ghostPlace;
  // Kind 8's clips all look alike: only clip 1 and clip 8 are offered.
  const bool walksClips = kind != 8;
  if (s.ghostPortKind == PORT_TROU) {
    setGhostPort(s, PORT_PINCE, up ? 1.0f : float(n));
  } else if (s.ghostPortKind == PORT_PINCE) {
    if (up && x < float(n) && walksClips)
      s.ghostPlace = x + 1.0f;
    else if (!up && x > 1.0f && walksClips)
      s.ghostPlace = x - 1.0f;
    else
      setGhostPort(s, PORT_TROU, 1.0f);
  }
}

}  // namespace

void cycleGhostPort(InsertionState& s, int16_t delta) {
  const int kind = s.ghostPiece.kind;
  if (isRodKind(kind))
    cycleRodPort(s, kind, delta > 0);
  else if (kind >= 0 && kind <= 8)
    cycleConnectorPort(s, kind, delta > 0);
}

char* formatPlace(float value, char* buffer) {
  std::sprintf(buffer, "%f", double(value));
  size_t n = std::strlen(buffer);
  while (n > 1 && buffer[n - 1] == '0') buffer[--n] = '\0';
  if (n > 0 && buffer[n - 1] == '.') buffer[--n] = '\0';
  return buffer;
}

std::string ghostPortText(const InsertionState& s) {
  if (!isPortKind(s.ghostPortKind)) return "?";
  char place[PLACE_TEXT_CAPACITY];
  return PORT_LETTERS[s.ghostPortKind] + std::string(formatPlace(s.ghostPlace, place));
}

bool takeBackInsertedLine(const Editor& editor) {
  if (!appendedLineIsLastChange(editor)) return false;
  undoInsertion(editor);
  return true;
}
