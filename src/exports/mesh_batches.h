// STL, OBJ and PLY written through Assimp a batch of pieces at a time. Assimp
// holds a whole file in memory as it writes it, with every triangle placed
// and, for OBJ, looked up in maps of every corner; a batch is that much at
// most, where a whole 10000-piece model took several gigabytes.
#pragma once

#include <atomic>
#include <filesystem>

#include "exports/checked_streams.h"
#include "model/model_table.h"

// Writes the pieces of the table that drawing reaches to made (and, for
// OBJ, its materials beside it), every coordinate times scale; failures go
// to log. Once stop (if given) is set, no further batch is written.
void writeStlInBatches(const PieceRecord* table, double scale, const std::filesystem::path& made, WriteLog& log,
                       const std::atomic<bool>* stop);
void writeObjInBatches(const PieceRecord* table, double scale, const std::filesystem::path& made, WriteLog& log,
                       const std::atomic<bool>* stop);
// PLY as text, the corners in the pieces' colours.
void writePlyInBatches(const PieceRecord* table, double scale, const std::filesystem::path& made, WriteLog& log,
                       const std::atomic<bool>* stop);
