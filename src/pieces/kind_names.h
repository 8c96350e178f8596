// The names builders know the piece kinds by, in French: what each kind is
// (a connector and its clips, a rod and the distance it spans, the wheel),
// for parts lists and building instructions.
#pragma once

#include <string>

// "Connecteur rond 8 clips", "Tige 300", "Roue"...; "Pièce de sorte N" for
// a number that is no kind.
std::string kindName(int kind);
// The kind whose name is exactly name, or -1.
int kindNamed(const std::string& name);
