// 3MF files through lib3mf, the 3MF Consortium's own library: each kind and
// colour is one mesh object, and the build one item, the whole model, an
// object whose components (one per piece) place those meshes, Z up, in
// millimetres: a slicer takes the model as one object to print, the file
// holds every kind's triangles once however many pieces the model has, and
// the colours are the format's base materials.
#pragma once

#include "model/model_table.h"
#include "platform/core_safe_writer.h"

// Writes the pieces of the table that drawing reaches into out, every
// coordinate times scale. A failure of the library comes back with its
// reason; those of the writes are kept in out, for its commit. The file is
// whole only when completeThreeMf says so: the library cannot be told that
// its writes failed.
WriteResult writeThreeMfFile(const PieceRecord* table, double scale, OutputFile& out);
// The archive ends with its directory's record, and that directory (at the
// end of the file, its names in the last few kilobytes) lists every part.
bool completeThreeMf(const OutputFile& written);
