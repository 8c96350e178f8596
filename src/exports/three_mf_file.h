// 3MF files through lib3mf, the 3MF Consortium's own library: each kind and
// colour is one mesh object, and each piece an object named after its
// number and line that places that mesh, so the file holds every kind's
// triangles once however many pieces the model has, and the colours are
// the format's base materials.
#pragma once

#include <string>

#include "model/model_table.h"

// Writes the pieces of the table that drawing reaches to path, every
// coordinate times scale; false with the library's reason.
bool writeThreeMfFile(const PieceRecord* table, double scale, const std::string& path, std::string* reason);
