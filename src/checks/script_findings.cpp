// The checker's findings from what the script said rather than from where
// the pieces lie: ports and places a kind does not have, keys bound by a
// character that names another key, and pieces left out of the full table.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <tuple>

#include "checks/check_steps.h"
#include "model/connection.h"
#include "model/model_table.h"
#include "platform/core_text_encoding.h"
#include "platform/core_window_messages.h"

namespace {

// A hole turns what it holds by an eighth of a turn a place; a connector
// turns freely on a rod through its hole, so any place between them fits.
constexpr double HOLE_PLACES = 8;

const char* portName(uint8_t port) {
  switch (port) {
    case PORT_TROU: return "trou";
    case PORT_PINCE: return "pince";
    case PORT_BOUT: return "bout";
    default: return "barre";
  }
}

// What is wrong with the port at that position on a piece of the kind, or
// nothing when the kind has it.
std::string portProblem(int kind, uint8_t port, double position) {
  double turns, place;
  splitPosition(position, turns, place);
  const std::string named = std::string(portName(port)) + " " + numberText(place);
  const bool whole = place == std::floor(place);
  if (port == PORT_TROU && (isConnectorKind(kind) || kind == 16)) {
    if (place >= 1 && place < HOLE_PLACES + 1) return "";
    return "pas de place " + numberText(place) + " à son trou : les places du trou vont de 1 à 8, " +
           "chacune un huitième de tour";
  }
  if (port == PORT_PINCE && isConnectorKind(kind)) {
    const int clips = clipCount(kind);
    if (whole && place >= 1 && place <= clips) return "";
    return "pas de " + named + " : " + (clips == 1 ? "sa seule pince est la 1" : "ses pinces vont de 1 à " +
                                                                                     std::to_string(clips));
  }
  if (port == PORT_BOUT && isRodKind(kind)) {
    if (place == 1 || place == 2) return "";
    return "pas de " + named + " : une tige a les bouts 1 et 2";
  }
  if (port == PORT_BARRE && isRodKind(kind)) {
    const int places = bodyPlaceCount(kind);
    if (places == 0) return "pas de place de barre : une tige de sorte 10 n'en a aucune";
    if (place >= 1 && place <= places) return "";
    return "pas de " + named + " : ses places de barre vont de 1 à " + std::to_string(places);
  }
  const char* what = isConnectorKind(kind) ? "un connecteur a un trou et des pinces"
                     : isRodKind(kind)     ? "une tige a des bouts et des places de barre"
                                           : "une roue n'a que son trou";
  return std::string("pas de ") + (port == PORT_PINCE ? "pince" : portName(port)) + " : " + what;
}

int kindOf(const std::map<int32_t, int>& kinds, int32_t number) {
  const auto found = kinds.find(number);
  return found == kinds.end() ? -1 : found->second;
}

// French names of the keys the desktop program's keyboard gives codes to;
// empty for a code no key gives.
std::string keyName(uint8_t code) {
  static const std::map<int, const char*> names = {
      {VK_BACK, "la touche Retour arrière"}, {VK_TAB, "la touche Tab"}, {VK_RETURN, "la touche Entrée"},
      {VK_SHIFT, "la touche Maj"}, {VK_CONTROL, "la touche Ctrl"}, {VK_MENU, "la touche Alt"},
      {VK_PAUSE, "la touche Pause"}, {VK_CAPITAL, "la touche Verr. maj"}, {VK_ESCAPE, "la touche Échap"},
      {VK_PRIOR, "la touche Page précédente"}, {VK_NEXT, "la touche Page suivante"}, {VK_END, "la touche Fin"},
      {VK_HOME, "la touche Origine"}, {VK_LEFT, "la flèche gauche"}, {VK_UP, "la flèche haut"},
      {VK_RIGHT, "la flèche droite"}, {VK_DOWN, "la flèche bas"}, {VK_INSERT, "la touche Inser"},
      {VK_DELETE, "la touche Suppr"}, {VK_MULTIPLY, "la touche * du pavé numérique"},
      {VK_ADD, "la touche + du pavé numérique"}, {VK_SUBTRACT, "la touche - du pavé numérique"},
      {VK_DECIMAL, "la touche . du pavé numérique"}, {VK_DIVIDE, "la touche / du pavé numérique"},
      {VK_NUMLOCK, "la touche Verr. num"}, {VK_SCROLL, "la touche Arrêt défil"}};
  if (const auto found = names.find(code); found != names.end()) return found->second;
  if (code >= VK_NUMPAD0 && code <= VK_NUMPAD0 + 9)
    return "la touche " + std::to_string(code - VK_NUMPAD0) + " du pavé numérique";
  if (code >= VK_F1 && code < VK_F1 + 24) return "la touche F" + std::to_string(code - VK_F1 + 1);
  if ((code >= 0xBA && code <= 0xC0) || (code >= 0xDB && code <= 0xDE)) return "une touche de ponctuation";
  return "";
}

// The character as the script shows it (script bytes are Windows-1252).
std::string keyCharacter(uint8_t code) { return cp1252ToUtf8(std::string(1, char(code))); }

bool namesItsOwnKey(uint8_t code) { return (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9'); }

std::string keyAdvice(uint8_t code) {
  if (code >= 'a' && code <= 'z') {
    const std::string letter(1, char(code - 'a' + 'A'));
    return "pour la touche " + letter + ", écrivez « " + letter + " » en majuscule";
  }
  std::string advice = "une touche s'écrit par une lettre majuscule ou un chiffre";
  if (code == '%') advice += " ; le mot de la touche manque-t-il devant la référence ?";
  return advice;
}

std::string pieceList(const std::vector<int32_t>& pieces) {
  if (pieces.empty()) return "sans pièce";
  std::string text = pieces.size() == 1 ? "la pièce " : "les pièces ";
  constexpr size_t shown = 5;
  for (size_t k = 0; k < pieces.size() && k < shown; ++k)
    text += (k == 0 ? "" : k + 1 == pieces.size() ? " et " : ", ") + std::to_string(pieces[k]);
  if (pieces.size() > shown) text += " et " + std::to_string(pieces.size() - shown) + " autres";
  return text;
}

}  // namespace

std::string pieceText(int32_t number, int kind) {
  return "la pièce " + std::to_string(number) + " (sorte " + std::to_string(kind) + ")";
}

std::string numberText(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

void addPortFindings(const CheckInput& input, std::vector<Finding>& findings) {
  std::map<int32_t, int> kinds;
  for (const CheckedPiece& piece : input.pieces) kinds[piece.number] = piece.kind;
  for (const JoinRecord& join : input.joins) {
    if (findings.size() >= MAX_FINDINGS) return;
    const int pieceKind = kindOf(kinds, join.piece), targetKind = kindOf(kinds, join.target);
    if (pieceKind < 0 || targetKind < 0) continue;
    const std::vector<int32_t> both = {std::min(join.piece, join.target), std::max(join.piece, join.target)};
    if (join.pointsRead < 2) {
      findings.push_back({FindingKind::PORT, join.line, both,
                          "l'accroche de " + pieceText(join.piece, pieceKind) + " à la pièce " +
                              std::to_string(join.target) + " n'a pas ses deux points de connexion après @"});
      continue;
    }
    const std::tuple<int32_t, int, uint8_t, double> sides[2] = {
        {join.target, targetKind, join.targetPort, join.targetPosition},
        {join.piece, pieceKind, join.piecePort, join.piecePosition}};
    for (const auto& [number, kind, port, position] : sides) {
      const std::string problem = portProblem(kind, port, position);
      if (!problem.empty())
        findings.push_back({FindingKind::PORT, join.line, both, pieceText(number, kind) + " n'a " + problem});
    }
  }
}

void addKeyFindings(const CheckInput& input, std::vector<Finding>& findings) {
  // One finding per declaration, with every piece its bindings move.
  std::map<std::tuple<int32_t, std::string, uint8_t>, std::vector<int32_t>> declarations;
  for (const CheckedBinding& b : input.bindings) {
    if (namesItsOwnKey(b.key)) continue;
    std::vector<int32_t>& pieces = declarations[{b.line, b.name, b.key}];
    if (b.piece >= 0 && std::find(pieces.begin(), pieces.end(), b.piece) == pieces.end()) pieces.push_back(b.piece);
  }
  for (auto& [declaration, pieces] : declarations) {
    if (findings.size() >= MAX_FINDINGS) return;
    const auto& [line, name, key] = declaration;
    std::sort(pieces.begin(), pieces.end());
    const std::string code = "code " + std::to_string(key) + " de « " + keyCharacter(key) + " »";
    const std::string keyText = keyName(key);
    const std::string bound = keyText.empty() ? "le " + code + ", qu'aucune touche ne donne" : keyText + ", " + code;
    findings.push_back({FindingKind::KEY, line, pieces,
                        "la déclaration " + name + " (" + pieceList(pieces) + ") lie " + bound + " : " + keyAdvice(key)});
  }
}

void addLimitFindings(const CheckInput& input, std::vector<Finding>& findings) {
  if (input.piecesLeftOut <= 0) return;
  const long long first = MODEL_CAPACITY, last = MODEL_CAPACITY + input.piecesLeftOut - 1;
  const std::string which = input.piecesLeftOut == 1 ? "la pièce " + std::to_string(first) + " manque"
                                                     : "les pièces " + std::to_string(first) + " à " +
                                                           std::to_string(last) + " manquent";
  findings.push_back({FindingKind::LIMIT, input.capacityLine, {},
                      "le modèle atteint la limite de " + std::to_string(MODEL_CAPACITY) + " pièces : " + which +
                          ", à partir de celle de cette ligne"});
}
