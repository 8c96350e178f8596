#include "pieces/kind_names.h"

#include <cmath>

#include "model/connection.h"
#include "model/model_table.h"

namespace {
// Connectors by their clips and shape; rods (left empty here) by length.
const char* const kindNames[KIND_COUNT] = {
    "Connecteur 1 clip",
    "Connecteur 2 clips à 45°",
    "Connecteur droit 2 clips",
    "Connecteur 3 clips",
    "Demi-connecteur 4 clips",
    "Demi-connecteur 4 clips à douille",
    "Demi-connecteur 5 clips",
    "Connecteur 7 clips à douille",
    "Connecteur rond 8 clips",
    "Embout 1 clip à collerette",
    "", "", "", "", "", "",
    "Roue"};
}  // namespace

std::string kindName(int kind) {
  if (kind < 0 || kind >= KIND_COUNT) return "Pièce de sorte " + std::to_string(kind);
  // A rod is known by the distance between the centres of the two
  // connectors it joins (its end frames' distance plus one clip's reach):
  // 150, 212, 300...
  if (isRodKind(kind)) return "Tige " + std::to_string(std::lround(rodFarEnd(kind) + CLIP_REACH));
  return kindNames[kind];
}

int kindNamed(const std::string& name) {
  for (int kind = 0; kind < KIND_COUNT; ++kind)
    if (name == kindName(kind)) return kind;
  return -1;
}
