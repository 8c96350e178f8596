// The checker's passes, each adding its findings. Internal to the checker.
#pragma once

#include <string>
#include <vector>

#include "checks/model_check.h"

// Ports and places the pieces' kinds do not have, keys bound by a
// character that names another key, pieces left out of the table.
void addPortFindings(const CheckInput& input, std::vector<Finding>& findings);
void addKeyFindings(const CheckInput& input, std::vector<Finding>& findings);
void addLimitFindings(const CheckInput& input, std::vector<Finding>& findings);
// Pieces at the same place, solids passing through each other, clips
// holding more than one piece. False when the control stopped it.
bool addSolidFindings(const CheckInput& input, const CheckControl* control, std::vector<Finding>& findings);

// "la pièce 3 (sorte 8)"
std::string pieceText(int32_t number, int kind);
// A number as the script would write it: 9, 2.5.
std::string numberText(double value);
