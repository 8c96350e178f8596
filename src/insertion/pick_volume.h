// What OpenGL selection finds through the one-pixel pick region at the
// mouse, computed on the CPU the way the GL pipeline computes it: a
// primitive is hit when any part of it lies inside the pixel's narrow
// frustum (not only on the ray through the pixel's centre) and its depth is
// the smallest window depth of that part. Matrices are composed in single
// precision in the GL's order, so the depths agree with the GL's to the
// last bit as far as possible and nearest-hit ties fall the same way.
#pragma once

#include <cstdint>

#include "model/matrix.h"
#include "pieces/piece_file.h"
#include "view/camera.h"

// a x b in single precision, each element summed left to right as the GL
// composes its matrices.
Matrix multiplyAsGl(const Matrix& a, const Matrix& b);

// The pick matrix at the mouse (y down) times the camera's projection, and
// the side, near and far planes of that pixel's frustum in eye space, unit
// normals pointing inwards.
struct PickVolume {
  Matrix projection;
  double planes[6][4];
};
PickVolume pickVolumeAt(const Camera& camera, int32_t mouseX, int32_t mouseY);

// False when a sphere (centre in eye space) lies wholly outside the volume.
bool sphereMayMeet(const PickVolume& volume, const float centre[3], float radius);

// The smallest window depth of what is hit so far.
struct HitDepth {
  bool hit = false;
  float depth = 1.0f;
};

// A face under modelview-projection mvp: culled when its corners run
// counter-clockwise on screen (the view culls front faces), otherwise, even
// edge-on, clipped to the volume.
void meetTriangle(const Matrix& mvp, const Point3 corners[3], HitDepth& hit);
// An edge line: never culled.
void meetSegment(const Matrix& mvp, const Point3 ends[2], HitDepth& hit);

// The depth as a selection hit record stores it: scaled to 32 bits in
// single precision and truncated through 64 bits.
uint32_t selectionDepth(float depth);

// Hit records in the order they are made: the nearest by stored depth,
// equal depths keeping the earlier, however many there are (the select
// buffer's 128 one-name records are no limit here: past them the GL gives
// no hit at all, which would make a visible point unreachable).
struct HitRecords {
  int count = 0;
  uint32_t bestDepth = 0;
  int32_t bestName = -1;
};
void addHitRecord(HitRecords& records, int32_t name, const HitDepth& hit);
// The nearest name, or -1 for none.
int32_t nearestName(const HitRecords& records);
