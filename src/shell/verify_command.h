// "--verify" and "Vérifier le modèle": the model checker run on the model
// the last compile left.
#pragma once

#include <cstdint>
#include <vector>

#include "checks/model_check.h"

// Each finding shown as a message at its line, caption "Vérification" (on
// standard error: FILE:LINE: Vérification: TEXT). False when the control
// stopped the check.
bool showModelFindings(const CheckControl* control);

// "Vérifier le modèle": the findings on the model as it stands (the last
// compile's, with any piece inserted since) go to the messages pane, no box.
void verifyModelCommand();
