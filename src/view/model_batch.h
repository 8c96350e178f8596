// The model in one batch for the frames drawn while the view moves: every
// piece's mark mesh (pieces/mark_meshes.h) placed in the model's frame and
// coloured, in one vertex and one index buffer of a renderer's GL context.
// It is kept from frame to frame: a frame rewrites only the pieces that
// moved or changed colour, and lays the whole batch out again only when the
// pieces' number or kinds change. Pieces are laid out by number, so that
// the pieces a frame takes from it are a few runs of the index buffer, and
// a whole model in sight is one draw.
#pragma once

#include <cstdint>
#include <vector>

#include "model/model_table.h"
#include "pieces/piece_library_gl.h"

struct BatchPiece {
  Matrix world;  // its placement in the model frame, composed as the GL composes the walk's
  float colour[4];
  int16_t kind;  // -1 for a piece the frame walk does not reach: never drawn
  bool mirrored;
  uint32_t firstIndex, indexCount;
  uint32_t firstVertex, vertexCount;
  Point3 centre;     // of the sphere holding the piece, in the model frame
  float radius;      // of that sphere
  float detailSize;  // the diameter of its details (kindDetailRadius), in the model frame
};

struct ModelBatch {
  unsigned vertices = 0, indices = 0;  // buffer names, 0 before the first update
  std::vector<BatchPiece> pieces;      // by piece number, over the table's used prefix
};

// Brings the batch up to the table in the current GL context, which must be
// the one its buffers were made in. False without buffer objects.
bool updateModelBatch(ModelBatch& batch, const PieceLibrary& library, const PieceRecord* table);
// Draws these runs of the batch's index buffer, each a first index and a
// count, under the current modelview, with each piece's own colour.
void drawBatchRuns(const ModelBatch& batch, const std::vector<uint32_t>& firsts, const std::vector<int32_t>& counts);
// Gives the buffers back to the current context and empties the batch.
void deleteModelBatch(ModelBatch& batch);
