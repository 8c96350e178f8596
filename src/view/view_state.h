// How to draw the model: a plain record that the window, "--render", the
// image export, the booklet's pictures and the part pictures each hold for
// themselves and hand to drawScene. Drawing only reads it.
#pragma once

#include <cstdint>

#include "model/model_table.h"
#include "view/camera.h"

constexpr uint32_t DISPLAY_EDGES = 1;
constexpr uint32_t DISPLAY_SOLIDS = 2;

// How drawing shows each piece, by piece number, beside highlightedLine: a
// step of a building booklet hides the later pieces and outlines its own.
// LOOK_HIGHLIGHTED paints the piece over in the highlight's cyan;
// LOOK_OUTLINED keeps its own colours and draws a halo around what shows of
// it (a dark ring against the piece, a cyan ring outside that), which stands
// out on every piece colour and on the background alike.
enum PieceLook : uint8_t { LOOK_OWN_COLOURS, LOOK_HIGHLIGHTED, LOOK_HIDDEN, LOOK_OUTLINED };

// AUTO draws small pieces simpler; FULL draws every piece at full detail
// (still skipping what lies outside the view), as "--render" does.
enum class DrawDetail { AUTO, FULL };

struct ModelDrawing {
  bool fast = true;  // false: every piece through the nested lists, none skipped
  DrawDetail detail = DrawDetail::AUTO;
  // The view is moving: with fast, AUTO and solids only, the pieces seen
  // smallest are drawn as marks, all in one batch (view/model_batch.h);
  // whoever draws frames draws the still picture once the view stops.
  bool moving = false;
};

// The half-transparent piece hanging at the mouse by the port it will
// attach with, or, placed, standing where a click would insert it (world:
// its placement in the model); refused, it is tinted to say a click there
// inserts nothing. The connection point it would join (target: the port's
// frame in the model) is outlined while targetShown. Drawn over the model.
struct GhostView {
  bool shown = false;
  PieceRecord piece{};
  int32_t portKind = 0;
  float place = 0.0f;
  bool placed = false;
  Matrix world = identityMatrix();
  bool refused = false;
  bool targetShown = false;
  Matrix target = identityMatrix();
};

struct ViewState {
  Camera camera;
  uint32_t displayMode = DISPLAY_SOLIDS;  // DISPLAY_SOLIDS, DISPLAY_EDGES or both
  uint8_t lightingOn = 1;                 // the lighting switch
  // Whether GL lighting is on while the model is drawn; the axes turn it on
  // after them while lightingOn is set (see axesLeaveLightingOn).
  uint8_t lightingEnabled = 1;
  uint8_t showAxes = 1;
  uint8_t showRoom = 0;
  // Pieces made by this script line (see PieceRecord) are drawn
  // highlighted; 0 highlights none.
  int32_t highlightedLine = 0;
  // MODEL_CAPACITY entries; nullptr draws every piece as usual.
  const uint8_t* pieceLooks = nullptr;
  ModelDrawing drawing;
  // The mouse in the view, y down: where the ghost hangs and the pixel a
  // pick looks at.
  int32_t mouseX = 0, mouseY = 0;
  GhostView ghost;
  // A thin frame along the view's edges: the view has the keyboard.
  uint8_t keyboardFrame = 0;
};

// The axes, drawn with lightingOn set, turn lighting on after them: the
// frames after such a frame are lit, whatever the solids-and-edges switch
// said. Whoever draws frames of a view one after another applies this after
// each.
inline void axesLeaveLightingOn(ViewState& view) {
  if (view.showAxes && view.lightingOn) view.lightingEnabled = 1;
}
