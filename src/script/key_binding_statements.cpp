// The statements that bind keys to moves of pieces: "declare", "autre",
// and rotations and translations while a declaration is open.
#include <cstdlib>
#include <cstring>

#include "script/compile_state.h"
#include "script/key_bindings.h"

namespace {
// A declaration's reference counts one less back than the reference
// statement: "%p1" names the current piece itself.
PieceRecord* bindingTarget(CompileState& s, const char*& rest) {
  bool relative = false;
  if (startsWith(rest, "%p")) {
    rest += 2;
    relative = true;
  } else if (rest[0] == '%') {
    rest += 1;
  }
  const int32_t n = readInt(rest, s.variables);
  int32_t target = n;
  if (relative) target = n > 0 ? s.pieceCounter - n + 1 : s.pieceCounter;
  if (target == -1 && !findVariable(s.variables, rest))
    reportMessage(format("%%%s n'est pas valide comme identificateur!", scriptText(rest).c_str()),
                "ID inconnue", ICON_EXCLAMATION);
  // A target outside the table is kept as a binding without effect.
  return pieceAt(target);
}

// A loop can declare bindings without end; past this many the table of
// bindings stops growing, with one message per compile.
constexpr int32_t maxKeyBindings = 100000;

bool addBinding(CompileState& s, const char* name, uint8_t key, PieceRecord* piece, uint8_t oneShot,
                int32_t line) {
  s.bindingRefused = s.keyBindingCount >= maxKeyBindings;
  if (s.bindingRefused) {
    if (s.keyBindingCount++ == maxKeyBindings)
      reportMessage(format("Impossible de créer la déclaration %s à la ligne %d!\nIl y en a déjà %d.",
                           scriptText(name).c_str(), s.nextLine, maxKeyBindings),
                    "Erreur", ICON_EXCLAMATION);
    return false;
  }
  ++s.keyBindingCount;
  KeyBinding* b = new KeyBinding{strdup(name), key, piece, oneShot, identityMatrix(),
                                 allKeyBindings, keyBindings[key], line};
  allKeyBindings = b;
  keyBindings[key] = b;
  return true;
}
}  // namespace

const char* declareBinding(CompileState& s) {
  const int first = s.wordIndex + 1;
  const char* name = wordAt(s, first);
  const char* keyWord = wordAt(s, first + 1);
  const char* reference = wordAt(s, first + 2);
  const char* onceWord = wordAt(s, first + 3);
  const uint8_t oneShot = onceWord[0] == '1' || isWord(onceWord, "true");
  const uint8_t key = keyWord[0] ? uint8_t(keyWord[0]) : uint8_t('1');
  s.declareMode = false;
  PieceRecord* target = bindingTarget(s, reference);
  addBinding(s, name, key, target, oneShot, s.nextLine);
  s.declareMode = true;
  s.wordIndex = std::min(first + 2, WORDS_PER_LINE);
  return reference;
}

void anotherBinding(CompileState& s) {
  const char* reference = takeWord(s);
  PieceRecord* target = bindingTarget(s, reference);
  const KeyBinding* newest = allKeyBindings;
  if (!newest) return;
  addBinding(s, newest->name, newest->key, target, newest->oneShot, newest->scriptLine);
}

void transformNewestBinding(CompileState& s, bool rotation) {
  const Matrix m = readTransform(s, rotation);
  if (s.bindingRefused) return;
  if (!allKeyBindings) {
    reportMessage("Impossible d'appliquer une variable inexistante!", "Erreur", ICON_EXCLAMATION);
    return;
  }
  // A move that would hold an infinite or undefined number is left as it was.
  Matrix moved = allKeyBindings->matrix;
  multiplyRight(moved, m);
  if (isFiniteMatrix(moved)) {
    allKeyBindings->matrix = moved;
    return;
  }
  reportMessage(format("Ligne %d, %s donnerait au mouvement de la touche une valeur infinie ou indéfinie (nan).\n"
                       "L'instruction est ignorée : le mouvement reste ce qu'il était.",
                       s.nextLine, rotation ? "la rotation" : "la translation"),
                "Placement impossible", ICON_EXCLAMATION);
}
