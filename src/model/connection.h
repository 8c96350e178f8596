// Connection points: the hole, clips, rod ends and rod body places of the
// pieces, the frame each one has on its piece, and the placement of a new
// piece so that one of its ports lies on a port of a piece already placed.
#pragma once

#include <cstdint>

#include "model/matrix.h"
#include "model/model_table.h"

enum PortKind : uint8_t { PORT_TROU = 0, PORT_PINCE = 1, PORT_BOUT = 2, PORT_BARRE = 3 };

struct ConnectionPoint {
  uint8_t portKind;
  Matrix frame;     // output of placeConnectionPoint
  double position;  // position code: 100 x turns + place
};

constexpr float CLIP_REACH = 53.9062f;
constexpr float HOLE_OFFSET = 13.0f;
constexpr float BODY_STEP = 25.0f;

inline bool isConnectorKind(int kind) { return kind >= 0 && kind <= 9; }
inline bool isRodKind(int kind) { return kind >= 10 && kind <= 15; }

// Clips of a connector kind (0 for other kinds).
int clipCount(int kind);
// Gripping places along a rod kind's body (0 for other kinds).
int bodyPlaceCount(int kind);
// Distance from a rod's origin to the frame of its second end (0 for non-rods).
float rodFarEnd(int kind);

// Splits a position code into whole turns and a place in [0, 100).
void splitPosition(double code, double& turns, double& place);
// The clip number after the kind's wrap rule (kinds 0 to 9); the place itself
// for other kinds.
double wrapClipPlace(int kind, double place);

// Fills point.frame: the port's frame in the piece (outward) or its inverse
// (inward). Only piece.kind is read.
void placeConnectionPoint(ConnectionPoint& point, const PieceRecord& piece, bool outward,
                          bool clipOnBar);

// True when a join's second port B belongs on the other piece: a rod's port
// named for a connector, or a connector's for a rod. The join then takes the
// two ports in the other order, so that a script may name them either way.
bool portsSwap(int pieceKind, uint8_t portB);

// Lays port B of piece onto port A of piece->attachedTo, turned by the
// optional rotation about the connection frame. piece->matrix must already
// hold the attached-to piece's placement.
void attachPiece(PieceRecord* piece, bool withRotation, ConnectionPoint A, ConnectionPoint B,
                 float ax, float ay, float az);

// The fixed join of the "3D" statement (reversed: "3D2"): the rotation
// 0 180 90 (reversed: 0 180 -90) with its zeros and ones exact.
Matrix fixedTurnMatrix(bool reversed);

ConnectionPoint makeConnectionPoint(uint8_t portKind, double position);
