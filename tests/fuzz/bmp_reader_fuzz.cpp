// Fuzz target: the BMP reader over any file contents. Checks that a file is
// either refused with exactly one message captioned "Error" or read into an
// image whose pixel buffer holds exactly width x height x 3 bytes, and, for
// the plainest forms (a "BM" file with a 40-byte header, uncompressed, 8 or
// 24 bits, bottom-up), that the reader accepts exactly the files that are
// complete and gives the same pixels as a straightforward decoding. Every
// image read goes on through the room's texture upload into an offscreen
// GL context, where a buffer read past its end shows.
#include <GL/gl.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/gl_offscreen.h"
#include "view/bmp_reader.h"
#include "view/room.h"

namespace {
uint32_t read16(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t read32(const uint8_t* p) { return read16(p) | (read16(p + 2) << 16); }

// The plain decoding: nullopt-like "not plain" when the file is of another
// form, "incomplete" when it is plain but cannot be read whole.
enum class Plain { notPlain, incomplete, decoded };

Plain decodePlain(const uint8_t* data, size_t size, std::vector<uint8_t>& rgb, int64_t& width, int64_t& height) {
  if (size < 54 || data[0] != 'B' || data[1] != 'M' || read32(data + 14) != 40) return Plain::notPlain;
  width = int32_t(read32(data + 18));
  height = int32_t(read32(data + 22));
  const uint32_t bits = read16(data + 28);
  if (read32(data + 30) != 0 || (bits != 8 && bits != 24)) return Plain::notPlain;
  if (width <= 0 || height <= 0 || width * height > (int64_t(1) << 24)) return Plain::notPlain;
  const uint64_t entries = bits == 8 ? (read32(data + 46) ? read32(data + 46) : 256) : read32(data + 46);
  if (54 + entries * 4 > size) return Plain::incomplete;
  const uint64_t offset = read32(data + 10);
  const uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  const uint64_t lastRow = uint64_t(width) * bits / 8;
  if (offset >= size || size - offset < stride * uint64_t(height - 1) + lastRow) return Plain::incomplete;
  rgb.resize(size_t(width * height * 3));
  for (int64_t y = 0; y < height; ++y)
    for (int64_t x = 0; x < width; ++x) {
      const uint8_t* in = data + offset + uint64_t(y) * stride;
      uint8_t* out = &rgb[size_t((y * width + x) * 3)];
      if (bits == 24) {
        out[0] = in[3 * x + 2], out[1] = in[3 * x + 1], out[2] = in[3 * x];
        continue;
      }
      const unsigned index = in[x];
      if (index >= entries) return Plain::incomplete;
      const uint8_t* entry = data + 54 + 4 * index;
      out[0] = entry[2], out[1] = entry[1], out[2] = entry[0];
    }
  return Plain::decoded;
}

void checkImage(const Image& image) {
  FUZZ_CHECK(image.width > 0 && image.height > 0);
  FUZZ_CHECK(image.pixels != nullptr);
  const long long bytes = (long long)image.width * image.height * 3;
  const long long allocated = allocatedBytes(image.pixels);
  FUZZ_CHECK(allocated == -1 || allocated == bytes);
  // Every byte is read, so that a buffer too short shows as an overrun.
  unsigned sum = 0;
  for (long long i = 0; i < bytes; ++i) sum += image.pixels[i];
  (void)sum;
}

void checkRefusal() {
  static const std::set<std::string> texts = {"Unknown DIB file format.", "Image file conversion error.",
                                              "Out of memory."};
  FUZZ_CHECK(shownMessages().size() == 1);
  const ShownMessage& m = shownMessages()[0];
  FUZZ_CHECK(m.caption == "Error");
  FUZZ_CHECK(texts.count(m.text) == 1 || m.text.rfind("Failed to open DIB file ", 0) == 0);
}

bool haveGl = false;
unsigned texture = 0;

void checkUpload(const Image& image) {
  if (!haveGl || (long long)image.width * image.height > (1 << 22)) return;  // keep runs fast
  uploadTexture(texture, image);
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  captureMessages();
  haveGl = createOffscreenContext(8, 8);
  if (haveGl) glGenTextures(1, &texture);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = writeScratchFile(data, size);
  shownMessages().clear();
  Image* image = loadDIBImage(path.c_str());
  if (image) {
    FUZZ_CHECK(shownMessages().empty());
    checkImage(*image);
    checkUpload(*image);
  } else {
    checkRefusal();
  }
  std::vector<uint8_t> rgb;
  int64_t width = 0, height = 0;
  const Plain plain = decodePlain(data, size, rgb, width, height);
  if (plain == Plain::incomplete) FUZZ_CHECK(image == nullptr);
  if (plain == Plain::decoded) {
    FUZZ_CHECK(image != nullptr);
    FUZZ_CHECK(image->width == width && image->height == height);
    FUZZ_CHECK(std::memcmp(image->pixels, rgb.data(), rgb.size()) == 0);
  }
  freeImage(image);
  return 0;
}
