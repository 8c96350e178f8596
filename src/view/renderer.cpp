// The fixed OpenGL state of the 3-D view (shading, depth, one light fixed to
// the viewer, material, front-face culling, blending) and the resources a
// renderer loads into its context.
#include "view/renderer.h"

#include <GL/gl.h>
#include <malloc.h>


namespace {

constexpr GLfloat MATERIAL_AMBIENT[] = {0.5f, 0.5f, 0.5f, 1.0f};
constexpr GLfloat MATERIAL_DIFFUSE[] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr GLfloat MATERIAL_SPECULAR[] = {0.25f, 0.25f, 0.25f, 1.0f};
constexpr GLfloat MATERIAL_SHININESS = 10.0f;
constexpr GLfloat LIGHT_SPOT_DIRECTION[] = {0.0f, 0.0f, -1.0f};
constexpr GLfloat LIGHT_SPOT_CUTOFF = 90.0f;
constexpr GLfloat LIGHT_POSITION[] = {0.0f, 0.0f, -5.0f, 1.0f};

void setMaterial() {
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, MATERIAL_SHININESS);
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, MATERIAL_AMBIENT);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, MATERIAL_DIFFUSE);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, MATERIAL_SPECULAR);
}

// Given while the modelview is the identity, the light stays fixed to the
// viewer and moves with the camera.
void setLight() {
  glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, LIGHT_SPOT_DIRECTION);
  glLightf(GL_LIGHT0, GL_SPOT_CUTOFF, LIGHT_SPOT_CUTOFF);
  glLightfv(GL_LIGHT0, GL_POSITION, LIGHT_POSITION);
}

// Mesa's software driver allocates its vertex buffers for each draw and
// frees them after; with the C library's default thresholds every frame of a
// large model then hands that memory back to the kernel and faults it in
// again, page by page, which took a third of a frame at 10000 pieces. Kept
// instead: the driver reuses it from one draw to the next.
// 32 MiB is the largest mapping threshold the library accepts.
constexpr int KEPT_FREE_MEMORY = 32 * 1024 * 1024;

void keepFreedMemory() {
  mallopt(M_TRIM_THRESHOLD, KEPT_FREE_MEMORY);
  mallopt(M_MMAP_THRESHOLD, KEPT_FREE_MEMORY);
}

}  // namespace

bool startRenderer(Renderer& renderer, const std::string& dataFolder) {
  keepFreedMemory();
  if (!loadRoomTextures(renderer.room, dataFolder)) return false;
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.2f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glEnable(GL_COLOR_MATERIAL);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
  setMaterial();
  setLight();
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  renderer.pieces = buildPieceLibrary();
  glEnable(GL_NORMALIZE);
  // Front faces are culled: the meshes and the room list their faces
  // clockwise as seen from the side that should show.
  glCullFace(GL_FRONT);
  glEnable(GL_CULL_FACE);
  // Blending itself is on only while the ghost piece is drawn.
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  return true;
}

void stopRenderer(Renderer& renderer) {
  if (renderer.batch) deleteModelBatch(*renderer.batch);
  deletePieceLibrary(renderer.pieces);
  deleteRoomTextures(renderer.room);
}
