// Offscreen OpenGL through EGL on Mesa's surfaceless platform: no display
// server, no window. The context is a desktop OpenGL compatibility context
// (display lists, selection mode and the fixed-function pipeline all work);
// it draws into a pbuffer, or into a framebuffer object when the driver has
// no pbuffer configuration. Also writes RGB pixels as PNG files.
#include "platform/gl_offscreen.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <png.h>

#include <cstdio>
#include <algorithm>
#include <cstring>

namespace {

struct OffscreenState {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
  EGLSurface surface = EGL_NO_SURFACE;  // the pbuffer, when there is one
  GLuint framebuffer = 0;               // the framebuffer object otherwise
  GLuint colourBuffer = 0;
  GLuint depthBuffer = 0;
};

OffscreenState state;

// Framebuffer-object entry points: beyond OpenGL 1.1, so they are looked up
// at run time rather than linked.
struct FramebufferCalls {
  PFNGLGENFRAMEBUFFERSPROC genFramebuffers;
  PFNGLBINDFRAMEBUFFERPROC bindFramebuffer;
  PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers;
  PFNGLGENRENDERBUFFERSPROC genRenderbuffers;
  PFNGLBINDRENDERBUFFERPROC bindRenderbuffer;
  PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers;
  PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage;
  PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer;
  PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus;
};

template <typename F>
void lookUp(F& f, const char* name) {
  f = reinterpret_cast<F>(eglGetProcAddress(name));
}

bool loadFramebufferCalls(FramebufferCalls& c) {
  lookUp(c.genFramebuffers, "glGenFramebuffers");
  lookUp(c.bindFramebuffer, "glBindFramebuffer");
  lookUp(c.deleteFramebuffers, "glDeleteFramebuffers");
  lookUp(c.genRenderbuffers, "glGenRenderbuffers");
  lookUp(c.bindRenderbuffer, "glBindRenderbuffer");
  lookUp(c.deleteRenderbuffers, "glDeleteRenderbuffers");
  lookUp(c.renderbufferStorage, "glRenderbufferStorage");
  lookUp(c.framebufferRenderbuffer, "glFramebufferRenderbuffer");
  lookUp(c.checkFramebufferStatus, "glCheckFramebufferStatus");
  return c.genFramebuffers && c.bindFramebuffer && c.deleteFramebuffers && c.genRenderbuffers &&
         c.bindRenderbuffer && c.deleteRenderbuffers && c.renderbufferStorage &&
         c.framebufferRenderbuffer && c.checkFramebufferStatus;
}

bool fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

std::string eglErrorText(const char* what) {
  char text[160];
  std::snprintf(text, sizeof text, "%s failed (EGL error 0x%04X)", what, unsigned(eglGetError()));
  return text;
}

bool hasExtension(const char* list, const char* name) {
  if (!list) return false;
  const size_t n = std::strlen(name);
  for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += n)
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  return false;
}

bool initialiseDisplay(std::string* error) {
  const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!hasExtension(clientExtensions, "EGL_MESA_platform_surfaceless"))
    return fail(error,
                "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless); "
                "Mesa's EGL is needed for rendering without a display");
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return fail(error, "eglGetPlatformDisplayEXT is not available");
  state.display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (state.display == EGL_NO_DISPLAY) return fail(error, eglErrorText("eglGetPlatformDisplayEXT"));
  EGLint major = 0, minor = 0;
  if (!eglInitialize(state.display, &major, &minor)) {
    state.display = EGL_NO_DISPLAY;
    return fail(error, eglErrorText("eglInitialize"));
  }
  return true;
}

// The display stays initialised once opened: terminating it unloads the
// driver, and contexts made one after another (as the tests do) would load
// it again each time.
bool openSurfacelessDisplay(std::string* error) {
  if (state.display == EGL_NO_DISPLAY && !initialiseDisplay(error)) return false;
  if (!eglBindAPI(EGL_OPENGL_API)) return fail(error, eglErrorText("eglBindAPI(EGL_OPENGL_API)"));
  return true;
}

bool chooseConfig(EGLint surfaceType, EGLConfig& config) {
  const EGLint attributes[] = {EGL_SURFACE_TYPE, surfaceType, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                               EGL_RED_SIZE,     8,           EGL_GREEN_SIZE,      8,
                               EGL_BLUE_SIZE,    8,           EGL_DEPTH_SIZE,      24,
                               EGL_NONE};
  EGLint count = 0;
  return eglChooseConfig(state.display, attributes, &config, 1, &count) && count > 0;
}

// No version or profile is asked for, which gives the highest compatibility
// profile the driver offers.
bool createContext(EGLConfig config, std::string* error) {
  state.context = eglCreateContext(state.display, config, EGL_NO_CONTEXT, nullptr);
  if (state.context == EGL_NO_CONTEXT) return fail(error, eglErrorText("eglCreateContext"));
  return true;
}

bool startWithPbuffer(int width, int height, std::string* error) {
  EGLConfig config;
  if (!chooseConfig(EGL_PBUFFER_BIT, config)) return false;
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  state.surface = eglCreatePbufferSurface(state.display, config, size);
  if (state.surface == EGL_NO_SURFACE) return false;
  if (!createContext(config, error)) return false;
  if (!eglMakeCurrent(state.display, state.surface, state.surface, state.context))
    return fail(error, eglErrorText("eglMakeCurrent"));
  return true;
}

bool attachFramebuffer(int width, int height, std::string* error) {
  FramebufferCalls c;
  if (!loadFramebufferCalls(c)) return fail(error, "the OpenGL driver has no framebuffer objects");
  c.genFramebuffers(1, &state.framebuffer);
  c.bindFramebuffer(GL_FRAMEBUFFER, state.framebuffer);
  c.genRenderbuffers(1, &state.colourBuffer);
  c.bindRenderbuffer(GL_RENDERBUFFER, state.colourBuffer);
  c.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  c.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                            state.colourBuffer);
  c.genRenderbuffers(1, &state.depthBuffer);
  c.bindRenderbuffer(GL_RENDERBUFFER, state.depthBuffer);
  c.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, width, height);
  c.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                            state.depthBuffer);
  if (c.checkFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE)
    return fail(error, "the framebuffer object is incomplete");
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  return true;
}

bool startWithFramebuffer(int width, int height, std::string* error) {
  if (!hasExtension(eglQueryString(state.display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context"))
    return fail(error, "EGL offers neither a pbuffer nor a surfaceless context");
  EGLConfig config;
  if (!chooseConfig(0, config)) return fail(error, "EGL has no OpenGL configuration");
  if (!createContext(config, error)) return false;
  if (!eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, state.context))
    return fail(error, eglErrorText("eglMakeCurrent"));
  return attachFramebuffer(width, height, error);
}

void releaseFramebuffer() {
  FramebufferCalls c;
  if (!state.framebuffer || !loadFramebufferCalls(c)) return;
  c.bindFramebuffer(GL_FRAMEBUFFER, 0);
  c.deleteRenderbuffers(1, &state.colourBuffer);
  c.deleteRenderbuffers(1, &state.depthBuffer);
  c.deleteFramebuffers(1, &state.framebuffer);
}

void releasePbufferAttempt() {
  if (state.context != EGL_NO_CONTEXT) eglDestroyContext(state.display, state.context);
  if (state.surface != EGL_NO_SURFACE) eglDestroySurface(state.display, state.surface);
  state.context = EGL_NO_CONTEXT;
  state.surface = EGL_NO_SURFACE;
}

}  // namespace

bool createOffscreenContext(int width, int height, std::string* error) {
  destroyOffscreenContext();
  if (width < 1 || height < 1 || width > 16384 || height > 16384)
    return fail(error, "the image size must be between 1x1 and 16384x16384 pixels");
  bool made = openSurfacelessDisplay(error);
  if (made && !startWithPbuffer(width, height, error)) {
    releasePbufferAttempt();
    made = startWithFramebuffer(width, height, error);
  }
  if (!made) destroyOffscreenContext();
  return made;
}

void destroyOffscreenContext() {
  if (state.display == EGL_NO_DISPLAY || state.context == EGL_NO_CONTEXT) return;
  if (eglGetCurrentContext() == state.context) releaseFramebuffer();
  eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  releasePbufferAttempt();
  state.framebuffer = state.colourBuffer = state.depthBuffer = 0;
}

bool offscreenContextCurrent() {
  return state.context != EGL_NO_CONTEXT && eglGetCurrentContext() == state.context;
}

void suspendOffscreenContext() {
  if (offscreenContextCurrent()) eglMakeCurrent(state.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

bool resumeOffscreenContext() {
  return state.context != EGL_NO_CONTEXT && eglMakeCurrent(state.display, state.surface, state.surface, state.context);
}

std::vector<unsigned char> readOffscreenPixels(int width, int height) {
  if (width < 1 || height < 1 || !offscreenContextCurrent()) return {};
  const size_t rowBytes = size_t(width) * 3;
  std::vector<unsigned char> bottomUp(rowBytes * size_t(height));
  glFinish();
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  // OpenGL counts rows from the bottom; images start with the top row.
  std::vector<unsigned char> rgb(bottomUp.size());
  for (int row = 0; row < height; ++row)
    std::memcpy(&rgb[size_t(row) * rowBytes], &bottomUp[size_t(height - 1 - row) * rowBytes],
                rowBytes);
  return rgb;
}

std::string encodePng(int width, int height, const std::vector<unsigned char>& rgb, PngCompression compression) {
  if (width < 1 || height < 1 || rgb.size() < size_t(width) * size_t(height) * 3) return {};
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = png_uint_32(width);
  image.height = png_uint_32(height);
  image.format = PNG_FORMAT_RGB;
  if (compression == PngCompression::FAST) image.flags |= PNG_IMAGE_FLAG_FAST;
  // Written once into room for the largest file these pixels can make,
  // rather than once to learn the size and again to write.
  png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(image);
  std::string bytes(size, '\0');
  if (!png_image_write_to_memory(&image, bytes.data(), &size, 0, rgb.data(), width * 3, nullptr)) size = 0;
  bytes.resize(std::min<size_t>(bytes.size(), size));
  png_image_free(&image);
  return bytes;
}
