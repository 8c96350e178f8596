// STL, OBJ and PLY written through Assimp a batch of pieces at a time. Assimp
// holds a whole file in memory as it writes it, with every triangle placed
// and, for OBJ, looked up in maps of every corner; a batch is that much at
// most, where a whole 10000-piece model took several gigabytes.
#pragma once

#include <atomic>
#include <string>

#include "model/model_table.h"
#include "platform/core_safe_writer.h"

// Writes the pieces of the table that drawing reaches into out, every
// coordinate times scale. A failure of Assimp comes back; those of the
// writes themselves are kept in the files and come out when they are
// committed. Once stop (if given) is set, or a write failed, no further
// batch is written.
WriteResult writeStlInBatches(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop);
// The materials go into materials, which out names as materialName.
WriteResult writeObjInBatches(const PieceRecord* table, double scale, OutputFile& out, OutputFile& materials,
                              const std::string& materialName, const std::atomic<bool>* stop);
// PLY as text, the corners in the pieces' colours.
WriteResult writePlyInBatches(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop);
