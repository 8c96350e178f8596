// Loading the camera into the current GL context.
#pragma once

#include "view/camera.h"

// Viewport and projection; the modelview becomes the identity.
void loadCameraProjection(const Camera& c);
// The modelview of the camera, replacing the current one.
void loadCameraModelview(const Camera& c);
