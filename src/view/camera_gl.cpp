#include "view/camera_gl.h"

#include <GL/gl.h>

void loadCameraProjection(const Camera& c) {
  glViewport(0, 0, c.viewportWidth, c.viewportHeight);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixf(projectionOf(c).m);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void loadCameraModelview(const Camera& c) {
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixf(modelviewOf(c).m);
}
