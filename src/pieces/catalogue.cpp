#include "pieces/catalogue.h"

#include <cstring>

const char* const pieceFileNames[KIND_COUNT] = {
    "vx108.dat",  "vx207.dat",  "vx225.dat",  "vx304.dat",  "vx402.dat",  "vx422.dat",
    "vx514.dat",  "vx701.dat",  "vx815.dat",  "vx119.dat",  "vx0002.dat", "vx0315.dat",
    "vx0601.dat", "vx1114.dat", "vx1804.dat", "vx2800.dat", "vxrond.dat"};

const char* const subPartFileNames[SUBPART_COUNT] = {"e-rod0.dat",  "e-rod.dat",  "e-rod3.dat",
                                                     "e-spoke.dat", "m-spoke.dat", "hub1.dat",
                                                     "hub2.dat",    "hub.dat"};

const float kindColours[KIND_COUNT][4] = {
    {0.3f, 0.3f, 0.3f, 1.0f}, {0.6f, 0.6f, 0.6f, 1.0f}, {1.0f, 0.5f, 0.0f, 1.0f},
    {1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {0.8f, 0.0f, 0.8f, 1.0f},
    {1.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.8f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
    {1.0f, 0.5f, 0.25f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {1.0f, 1.0f, 1.0f, 1.0f},
    {0.0f, 0.0f, 0.8f, 1.0f}, {1.0f, 1.0f, 0.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 1.0f},
    {0.5f, 0.5f, 0.5f, 1.0f}, {0.5f, 0.5f, 1.0f, 1.0f}};

namespace {
PieceRecord makeTemplate(int kind) {
  PieceRecord t{};
  t.kind = int16_t(kind);
  std::memcpy(t.colour, kindColours[kind], sizeof t.colour);
  setIdentity(t.matrix);
  t.flags = PIECE_USED;
  return t;
}
}  // namespace

const PieceRecord pieceTemplates[KIND_COUNT] = {
    makeTemplate(0),  makeTemplate(1),  makeTemplate(2),  makeTemplate(3),  makeTemplate(4),
    makeTemplate(5),  makeTemplate(6),  makeTemplate(7),  makeTemplate(8),  makeTemplate(9),
    makeTemplate(10), makeTemplate(11), makeTemplate(12), makeTemplate(13), makeTemplate(14),
    makeTemplate(15), makeTemplate(16)};
PieceRecord ghostPiece = pieceTemplates[13];

void resetGhostPiece() { ghostPiece = pieceTemplates[13]; }

int findSubPart(const char* name) {
  for (int i = 0; i < SUBPART_COUNT; ++i)
    if (std::strcmp(name, subPartFileNames[i]) == 0) return i;
  return -1;
}
