#include "model/connection.h"

#include <cmath>
#include <utility>

namespace {
const float rodFarEnds[6] = {96.093796f, 158.22583f, 246.0938f, 370.35788f, 546.0938f, 794.62195f};
const int clipCounts[10] = {1, 2, 2, 3, 4, 4, 5, 7, 8, 1};
const int bodyPlaceCounts[6] = {0, 3, 6, 11, 18, 28};

// The frame is built as in the GL: each factor is multiplied on the right.
void rotate(Matrix& frame, double ax, double ay, double az) {
  Matrix r;
  setRotation(r, float(ax), float(ay), float(az));
  multiplyRight(frame, r);
}

void translate(Matrix& frame, double x, double y, double z) {
  Matrix t;
  setTranslation(t, float(x), float(y), float(z));
  multiplyRight(frame, t);
}

bool isEven(double wholeNumber) { return std::fmod(wholeNumber, 2.0) == 0.0; }

void placeHole(Matrix& f, int kind, double t, double p, bool outward) {
  const bool offset = kind == 5 || kind == 7;
  if (outward) {
    rotate(f, 0, -(p - 1) * 45, 0);
    rotate(f, 0, 0, 180 * t);
    rotate(f, 90, 0, 0);
    if (offset) translate(f, 0, HOLE_OFFSET, 0);
  } else {
    if (offset) translate(f, 0, -HOLE_OFFSET, 0);
    rotate(f, -90, 0, 0);
    rotate(f, 0, 0, 180 * t);
    rotate(f, 0, (p - 1) * 45, 0);
  }
}

void placeClip(Matrix& f, int kind, double t, double p, bool outward, bool clipOnBar) {
  const double q = wrapClipPlace(kind, p);
  const double s = clipOnBar ? 180 : 45;
  const bool turned = !(clipOnBar && isEven(t));
  if (outward) {
    rotate(f, 0, (q - 1) * 45, 0);
    translate(f, 0, 0, -CLIP_REACH);
    if (turned) rotate(f, 0, 0, s * t);
  } else {
    if (turned) rotate(f, 0, 0, -s * t);
    translate(f, 0, 0, CLIP_REACH);
    rotate(f, 0, -(q - 1) * 45, 0);
  }
}

void placeRodEnd(Matrix& f, int kind, double t, double p, bool outward) {
  const bool firstEnd = p == 1.0;
  if (outward) {
    if (firstEnd) {
      translate(f, 0, 0, -CLIP_REACH);
    } else if (isRodKind(kind)) {
      rotate(f, 0, 180, 0);
      translate(f, 0, 0, rodFarEnd(kind));
    }
    if (t != 0) rotate(f, 0, 0, 45 * t);
  } else {
    if (t != 0) rotate(f, 0, 0, -45 * t);
    if (firstEnd) {
      translate(f, 0, 0, CLIP_REACH);
    } else if (isRodKind(kind)) {
      translate(f, 0, 0, -rodFarEnd(kind));
      rotate(f, 0, 180, 0);
    }
  }
}

void placeBodyPlace(Matrix& f, int kind, double t, double p, bool outward, bool clipOnBar) {
  const bool hasOffset = kind >= 11 && kind <= 15;
  const double b = (p - 1) * BODY_STEP + (kind == 11 ? 80.0 : 87.5);
  if (outward) {
    if (hasOffset) translate(f, 0, 0, -b);
    if (clipOnBar) rotate(f, -90, 0, 90 * t);
  } else {
    if (clipOnBar) rotate(f, 90, 0, -90 * t);
    if (hasOffset) translate(f, 0, 0, b);
  }
}
}  // namespace

int clipCount(int kind) { return isConnectorKind(kind) ? clipCounts[kind] : 0; }
int bodyPlaceCount(int kind) { return isRodKind(kind) ? bodyPlaceCounts[kind - 10] : 0; }
float rodFarEnd(int kind) { return isRodKind(kind) ? rodFarEnds[kind - 10] : 0.0f; }

void splitPosition(double code, double& turns, double& place) {
  if (!std::isfinite(code)) {
    turns = 0;
    place = std::nan("");
    return;
  }
  // The closed form equals subtracting (or adding) 100 one turn at a time,
  // but also ends for the huge values a script can write.
  turns = std::floor(code / 100.0);
  place = code - 100.0 * turns;
  while (place >= 100.0) {
    place -= 100.0;
    turns += 1;
  }
  while (place < 0.0) {
    place += 100.0;
    turns -= 1;
  }
}

double wrapClipPlace(int kind, double p) {
  // p lies in [0, 100) here, so every loop ends quickly.
  auto wrap = [&p](double count) {
    while (p > count) p -= count;
  };
  switch (kind) {
    case 0: wrap(1); return p;
    case 1: wrap(2); return p;
    case 2: wrap(2); return 4 * p - 3;
    case 3: wrap(3); return p;
    case 4: wrap(4); return p;
    case 5: wrap(4); return 6 - p;
    case 6: wrap(5); return p;
    case 7: {
      wrap(7);
      double q = p + 4;
      if (q >= 9) q += 1;
      return q;
    }
    case 9: return 1;
    default: return p;
  }
}

Matrix fixedTurnMatrix(bool reversed) {
  const float sign = reversed ? -1.0f : 1.0f;
  Matrix m{};
  m.m[1] = m.m[4] = sign;
  m.m[10] = -1.0f;
  m.m[15] = 1.0f;
  return m;
}

ConnectionPoint makeConnectionPoint(uint8_t portKind, double position) {
  ConnectionPoint point;
  point.portKind = portKind;
  setIdentity(point.frame);
  point.position = position;
  return point;
}

void placeConnectionPoint(ConnectionPoint& point, const PieceRecord& piece, bool outward,
                          bool clipOnBar) {
  setIdentity(point.frame);
  double t, p;
  splitPosition(point.position, t, p);
  switch (point.portKind) {
    case PORT_TROU: placeHole(point.frame, piece.kind, t, p, outward); break;
    case PORT_PINCE: placeClip(point.frame, piece.kind, t, p, outward, clipOnBar); break;
    case PORT_BOUT: placeRodEnd(point.frame, piece.kind, t, p, outward); break;
    case PORT_BARRE: placeBodyPlace(point.frame, piece.kind, t, p, outward, clipOnBar); break;
    default: break;
  }
}

bool portsSwap(int pieceKind, uint8_t portB) {
  const bool rodPort = portB == PORT_BOUT || portB == PORT_BARRE;
  const bool connectorPort = portB == PORT_TROU || portB == PORT_PINCE;
  return (rodPort && isConnectorKind(pieceKind)) || (connectorPort && isRodKind(pieceKind));
}

void attachPiece(PieceRecord* piece, bool withRotation, ConnectionPoint A, ConnectionPoint B,
                 float ax, float ay, float az) {
  if (!piece || !piece->attachedTo) return;
  if (portsSwap(piece->kind, B.portKind)) std::swap(A, B);
  const bool clipOnBar = (A.portKind == PORT_BARRE && B.portKind == PORT_PINCE) ||
                         (B.portKind == PORT_BARRE && A.portKind == PORT_PINCE);
  placeConnectionPoint(A, *piece->attachedTo, true, clipOnBar);
  placeConnectionPoint(B, *piece, false, clipOnBar);
  if (withRotation) {
    Matrix r;
    setRotation(r, ax, ay, az);
    multiplyRight(A.frame, r);
  }
  multiplyLeft(A.frame, B.frame);
  multiplyRight(piece->matrix, B.frame);
}
