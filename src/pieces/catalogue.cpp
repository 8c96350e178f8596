#include "pieces/catalogue.h"

#include <cstring>

const char* const pieceFileNames[KIND_COUNT] = {
    "vx108.dat",  "vx207.dat",  "vx225.dat",  "vx304.dat",  "vx402.dat",  "vx422.dat",
    "vx514.dat",  "vx701.dat",  "vx815.dat",  "vx119.dat",  "vx0002.dat", "vx0315.dat",
    "vx0601.dat", "vx1114.dat", "vx1804.dat", "vx2800.dat", "vxrond.dat"};

const char* const subPartFileNames[SUBPART_COUNT] = {"e-rod0.dat",  "e-rod.dat",  "e-rod3.dat",
                                                     "e-spoke.dat", "m-spoke.dat", "hub1.dat",
                                                     "hub2.dat",    "hub.dat"};

int findSubPart(const char* name) {
  for (int i = 0; i < SUBPART_COUNT; ++i)
    if (std::strcmp(name, subPartFileNames[i]) == 0) return i;
  return -1;
}
