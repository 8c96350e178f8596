// Windows BMP (device-independent bitmap) reader for the room textures.
//
// The whole file is read into memory and decoded straight to red-green-blue
// rows, bottom row first. Texture files come from outside the program, so
// every size, offset, palette index and run is checked against the file
// before it is used: a damaged file gets a message, never an overrun.
#include "view/bmp_reader.h"

#include "platform/core_files.h"
#include "platform/core_messages.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

// Refusing these up front keeps a forged header from making us allocate
// gigabytes; real textures are far smaller (8192 x 8192 is the pixel limit).
constexpr long long maxFileBytes = 1LL << 30;
constexpr uint64_t maxPixels = uint64_t{1} << 26;

constexpr int fileHeaderBytes = 14;
constexpr uint32_t coreHeaderBytes = 12;
constexpr uint32_t infoHeaderBytes = 40;

// Compression codes of the info header.
constexpr uint32_t compressionNone = 0;
constexpr uint32_t compressionRle8 = 1;
constexpr uint32_t compressionRle4 = 2;
constexpr uint32_t compressionBitFields = 3;

enum class Failure { none, cannotOpen, notAFile, tooLarge, unknownFormat, conversion, outOfMemory };

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};
using Bytes = std::unique_ptr<unsigned char[], FreeDeleter>;

struct FileData {
  std::string contents;
  uint64_t size = 0;
  const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(contents.data()); }
};

struct Rgb {
  unsigned char r, g, b;
};

// One channel of a 16- or 32-bit pixel: the bits under the mask, scaled to
// 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t maximum = 0;  // mask >> shift
};

// Everything the pixel decoder needs, checked against the file.
struct Dib {
  int64_t width = 0;
  int64_t height = 0;  // always positive; topDown says the row order
  bool topDown = false;
  int bitCount = 0;
  uint32_t compression = compressionNone;
  Rgb palette[256] = {};
  int paletteSize = 0;  // entries usable as pixel indexes
  Channel channels[3];  // red, green, blue of 16- and 32-bit pixels
  uint64_t pixelOffset = 0;
};

uint16_t read16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }

uint32_t read32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

bool fitsInFile(const FileData& file, uint64_t offset, uint64_t length) {
  return offset <= file.size && length <= file.size - offset;
}

void reportFailure(Failure failure, const char* path) {
  std::string text;
  switch (failure) {
    case Failure::cannotOpen:
      text = std::string("Failed to open DIB file ") + (path ? path : "") + ".\n";
      break;
    case Failure::notAFile:
    case Failure::tooLarge:
      text = std::string("Failed to open DIB file ") + (path ? path : "") + ".\n" +
             fileReadErrorReason(failure == Failure::notAFile ? FileReadError::NotAFile : FileReadError::TooLarge,
                                 maxFileBytes);
      break;
    case Failure::unknownFormat: text = "Unknown DIB file format."; break;
    case Failure::conversion: text = "Image file conversion error."; break;
    default: text = "Out of memory.";
  }
  showMessage(text.c_str(), "Error", ICON_EXCLAMATION);
}

// ---- reading the file ------------------------------------------------------

// An empty or unreadable file counts as one that cannot be opened; a
// directory, device or pipe, or a file over the limit, is refused by name.
Failure readWholeFile(const char* path, FileData& file) {
  switch (readRegularFile(path, maxFileBytes, &file.contents)) {
    case FileReadError::None: break;
    case FileReadError::CannotOpen: return Failure::cannotOpen;
    case FileReadError::NotAFile: return Failure::notAFile;
    case FileReadError::TooLarge: return Failure::tooLarge;
  }
  file.size = file.contents.size();
  return file.size == 0 ? Failure::cannotOpen : Failure::none;
}

// ---- headers ---------------------------------------------------------------

bool isContiguous(uint32_t bits) { return (bits & (bits + 1)) == 0; }

// A mask must be one run of bits inside the pixel; an empty mask gives a
// channel that is always 0.
bool makeChannel(uint32_t mask, int bitCount, Channel& channel) {
  if (bitCount < 32 && (mask >> bitCount) != 0) return false;
  channel = Channel{};
  if (mask == 0) return true;
  int shift = 0;
  while (((mask >> shift) & 1u) == 0) ++shift;
  if (!isContiguous(mask >> shift)) return false;
  channel.mask = mask;
  channel.shift = shift;
  channel.maximum = mask >> shift;
  return true;
}

// Plain 16-bit pixels are 5-5-5, plain 32-bit ones blue, green, red, unused.
void setDefaultChannels(Dib& dib) {
  const uint32_t masks16[3] = {0x7C00, 0x03E0, 0x001F};
  const uint32_t masks32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
  for (int k = 0; k < 3; ++k)
    makeChannel(dib.bitCount == 16 ? masks16[k] : masks32[k], dib.bitCount, dib.channels[k]);
}

bool isSupportedBitCount(int bitCount) {
  return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
         bitCount == 32;
}

bool compressionSuitsBitCount(uint32_t compression, int bitCount) {
  switch (compression) {
    case compressionNone: return true;
    case compressionRle8: return bitCount == 8;
    case compressionRle4: return bitCount == 4;
    case compressionBitFields: return bitCount == 16 || bitCount == 32;
    default: return false;
  }
}

uint32_t defaultPaletteEntries(int bitCount) { return bitCount <= 8 ? (1u << bitCount) : 0u; }

// The fields both header forms share, in the 40-byte header's terms.
struct HeaderFields {
  uint32_t headerSize = 0;
  int64_t width = 0;
  int64_t signedHeight = 0;
  int bitCount = 0;
  uint32_t compression = compressionNone;
  uint32_t paletteEntries = 0;
  uint32_t paletteEntryBytes = 4;
};

Failure readHeaderFields(const FileData& file, uint64_t headerOffset, HeaderFields& h) {
  if (!fitsInFile(file, headerOffset, 4)) return Failure::unknownFormat;
  const unsigned char* p = file.bytes() + headerOffset;
  h.headerSize = read32(p);
  if (h.headerSize != coreHeaderBytes && h.headerSize != infoHeaderBytes) return Failure::unknownFormat;
  if (!fitsInFile(file, headerOffset, h.headerSize)) return Failure::unknownFormat;
  if (h.headerSize == coreHeaderBytes) {
    // The core header's sizes are unsigned 16-bit and its palette entries
    // have no reserved byte.
    h.width = read16(p + 4);
    h.signedHeight = read16(p + 6);
    h.bitCount = read16(p + 10);
    h.paletteEntries = defaultPaletteEntries(h.bitCount);
    h.paletteEntryBytes = 3;
    return Failure::none;
  }
  h.width = int32_t(read32(p + 4));
  h.signedHeight = int32_t(read32(p + 8));
  h.bitCount = read16(p + 14);
  h.compression = read32(p + 16);
  uint32_t coloursUsed = read32(p + 32);
  h.paletteEntries = coloursUsed != 0 ? coloursUsed : defaultPaletteEntries(h.bitCount);
  return Failure::none;
}

Failure checkSizes(const HeaderFields& h, Dib& dib) {
  if (!isSupportedBitCount(h.bitCount) || !compressionSuitsBitCount(h.compression, h.bitCount))
    return Failure::conversion;
  if (h.width <= 0 || h.signedHeight == 0) return Failure::conversion;
  dib.width = h.width;
  dib.topDown = h.signedHeight < 0;
  dib.height = dib.topDown ? -h.signedHeight : h.signedHeight;
  // Run-length data is always stored bottom-up.
  if (dib.topDown && (h.compression == compressionRle8 || h.compression == compressionRle4))
    return Failure::conversion;
  dib.bitCount = h.bitCount;
  dib.compression = h.compression;
  return Failure::none;
}

Failure readMasks(const FileData& file, uint64_t offset, Dib& dib) {
  if (!fitsInFile(file, offset, 12)) return Failure::conversion;
  const unsigned char* p = file.bytes() + offset;
  for (int k = 0; k < 3; ++k)
    if (!makeChannel(read32(p + 4 * k), dib.bitCount, dib.channels[k])) return Failure::conversion;
  return Failure::none;
}

// The whole table must lie in the file, but only its first 256 entries can
// be reached by a pixel index.
Failure readPalette(const FileData& file, uint64_t offset, const HeaderFields& h, Dib& dib) {
  uint64_t tableBytes = uint64_t(h.paletteEntries) * h.paletteEntryBytes;
  if (!fitsInFile(file, offset, tableBytes)) return Failure::conversion;
  dib.paletteSize = h.bitCount <= 8 ? int(h.paletteEntries < 256 ? h.paletteEntries : 256) : 0;
  const unsigned char* p = file.bytes() + offset;
  for (int k = 0; k < dib.paletteSize; ++k, p += h.paletteEntryBytes) dib.palette[k] = Rgb{p[2], p[1], p[0]};
  return Failure::none;
}

Failure parseHeaders(const FileData& file, Dib& dib) {
  bool hasFileHeader = file.size >= 2 && file.bytes()[0] == 'B' && file.bytes()[1] == 'M';
  uint64_t headerOffset = hasFileHeader ? fileHeaderBytes : 0;
  if (hasFileHeader && file.size < fileHeaderBytes) return Failure::unknownFormat;
  HeaderFields h;
  if (Failure f = readHeaderFields(file, headerOffset, h); f != Failure::none) return f;
  if (Failure f = checkSizes(h, dib); f != Failure::none) return f;

  uint64_t offset = headerOffset + h.headerSize;
  if (dib.compression == compressionBitFields) {
    if (Failure f = readMasks(file, offset, dib); f != Failure::none) return f;
    offset += 12;
  } else if (dib.bitCount == 16 || dib.bitCount == 32) {
    setDefaultChannels(dib);
  }
  if (Failure f = readPalette(file, offset, h, dib); f != Failure::none) return f;
  offset += uint64_t(h.paletteEntries) * h.paletteEntryBytes;
  dib.pixelOffset = hasFileHeader ? read32(file.bytes() + 10) : offset;
  if (dib.pixelOffset >= file.size) return Failure::conversion;
  return Failure::none;
}

// ---- pixels ----------------------------------------------------------------

uint64_t rowStride(const Dib& dib) { return (uint64_t(dib.width) * dib.bitCount + 31) / 32 * 4; }

// The last row may lack its padding; everything else must be in the file.
// Divides rather than multiplies so that forged sizes cannot overflow.
bool uncompressedDataFits(const FileData& file, const Dib& dib) {
  uint64_t available = file.size - dib.pixelOffset;
  uint64_t lastRow = (uint64_t(dib.width) * dib.bitCount + 7) / 8;
  if (lastRow > available) return false;
  uint64_t otherRows = uint64_t(dib.height - 1);
  return otherRows == 0 || rowStride(dib) <= (available - lastRow) / otherRows;
}

unsigned char scaleChannel(uint32_t pixel, const Channel& c) {
  if (c.maximum == 0) return 0;
  uint64_t value = (pixel & c.mask) >> c.shift;
  return (unsigned char)((value * 255 + c.maximum / 2) / c.maximum);
}

bool putIndex(const Dib& dib, unsigned index, unsigned char* out) {
  if (int(index) >= dib.paletteSize) return false;
  out[0] = dib.palette[index].r;
  out[1] = dib.palette[index].g;
  out[2] = dib.palette[index].b;
  return true;
}

void putMasked(const Dib& dib, uint32_t pixel, unsigned char* out) {
  for (int k = 0; k < 3; ++k) out[k] = scaleChannel(pixel, dib.channels[k]);
}

unsigned indexAt(const unsigned char* row, int64_t x, int bitCount) {
  if (bitCount == 8) return row[x];
  if (bitCount == 4) return (row[x / 2] >> ((x % 2) ? 0 : 4)) & 0x0F;
  return (row[x / 8] >> (7 - x % 8)) & 0x01;
}

bool convertRow(const Dib& dib, const unsigned char* row, unsigned char* out) {
  for (int64_t x = 0; x < dib.width; ++x, out += 3) {
    switch (dib.bitCount) {
      case 24:
        out[0] = row[3 * x + 2];
        out[1] = row[3 * x + 1];
        out[2] = row[3 * x];
        break;
      case 16: putMasked(dib, read16(row + 2 * x), out); break;
      case 32: putMasked(dib, read32(row + 4 * x), out); break;
      default:
        if (!putIndex(dib, indexAt(row, x, dib.bitCount), out)) return false;
    }
  }
  return true;
}

bool decodeUncompressed(const FileData& file, const Dib& dib, unsigned char* pixels) {
  uint64_t stride = rowStride(dib);
  uint64_t outStride = uint64_t(dib.width) * 3;
  for (int64_t r = 0; r < dib.height; ++r) {
    const unsigned char* row = file.bytes() + dib.pixelOffset + uint64_t(r) * stride;
    int64_t outRow = dib.topDown ? dib.height - 1 - r : r;
    if (!convertRow(dib, row, pixels + uint64_t(outRow) * outStride)) return false;
  }
  return true;
}

// Run-length decoding (RLE8 and RLE4). Pixels the data skips over with
// end-of-line, delta or an early end-of-bitmap stay black.
struct RleCursor {
  const unsigned char* data;
  uint64_t size;
  uint64_t at = 0;
  int64_t x = 0;
  int64_t y = 0;
};

bool takeBytes(RleCursor& c, uint64_t count, const unsigned char*& bytes) {
  if (count > c.size - c.at) return false;
  bytes = c.data + c.at;
  c.at += count;
  return true;
}

// Encoders such as ImageMagick's run-length code the stored row with its
// padding, so a run may reach into the padding; those pixels are dropped.
// Past the stored row a run is broken data.
uint64_t storedRowPixels(const Dib& dib) { return rowStride(dib) * 8 / uint64_t(dib.bitCount); }

bool rleRoomFor(const Dib& dib, const RleCursor& c, uint64_t count) {
  return c.y < dib.height && uint64_t(c.x) + count <= storedRowPixels(dib);
}

bool rlePut(const Dib& dib, RleCursor& c, unsigned index, unsigned char* pixels) {
  bool ok = true;
  if (c.x < dib.width) ok = putIndex(dib, index, pixels + (uint64_t(c.y) * uint64_t(dib.width) + uint64_t(c.x)) * 3);
  ++c.x;
  return ok;
}

// The i-th index of a run or literal: RLE8 takes one byte per pixel, RLE4
// alternates the high and low nibbles.
unsigned rleIndex(const Dib& dib, const unsigned char* bytes, uint64_t i, bool literal) {
  if (dib.bitCount == 8) return literal ? bytes[i] : bytes[0];
  unsigned char b = literal ? bytes[i / 2] : bytes[0];
  return (i % 2 == 0) ? (b >> 4) : (b & 0x0F);
}

bool rleRun(const Dib& dib, RleCursor& c, unsigned count, unsigned char value, unsigned char* pixels) {
  if (!rleRoomFor(dib, c, count)) return false;
  for (unsigned i = 0; i < count; ++i)
    if (!rlePut(dib, c, rleIndex(dib, &value, i, false), pixels)) return false;
  return true;
}

bool rleLiteral(const Dib& dib, RleCursor& c, unsigned count, unsigned char* pixels) {
  uint64_t bytes = dib.bitCount == 8 ? count : (count + 1) / 2;
  const unsigned char* data = nullptr;
  if (!takeBytes(c, (bytes + 1) / 2 * 2, data) || !rleRoomFor(dib, c, count)) return false;
  for (unsigned i = 0; i < count; ++i)
    if (!rlePut(dib, c, rleIndex(dib, data, i, true), pixels)) return false;
  return true;
}

bool rleDelta(const Dib& dib, RleCursor& c) {
  const unsigned char* move = nullptr;
  if (!takeBytes(c, 2, move)) return false;
  c.x += move[0];
  c.y += move[1];
  return c.y <= dib.height && uint64_t(c.x) <= storedRowPixels(dib);
}

bool decodeRle(const FileData& file, const Dib& dib, unsigned char* pixels) {
  RleCursor c{file.bytes() + dib.pixelOffset, file.size - dib.pixelOffset};
  for (;;) {
    const unsigned char* pair = nullptr;
    if (!takeBytes(c, 2, pair)) return false;  // no end-of-bitmap: the data is cut short
    bool ok = true;
    if (pair[0] != 0)
      ok = rleRun(dib, c, pair[0], pair[1], pixels);
    else if (pair[1] == 0) {
      c.x = 0;
      ok = ++c.y <= dib.height;
    } else if (pair[1] == 1)
      return true;
    else if (pair[1] == 2)
      ok = rleDelta(dib, c);
    else
      ok = rleLiteral(dib, c, pair[1], pixels);
    if (!ok) return false;
  }
}

Failure decodePixels(const FileData& file, const Dib& dib, Bytes& pixels) {
  bool compressed = dib.compression == compressionRle8 || dib.compression == compressionRle4;
  if (!compressed && !uncompressedDataFits(file, dib)) return Failure::conversion;
  uint64_t pixelCount = uint64_t(dib.width) * uint64_t(dib.height);
  if (pixelCount > maxPixels) return Failure::outOfMemory;
  pixels.reset(static_cast<unsigned char*>(std::calloc(size_t(pixelCount), 3)));
  if (!pixels) return Failure::outOfMemory;
  bool ok = compressed ? decodeRle(file, dib, pixels.get()) : decodeUncompressed(file, dib, pixels.get());
  return ok ? Failure::none : Failure::conversion;
}

Failure decodeFile(const FileData& file, Image*& image) {
  Dib dib;
  if (Failure f = parseHeaders(file, dib); f != Failure::none) return f;
  Bytes pixels;
  if (Failure f = decodePixels(file, dib, pixels); f != Failure::none) return f;
  image = static_cast<Image*>(std::malloc(sizeof(Image)));
  if (!image) return Failure::outOfMemory;
  image->width = int32_t(dib.width);
  image->height = int32_t(dib.height);
  image->pixels = pixels.release();
  return Failure::none;
}

}  // namespace

Image* loadDIBImage(const char* path) {
  FileData file;
  Image* image = nullptr;
  Failure failure = readWholeFile(path, file);
  if (failure == Failure::none) failure = decodeFile(file, image);
  if (failure != Failure::none) {
    reportFailure(failure, path);
    return nullptr;
  }
  return image;
}

void freeImage(Image* image) {
  if (!image) return;
  std::free(image->pixels);
  std::free(image);
}
