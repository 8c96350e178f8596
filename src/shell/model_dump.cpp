#include "shell/model_dump.h"

#include "model/model_table.h"
#include "platform/core_text_encoding.h"
#include "script/key_bindings.h"

namespace {
void appendFloat(std::string& out, float v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " %.9g", double(v));
  out += buffer;
}

void appendMatrix(std::string& out, const Matrix& m) {
  out += " matrix";
  for (float e : m.m) appendFloat(out, e);
}

void appendPiece(std::string& out, int n, const PieceRecord& p) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, "piece %d kind %d colour", n, int(p.kind));
  out += buffer;
  for (float c : p.colour) appendFloat(out, c);
  std::snprintf(buffer, sizeof buffer, " flags %u attached %d frame %d", unsigned(p.flags),
                pieceNumber(p.attachedTo), pieceNumber(p.frameParent));
  out += buffer;
  appendMatrix(out, p.matrix);
  out += '\n';
}

void appendBinding(std::string& out, const KeyBinding& b) {
  char buffer[160];
  out += "binding ";
  out += cp1252ToUtf8(b.name);
  std::snprintf(buffer, sizeof buffer, " key %d piece %d once %d", int(b.key), pieceNumber(b.piece),
                int(b.oneShot));
  out += buffer;
  appendMatrix(out, b.matrix);
  out += '\n';
}
}  // namespace

std::string dumpModel() {
  std::string out;
  const int used = usedPrefixLength();
  for (int n = 0; n < used; ++n) appendPiece(out, n, modelTable[n]);
  for (const KeyBinding* b = allKeyBindings; b; b = b->nextInAll) appendBinding(out, *b);
  return out;
}
