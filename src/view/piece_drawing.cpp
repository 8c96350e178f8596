// One piece as a view state shows it: in its own colours, highlighted or
// hidden.
#include "view/piece_drawing.h"

#include <GL/gl.h>

// Cyan, a colour no kind has, whatever the piece's own colour, with its
// edges in black over it: seen at once in the model, lit or not.
bool highlightedPiece(const PieceRecord& record, const ViewState& view) {
  const int number = pieceNumber(&record);
  const bool looked = view.pieceLooks && number >= 0 && view.pieceLooks[number] == LOOK_HIGHLIGHTED;
  return looked || (view.highlightedLine > 0 && record.scriptLine == view.highlightedLine);
}

bool drawnHighlighted(const PieceRecord& record, const ViewState& view, unsigned solids, unsigned edges) {
  if (!highlightedPiece(record, view)) return false;
  glColor4f(0.0f, 1.0f, 1.0f, 1.0f);
  glCallList(solids);
  glColor3f(0.0f, 0.0f, 0.0f);
  glCallList(edges);
  return true;
}

bool hiddenPiece(const PieceRecord& record, const ViewState& view) {
  const int number = pieceNumber(&record);
  return view.pieceLooks && number >= 0 && view.pieceLooks[number] == LOOK_HIDDEN;
}

void drawPiece(const Renderer& renderer, const PieceRecord& record, const ViewState& view) {
  const float* c = record.colour;
  const uint32_t mode = view.displayMode;
  glColor4fv(c);
  if (mode & DISPLAY_SOLIDS) glCallList(kindList(renderer.pieces, record.kind, false));
  // Edges over solids are drawn at half brightness so both stay visible.
  if ((mode & DISPLAY_SOLIDS) && (mode & DISPLAY_EDGES)) glColor3f(c[0] * 0.5f, c[1] * 0.5f, c[2] * 0.5f);
  if (mode & DISPLAY_EDGES) glCallList(kindList(renderer.pieces, record.kind, true));
}
