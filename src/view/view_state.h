// The view: one matrix that accumulates every turn and move, and the
// distance of the turning centre in front of the eye.
#pragma once

#include <cstdint>

#include "model/matrix.h"

extern Matrix viewMatrix;
extern float viewDistance;

// viewMatrix := N x viewMatrix, with N built in the current GL context.
void rotateViewByDrag(int32_t a, int32_t b);  // a degrees about eye x, then b about eye y
void rotateViewByKeys(float a, float b);      // a degrees about eye y, then b about eye x
void translateView(int32_t x, int32_t y, int32_t z);  // 1.2 units per step, eye axes

// Identity matrix and distance -400.
void resetView();
