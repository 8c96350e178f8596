// The kept model: a framebuffer object with a colour and a depth
// renderbuffer, filled and emptied by blits. The window's depth buffer may
// carry stencil bits, and a depth blit needs the same format at both ends,
// so the renderbuffer takes the format of the framebuffer it copies.
#define GL_GLEXT_PROTOTYPES
#include "view/kept_model.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string_view>

namespace {

uint64_t hashBytes(const void* bytes, size_t size) {
  return std::hash<std::string_view>{}(std::string_view(static_cast<const char*>(bytes), size));
}

void mix(uint64_t& seed, uint64_t value) { seed ^= value + 0x9e3779b97f4a7c15ull + (seed << 6) + (seed >> 2); }

// Framebuffer objects with blits: OpenGL 3.0, or the extension before it.
bool framebuffersOffered() {
  const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  if (version && std::atoi(version) >= 3) return true;
  const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
  return extensions && std::strstr(extensions, "GL_ARB_framebuffer_object");
}

// The depth format of the framebuffer bound for drawing.
GLenum depthFormatOfCurrentFramebuffer() {
  GLint depthBits = 0, stencilBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
  if (stencilBits > 0) return GL_DEPTH24_STENCIL8;
  if (depthBits >= 32) return GL_DEPTH_COMPONENT32;
  return depthBits > 16 ? GL_DEPTH_COMPONENT24 : GL_DEPTH_COMPONENT16;
}

bool makeStorage(KeptModel& kept, int width, int height) {
  const GLenum depthFormat = depthFormatOfCurrentFramebuffer();
  GLint drawn = 0, read = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  glGenFramebuffers(1, &kept.framebuffer);
  glGenRenderbuffers(1, &kept.colour);
  glGenRenderbuffers(1, &kept.depth);
  glBindRenderbuffer(GL_RENDERBUFFER, kept.colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  glBindRenderbuffer(GL_RENDERBUFFER, kept.depth);
  glRenderbufferStorage(GL_RENDERBUFFER, depthFormat, width, height);
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, kept.framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, kept.colour);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                            depthFormat == GL_DEPTH24_STENCIL8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                            GL_RENDERBUFFER, kept.depth);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(drawn));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read));
  kept.width = width, kept.height = height;
  return complete;
}

// From one framebuffer to the other, colour and depth, pixel for pixel.
// The other bindings are left as they were.
bool blit(GLuint from, GLuint to, int width, int height) {
  GLint drawn = 0, read = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
  glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &read);
  while (glGetError() != GL_NO_ERROR) {
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
  glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT, GL_NEAREST);
  const bool copied = glGetError() == GL_NO_ERROR;
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, GLuint(drawn));
  glBindFramebuffer(GL_READ_FRAMEBUFFER, GLuint(read));
  return copied;
}

GLuint currentDrawFramebuffer() {
  GLint drawn = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawn);
  return GLuint(drawn);
}

}  // namespace

uint64_t modelFingerprint(const PieceRecord* table, const ViewState& view) {
  uint64_t seed = hashBytes(table, sizeof(PieceRecord) * size_t(usedPrefixLength(table)));
  mix(seed, modelGeneration);
  mix(seed, hashBytes(&view.camera.viewMatrix, sizeof view.camera.viewMatrix));
  mix(seed, hashBytes(&view.camera.viewDistance, sizeof view.camera.viewDistance));
  mix(seed, uint64_t(view.camera.viewportWidth) << 32 | uint32_t(view.camera.viewportHeight));
  mix(seed, view.displayMode);
  mix(seed, uint64_t(view.lightingOn) | uint64_t(view.lightingEnabled) << 8 | uint64_t(view.showAxes) << 16 |
                uint64_t(view.showRoom) << 24);
  mix(seed, uint64_t(uint32_t(view.highlightedLine)));
  mix(seed, view.pieceLooks ? hashBytes(view.pieceLooks, MODEL_CAPACITY) : 0);
  mix(seed, uint64_t(view.drawing.fast) | uint64_t(view.drawing.detail == DrawDetail::FULL) << 1 |
                uint64_t(view.drawing.moving) << 2);
  return seed;
}

bool keepModel(KeptModel& kept, int width, int height, uint64_t fingerprint) {
  kept.holdsModel = false;
  if (kept.support == KeptModel::Support::No || width <= 0 || height <= 0) return false;
  if (kept.support == KeptModel::Support::Untried && !framebuffersOffered()) {
    kept.support = KeptModel::Support::No;
    return false;
  }
  if (kept.width != width || kept.height != height || !kept.framebuffer) {
    releaseKeptModel(kept);
    if (!makeStorage(kept, width, height)) {
      releaseKeptModel(kept);
      kept.support = KeptModel::Support::No;
      return false;
    }
  }
  if (!blit(currentDrawFramebuffer(), kept.framebuffer, width, height)) {
    releaseKeptModel(kept);
    kept.support = KeptModel::Support::No;
    return false;
  }
  kept.support = KeptModel::Support::Yes;
  kept.holdsModel = true;
  kept.fingerprint = fingerprint;
  return true;
}

bool restoreModel(const KeptModel& kept, int width, int height, uint64_t fingerprint) {
  if (!kept.holdsModel || kept.fingerprint != fingerprint || kept.width != width || kept.height != height)
    return false;
  return blit(kept.framebuffer, currentDrawFramebuffer(), width, height);
}

void releaseKeptModel(KeptModel& kept) {
  if (kept.framebuffer) glDeleteFramebuffers(1, &kept.framebuffer);
  if (kept.colour) glDeleteRenderbuffers(1, &kept.colour);
  if (kept.depth) glDeleteRenderbuffers(1, &kept.depth);
  kept.framebuffer = kept.colour = kept.depth = 0;
  kept.width = kept.height = 0;
  kept.holdsModel = false;
}
