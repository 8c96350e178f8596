// Statements that create pieces and place, turn, move and colour the current
// piece.
#include <cstring>

#include "model/connection.h"
#include "pieces/catalogue.h"
#include "script/compile_record.h"
#include "script/compile_state.h"

namespace {
constexpr float COLOUR_STEP = 0.003921569f;  // 1/255

bool needsCurrentPiece(CompileState& s, const char* text) {
  if (s.currentPiece) return true;
  syntaxError(format(text, s.nextLine));
  return false;
}

float colourChannel(int32_t value) { return float(double(value) * double(COLOUR_STEP)); }

// One connection point of an attach: its port by the first letter or the
// whole word, its position in the same word or the next. False when the
// line ran out of words.
bool readConnectionPoint(CompileState& s, ConnectionPoint& point) {
  const char* w = takeWord(s);
  if (!*w) {
    point.portKind = PORT_BOUT;
    return false;
  }
  char first = w[0];
  if (first >= 'A' && first <= 'Z') first += 'a' - 'A';
  bool oneLetter = true;
  if (first == 'c' || (first == 'b' && !startsWith(w, "barre")))
    point.portKind = PORT_BOUT;
  else if (first == 'o')
    point.portKind = PORT_TROU;
  else if (first == 'h' || (first == 'p' && !startsWith(w, "pince")))
    point.portKind = PORT_PINCE;
  else if (first == '=')
    point.portKind = PORT_BARRE;
  else {
    oneLetter = false;
    if (startsWith(w, "bout")) point.portKind = PORT_BOUT;
    else if (startsWith(w, "trou")) point.portKind = PORT_TROU;
    else if (startsWith(w, "pince")) point.portKind = PORT_PINCE;
    else if (startsWith(w, "barre")) point.portKind = PORT_BARRE;
  }
  const char* positionWord = oneLetter && std::strlen(w) >= 2 ? w + 1 : takeWord(s);
  float position = readFloat(positionWord, s.variables);
  if (position == -1.0f) position = readFloat(takeWord(s), s.variables);
  point.position = double(position);
  return true;
}

// A statement that would leave an infinite or undefined number in the
// current piece's placement (a value beyond the range of a float, nan, or a
// product that overflows), or in its place in the world when it sits in a
// frame, is undone: the piece keeps its number and the place the lines
// before gave it, so the pieces referring to it later stay where they were
// meant to be, and no such number reaches the view or a file. (A reference
// already climbs the frames of its target the same way.)
void undoIfNotFinite(CompileState& s, const PieceRecord& before, const char* statement) {
  const PieceRecord* piece = s.currentPiece;
  if (!piece || (isFiniteMatrix(piece->matrix) && (!isInFrame(*piece) || isFiniteMatrix(worldPlacement(*piece)))))
    return;
  *s.currentPiece = before;
  reportMessage(format("Ligne %d, %s donnerait à la pièce une position infinie ou indéfinie (nan).\n"
                       "L'instruction est ignorée : la pièce reste où elle était.",
                       s.nextLine, statement),
                "Placement impossible", ICON_EXCLAMATION);
}

// The checker reads which port each side of the join named.
void recordJoin(const CompileState& s, const ConnectionPoint& a, const ConnectionPoint& b, int pointsRead) {
  const PieceRecord& piece = *s.currentPiece;
  const bool swap = portsSwap(piece.kind, b.portKind);
  const ConnectionPoint& onTarget = swap ? b : a;
  const ConnectionPoint& onPiece = swap ? a : b;
  const JoinRecord join{s.nextLine, pieceNumber(&piece), pieceNumber(piece.attachedTo), onTarget.portKind,
                        onPiece.portKind, onTarget.position, onPiece.position, uint8_t(pointsRead)};
  std::vector<JoinRecord>& joins = compileRecord.joins;
  if (joins.size() < MAX_JOIN_RECORDS && (joins.empty() || !(joins.back() == join))) joins.push_back(join);
}

void readThree(CompileState& s, float& a, float& b, float& c) {
  a = readFloat(takeWord(s), s.variables);
  b = readFloat(takeWord(s), s.variables);
  c = readFloat(takeWord(s), s.variables);
}
}  // namespace

Matrix readTransform(CompileState& s, bool rotation) {
  float a, b, c;
  readThree(s, a, b, c);
  Matrix m;
  if (rotation)
    setRotation(m, a, b, c);
  else
    setTranslation(m, a, b, c);
  return m;
}

Flow pieceWord(CompileState& s, const char* rest, bool frameMarker) {
  if (s.pieceCounter < INT32_MAX) ++s.pieceCounter;
  if (s.pieceCounter >= MODEL_CAPACITY) {
    if (s.pieceCounter == MODEL_CAPACITY) {
      compileRecord.capacityLine = s.nextLine;
      reportMessage(format("Capacité de %d vexo impossible à dépasser.\nIl manquera certainement des pièces.",
                         MODEL_CAPACITY),
                  "Capacité dépassée", ICON_INFORMATION);
    }
    return Flow::NextLine;
  }
  const int32_t kind = readInt(rest, s.variables);
  if (kind < 0 || kind >= KIND_COUNT) {
    --s.pieceCounter;
    s.currentPiece = pieceAt(s.pieceCounter);
    return Flow::NextWord;
  }
  PieceRecord& piece = modelTable[s.pieceCounter];
  piece = pieceTemplates[kind];
  piece.scriptLine = s.nextLine;
  piece.topLevelLine = s.topLevelLine;
  if (frameMarker) piece.flags |= PIECE_FRAME_MARKER;
  s.currentPiece = &piece;
  return Flow::NextWord;
}

void referenceStatement(CompileState& s, const char* word) {
  const char* rest = word + 1;
  int32_t target;
  if (rest[0] == 'p' || rest[0] == 'P') {
    const int32_t count = readInt(rest + 1, s.variables);
    target = count > 0 ? s.pieceCounter - count : s.pieceCounter - 1;
  } else {
    target = readInt(rest, s.variables);
    if (target == -1 && !findVariable(s.variables, rest))
      reportMessage(format("id=%s n'est pas valide comme ID!", scriptText(rest).c_str()),
                  "ID inconnue", ICON_EXCLAMATION);
  }
  PieceRecord* piece = s.currentPiece;
  if (!piece) return;
  if (target < 0) {
    setIdentity(piece->matrix);
    return;
  }
  if (target == s.pieceCounter || target >= MODEL_CAPACITY) return;
  const PieceRecord before = *piece;
  referToPiece(*piece, modelTable[target]);
  undoIfNotFinite(s, before, "la référence (%)");
}

void rebaseStatement(CompileState& s, const char* rest) {
  int32_t n = readInt(rest, s.variables);
  if (n == -1) n = 1;
  if (!s.currentPiece) return;
  const PieceRecord before = *s.currentPiece;
  rebaseOnFrame(s.currentPiece, n);
  undoIfNotFinite(s, before, "l'entrée dans le repère (&)");
}

// Both statements read three values and multiply their matrix onto the
// current piece, or onto the newest key binding while a declaration is open.
static void transformStatement(CompileState& s, bool rotation, const char* missingPieceMessage) {
  if (s.declareMode) return transformNewestBinding(s, rotation);
  if (!needsCurrentPiece(s, missingPieceMessage)) return;
  const PieceRecord before = *s.currentPiece;
  multiplyRight(s.currentPiece->matrix, readTransform(s, rotation));
  undoIfNotFinite(s, before, rotation ? "la rotation" : "la translation");
}

void translationStatement(CompileState& s) {
  transformStatement(s, false, "Ligne %d, la translation est impossible, la sorte n'a été spécifié.\n");
}

void rotationStatement(CompileState& s) {
  transformStatement(s, true, "Ligne %d, la rotation est impossible, la sorte n'a été spécifiée.\n");
}

static const char* const colourMessage =
    "Ligne %d, la couleur est indisponible, la sorte n'a été spécifiée.\n";

void colourFractions(CompileState& s) {
  if (!needsCurrentPiece(s, colourMessage)) return;
  float* c = s.currentPiece->colour;
  readThree(s, c[0], c[1], c[2]);
}

void colourBytes(CompileState& s) {
  if (!needsCurrentPiece(s, colourMessage)) return;
  float* c = s.currentPiece->colour;
  for (int i = 0; i < 3; ++i) c[i] = colourChannel(readInt(takeWord(s), s.variables));
}

void colourHex(CompileState& s, const char* hexText) {
  if (!needsCurrentPiece(s, colourMessage)) return;
  const uint32_t v = uint32_t(readHex(hexText, s.variables));
  float* c = s.currentPiece->colour;
  c[0] = colourChannel(int32_t(v & 0xFF));
  c[1] = colourChannel(int32_t((v >> 8) & 0xFF));
  c[2] = colourChannel(int32_t((v >> 16) & 0xFF));
}

void attachStatement(CompileState& s, const char* word) {
  const bool withRotation = word[1] == '@';
  if (!s.currentPiece) {
    syntaxError(format("Ligne %d, le vexo n'existe pas encore pour pouvoir être attaché!", s.nextLine));
    return;
  }
  if (!s.currentPiece->attachedTo) {
    setIdentity(s.currentPiece->matrix);
    return;
  }
  ConnectionPoint a = makeConnectionPoint(PORT_TROU, 0.0);
  ConnectionPoint b = makeConnectionPoint(PORT_TROU, 0.0);
  const int pointsRead = !readConnectionPoint(s, a) ? 0 : readConnectionPoint(s, b) ? 2 : 1;
  recordJoin(s, a, b, pointsRead);
  float ax = 0, ay = 0, az = 0;
  if (withRotation) readThree(s, ax, ay, az);
  const PieceRecord before = *s.currentPiece;
  attachPiece(s.currentPiece, withRotation, a, b, ax, ay, az);
  undoIfNotFinite(s, before, "l'attache (@)");
}

void fixedTurn(CompileState& s, const char* word) {
  if (!needsCurrentPiece(s, "Ligne %d, option 3D impossible, la sorte n'a été spécifiée.\n")) return;
  const PieceRecord before = *s.currentPiece;
  multiplyRight(s.currentPiece->matrix, fixedTurnMatrix(word[2] == '2'));
  undoIfNotFinite(s, before, "l'option 3D");
}

void nameCurrentPiece(CompileState& s, const char* name) {
  if (Variable* v = findVariable(s.variables, name))
    v->value = s.pieceCounter;
  else
    pushVariable(s.variables, name, s.pieceCounter, s.callDepth);
}
