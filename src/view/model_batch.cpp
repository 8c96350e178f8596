// The model's mark meshes in one vertex and one index buffer, placed and
// coloured piece by piece, updated from the table before each frame that
// uses them.
#include "view/model_batch.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "model/frame_tree.h"

namespace {

struct BatchVertex {
  float position[3];
  float normal[3];
  uint8_t colour[4];
};

// The walk's placements, composed as drawing composes them, and whether
// each piece was reached.
struct PlacementWalk {
  const PieceRecord* table;
  std::vector<Matrix> world;
  std::vector<char> reached;
  std::vector<Matrix> path;  // of the pieces entered and not yet left
};

void enterPiece(void* context, int32_t piece) {
  PlacementWalk& walk = *static_cast<PlacementWalk*>(context);
  Matrix& world = walk.world[size_t(piece)];
  if (walk.path.empty())
    world = walk.table[piece].matrix;
  else
    multiplyAsGl(walk.path.back().m, walk.table[piece].matrix.m, world.m);
  walk.path.push_back(world);
  walk.reached[size_t(piece)] = 1;
}

void leavePiece(void* context, int32_t) { static_cast<PlacementWalk*>(context)->path.pop_back(); }

PlacementWalk placementsOf(const PieceRecord* table) {
  const auto tree = std::make_unique<FrameTree>();
  buildFrameTree(*tree, table);
  PlacementWalk walk{table, std::vector<Matrix>(size_t(tree->count)), std::vector<char>(size_t(tree->count), 0), {}};
  walkFrameForest(*tree, FrameVisitor{enterPiece, leavePiece, &walk});
  return walk;
}

float determinant3(const float* m) {
  return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) + m[8] * (m[1] * m[6] - m[5] * m[2]);
}

float largestAxisScale(const float* m) {
  float largest = 0.0f;
  for (int c = 0; c < 3; ++c)
    largest = std::max(largest, m[4 * c] * m[4 * c] + m[4 * c + 1] * m[4 * c + 1] + m[4 * c + 2] * m[4 * c + 2]);
  return std::sqrt(largest);
}

uint8_t colourByte(float c) { return uint8_t(std::lround(std::clamp(std::isfinite(c) ? c : 0.0f, 0.0f, 1.0f) * 255.0f)); }

bool samePiece(const BatchPiece& kept, const PieceRecord& record, const Matrix& world) {
  return std::memcmp(kept.world.m, world.m, sizeof world.m) == 0 &&
         std::memcmp(kept.colour, record.colour, sizeof kept.colour) == 0;
}

// The piece's corners placed and coloured, and its sphere and detail size.
void placePiece(BatchPiece& piece, const PieceLibrary& library, const PieceRecord& record, const Matrix& world,
                BatchVertex* out) {
  piece.world = world;
  std::copy(record.colour, record.colour + 4, piece.colour);
  const float* m = world.m;
  piece.mirrored = determinant3(m) < 0.0f;
  const IndexedMesh& mark = library.marks[size_t(piece.kind)];
  const uint8_t colour[4] = {colourByte(record.colour[0]), colourByte(record.colour[1]), colourByte(record.colour[2]),
                             colourByte(record.colour[3])};
  for (uint32_t v = 0; v < piece.vertexCount; ++v) {
    const float* c = &mark.vertices[6 * size_t(v)];
    BatchVertex& b = out[v];
    for (int r = 0; r < 3; ++r) {
      b.position[r] = m[r] * c[0] + m[4 + r] * c[1] + m[8 + r] * c[2] + m[12 + r];
      b.normal[r] = m[r] * c[3] + m[4 + r] * c[4] + m[8 + r] * c[5];  // the GL normalises normals
    }
    std::copy(colour, colour + 4, b.colour);
  }
  const BoundingSphere sphere = kindBoundingSphere(library, piece.kind);
  const Point3& s = sphere.centre;
  piece.centre = {m[0] * s.x + m[4] * s.y + m[8] * s.z + m[12], m[1] * s.x + m[5] * s.y + m[9] * s.z + m[13],
                  m[2] * s.x + m[6] * s.y + m[10] * s.z + m[14]};
  const float scale = largestAxisScale(m);
  piece.radius = sphere.radius * scale;
  piece.detailSize = 2.0f * kindDetailRadius(library, piece.kind) * scale;
}

// A mirrored placement turns the faces' corners the other way round: their
// order is turned back so that culling keeps the outer faces.
void writeIndices(const BatchPiece& piece, const PieceLibrary& library, uint32_t* out) {
  const std::vector<uint32_t>& local = library.marks[size_t(piece.kind)].indices;
  for (size_t i = 0; i < local.size(); i += 3)
    for (size_t k = 0; k < 3; ++k) out[i + k] = piece.firstVertex + local[i + (piece.mirrored ? 2 - k : k)];
}

bool drawable(const PieceRecord& record, bool reached, const PieceLibrary& library) {
  return reached && record.kind >= 0 && record.kind < KIND_COUNT && size_t(record.kind) < library.marks.size() &&
         !library.marks[size_t(record.kind)].indices.empty();
}

// Every piece laid out anew, its vertices and indices written and sent.
void layOut(ModelBatch& batch, const PieceLibrary& library, const PieceRecord* table, const PlacementWalk& walk) {
  const size_t count = walk.world.size();
  batch.pieces.assign(count, BatchPiece{});
  uint32_t vertices = 0, indices = 0;
  for (size_t i = 0; i < count; ++i) {
    BatchPiece& piece = batch.pieces[i];
    piece.kind = drawable(table[i], walk.reached[i], library) ? table[i].kind : int16_t(-1);
    if (piece.kind < 0) continue;
    const IndexedMesh& mark = library.marks[size_t(piece.kind)];
    piece.firstVertex = vertices, piece.vertexCount = uint32_t(mark.vertices.size() / 6);
    piece.firstIndex = indices, piece.indexCount = uint32_t(mark.indices.size());
    vertices += piece.vertexCount, indices += piece.indexCount;
  }
  std::vector<BatchVertex> vertexData(vertices);
  std::vector<uint32_t> indexData(indices);
  for (size_t i = 0; i < count; ++i) {
    BatchPiece& piece = batch.pieces[i];
    if (piece.kind < 0) continue;
    placePiece(piece, library, table[i], walk.world[i], &vertexData[piece.firstVertex]);
    writeIndices(piece, library, &indexData[piece.firstIndex]);
  }
  glBindBuffer(GL_ARRAY_BUFFER, batch.vertices);
  glBufferData(GL_ARRAY_BUFFER, GLsizeiptr(vertexData.size() * sizeof(BatchVertex)), vertexData.data(), GL_STATIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, batch.indices);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, GLsizeiptr(indexData.size() * sizeof(uint32_t)), indexData.data(),
               GL_STATIC_DRAW);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

bool sameLayout(const ModelBatch& batch, const PieceLibrary& library, const PieceRecord* table,
                const PlacementWalk& walk) {
  if (batch.pieces.size() != walk.world.size()) return false;
  for (size_t i = 0; i < batch.pieces.size(); ++i) {
    const int16_t kind = drawable(table[i], walk.reached[i], library) ? table[i].kind : int16_t(-1);
    if (batch.pieces[i].kind != kind) return false;
  }
  return true;
}

// The pieces that moved or changed colour, written again in place.
void rewriteChanged(ModelBatch& batch, const PieceLibrary& library, const PieceRecord* table, const PlacementWalk& walk) {
  std::vector<BatchVertex> vertexData;
  std::vector<uint32_t> indexData;
  for (size_t i = 0; i < batch.pieces.size(); ++i) {
    BatchPiece& piece = batch.pieces[i];
    if (piece.kind < 0 || samePiece(piece, table[i], walk.world[i])) continue;
    vertexData.resize(piece.vertexCount);
    indexData.resize(piece.indexCount);
    placePiece(piece, library, table[i], walk.world[i], vertexData.data());
    writeIndices(piece, library, indexData.data());
    glBindBuffer(GL_ARRAY_BUFFER, batch.vertices);
    glBufferSubData(GL_ARRAY_BUFFER, GLintptr(piece.firstVertex * sizeof(BatchVertex)),
                    GLsizeiptr(vertexData.size() * sizeof(BatchVertex)), vertexData.data());
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, batch.indices);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, GLintptr(piece.firstIndex * sizeof(uint32_t)),
                    GLsizeiptr(indexData.size() * sizeof(uint32_t)), indexData.data());
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

}  // namespace

bool updateModelBatch(ModelBatch& batch, const PieceLibrary& library, const PieceRecord* table) {
  if (!batch.vertices) {
    GLuint names[2] = {0, 0};
    glGenBuffers(2, names);
    if (!names[0] || !names[1]) return false;
    batch.vertices = names[0], batch.indices = names[1];
    batch.pieces.clear();
  }
  const PlacementWalk walk = placementsOf(table);
  if (sameLayout(batch, library, table, walk))
    rewriteChanged(batch, library, table, walk);
  else
    layOut(batch, library, table, walk);
  return true;
}

void drawBatchRuns(const ModelBatch& batch, const std::vector<uint32_t>& firsts, const std::vector<int32_t>& counts) {
  if (firsts.empty() || !batch.vertices) return;
  std::vector<const void*> offsets(firsts.size());
  for (size_t i = 0; i < firsts.size(); ++i)
    offsets[i] = reinterpret_cast<const void*>(uintptr_t(firsts[i]) * sizeof(uint32_t));
  glBindBuffer(GL_ARRAY_BUFFER, batch.vertices);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, batch.indices);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_NORMAL_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(3, GL_FLOAT, sizeof(BatchVertex), reinterpret_cast<const void*>(offsetof(BatchVertex, position)));
  glNormalPointer(GL_FLOAT, sizeof(BatchVertex), reinterpret_cast<const void*>(offsetof(BatchVertex, normal)));
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(BatchVertex), reinterpret_cast<const void*>(offsetof(BatchVertex, colour)));
  glMultiDrawElements(GL_TRIANGLES, counts.data(), GL_UNSIGNED_INT, offsets.data(), GLsizei(firsts.size()));
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

void deleteModelBatch(ModelBatch& batch) {
  const GLuint names[2] = {batch.vertices, batch.indices};
  if (names[0] || names[1]) glDeleteBuffers(2, names);
  batch = ModelBatch{};
}
