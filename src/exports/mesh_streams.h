// STL, PLY and OBJ written directly, a piece at a time, into the safe
// writer's file through a buffer of a megabyte: nothing of the model is held
// but the kinds' meshes, and the numbers are printed by std::to_chars (the
// shortest text that reads back as the same float). STL and PLY are Z up,
// OBJ Y up (mesh_scene.h); a model unit is a millimetre at scale 1.
#pragma once

#include <atomic>
#include <string>

#include "model/model_table.h"
#include "platform/core_safe_writer.h"

// Each writes the pieces of the table that drawing reaches into out, every
// coordinate times scale. The failures of the writes are kept in the files
// and come out when they are committed; a file that failed, or a stop (if
// given) once set, ends the writing at the next piece.

// Binary STL: an 80-byte header, the triangle count, then per triangle its
// normal, its three corners and two zero bytes.
WriteResult writeStlFile(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop);
// PLY as text: every piece's corners, in its colour, then every triangle.
WriteResult writePlyFile(const PieceRecord* table, double scale, OutputFile& out, const std::atomic<bool>* stop);
// OBJ as text, an object and a group per piece named "piece N ligne L",
// each with its corners, its normals and its triangles in its material; the
// materials (one per colour) go into materials, which out names as
// materialName.
WriteResult writeObjFile(const PieceRecord* table, double scale, OutputFile& out, OutputFile& materials,
                         const std::string& materialName, const std::atomic<bool>* stop);
