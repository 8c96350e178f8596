// Tests of the BMP reader: every file form it accepts decodes to the exact
// pixels, the generated room textures load, and damaged or forged files end
// in one message and nullptr without touching memory outside the file.
#include "platform/core_messages.h"
#include "view/bmp_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

// ---- capturing messages --------------------------------------------------------

struct Captured {
  std::string text, caption;
  MessageIcon icon;
};
std::vector<Captured> captured;

void captureMessage(const char* text, const char* caption, MessageIcon icon) {
  captured.push_back({text ? text : "", caption ? caption : "", icon});
}

// ---- building files --------------------------------------------------------------

void put16(Bytes& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void put32(Bytes& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

void set32(Bytes& out, size_t at, uint32_t v) {
  for (int k = 0; k < 4; ++k) out[at + k] = uint8_t(v >> (8 * k));
}

constexpr uint32_t rgbCompression = 0, rle8 = 1, rle4 = 2, bitFields = 3;

// One BMP file as stored; palette colours are 0xRRGGBB.
struct BmpForm {
  bool fileHeader = true;
  uint32_t headerSize = 40;
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bitCount = 24;
  uint32_t compression = rgbCompression;
  uint32_t coloursUsed = 0;
  std::vector<uint32_t> masks;  // written right after a 40-byte header
  std::vector<uint32_t> palette;
  Bytes pixels;  // exactly as stored, padding included
};

void putInfoHeader(Bytes& out, const BmpForm& f) {
  put32(out, f.headerSize);
  if (f.headerSize == 12) {
    put16(out, uint32_t(f.width));
    put16(out, uint32_t(f.height));
    put16(out, 1);
    put16(out, f.bitCount);
    return;
  }
  put32(out, uint32_t(f.width));
  put32(out, uint32_t(f.height));
  put16(out, 1);
  put16(out, f.bitCount);
  for (uint32_t v : {f.compression, uint32_t(f.pixels.size()), 2835u, 2835u, f.coloursUsed, 0u}) put32(out, v);
  // Larger headers carry fields the reader must not get to see.
  out.resize(out.size() + (f.headerSize > 40 ? f.headerSize - 40 : 0), 0);
}

Bytes buildBmp(const BmpForm& f) {
  Bytes body;
  putInfoHeader(body, f);
  for (uint32_t m : f.masks) put32(body, m);
  for (uint32_t c : f.palette) {
    body.push_back(uint8_t(c));
    body.push_back(uint8_t(c >> 8));
    body.push_back(uint8_t(c >> 16));
    if (f.headerSize != 12) body.push_back(0);
  }
  if (!f.fileHeader) {
    body.insert(body.end(), f.pixels.begin(), f.pixels.end());
    return body;
  }
  Bytes out{'B', 'M'};
  put32(out, uint32_t(14 + body.size() + f.pixels.size()));
  put32(out, 0);
  put32(out, uint32_t(14 + body.size()));
  out.insert(out.end(), body.begin(), body.end());
  out.insert(out.end(), f.pixels.begin(), f.pixels.end());
  return out;
}

// Stored rows, each padded to a multiple of 4 bytes.
Bytes paddedRows(const std::vector<Bytes>& rows) {
  Bytes out;
  for (const Bytes& row : rows) {
    out.insert(out.end(), row.begin(), row.end());
    out.resize((out.size() + 3) / 4 * 4, 0);
  }
  return out;
}

// ---- loading -----------------------------------------------------------------------

std::string tempPath(const std::string& name) {
  return (std::filesystem::path(testing::TempDir()) / ("vexocad_bmp_" + name)).string();
}

void writeFile(const std::string& path, const Bytes& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  if (!bytes.empty()) {
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
  }
  std::fclose(f);
}

struct Loaded {
  bool ok = false;
  int32_t width = 0, height = 0;
  Bytes rgb;
};

Loaded loadBytes(const Bytes& bytes) {
  std::string path = tempPath("case.bmp");
  writeFile(path, bytes);
  Image* image = loadDIBImage(path.c_str());
  std::filesystem::remove(path);
  Loaded result;
  if (!image) return result;
  result.ok = true;
  result.width = image->width;
  result.height = image->height;
  result.rgb.assign(image->pixels, image->pixels + size_t(image->width) * size_t(image->height) * 3);
  freeImage(image);
  return result;
}

class BmpReaderTest : public testing::Test {
 protected:
  void SetUp() override {
    captured.clear();
    setMessageSink(captureMessage);
  }
  void TearDown() override { setMessageSink(nullptr); }

  // The file must decode without a message to exactly these pixels.
  void expectPixels(const Bytes& file, int32_t width, int32_t height, const Bytes& rgb) {
    Loaded image = loadBytes(file);
    ASSERT_TRUE(image.ok) << (captured.empty() ? "" : captured.back().text);
    EXPECT_TRUE(captured.empty());
    EXPECT_EQ(image.width, width);
    EXPECT_EQ(image.height, height);
    EXPECT_EQ(image.rgb, rgb);
  }

  // The file must be refused with exactly this one message.
  void expectRefused(const Bytes& file, const std::string& text) {
    captured.clear();
    Loaded image = loadBytes(file);
    EXPECT_FALSE(image.ok);
    ASSERT_EQ(captured.size(), 1u);
    EXPECT_EQ(captured[0].text, text);
    EXPECT_EQ(captured[0].caption, "Error");
    EXPECT_EQ(captured[0].icon, ICON_EXCLAMATION);
  }
};

const std::string unknownFormat = "Unknown DIB file format.";
const std::string conversionError = "Image file conversion error.";
const std::string outOfMemory = "Out of memory.";

// ---- sample files used by several tests -------------------------------------------

BmpForm palette8Form() {
  BmpForm f;
  f.width = 3;
  f.height = 2;
  f.bitCount = 8;
  f.coloursUsed = 3;
  f.palette = {0x102030, 0xA0B0C0, 0xFF0080};
  f.pixels = paddedRows({{0, 1, 2}, {2, 2, 1}});
  return f;
}
const Bytes palette8Expected = {0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0, 0xFF, 0x00, 0x80,
                                0xFF, 0x00, 0x80, 0xFF, 0x00, 0x80, 0xA0, 0xB0, 0xC0};

// 5 x 3, RLE8: a run, an odd literal with its pad byte, end of line, a delta,
// a run, end of line, then end of bitmap with the last row untouched.
BmpForm rle8Form() {
  BmpForm f;
  f.width = 5;
  f.height = 3;
  f.bitCount = 8;
  f.compression = rle8;
  f.palette = std::vector<uint32_t>(256, 0);
  f.palette[1] = 0x112233;
  f.palette[2] = 0x445566;
  f.palette[3] = 0x778899;
  f.pixels = {2, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 1, 0, 2, 3, 0, 0, 0, 1};
  return f;
}
const Bytes rle8Expected = {
    0x11, 0x22, 0x33, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0x11, 0x22, 0x33,  // row 0
    0, 0, 0, 0x77, 0x88, 0x99, 0x77, 0x88, 0x99, 0, 0, 0, 0, 0, 0,                             // row 1
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};                                                // row 2

// 7 x 2, RLE4: a run of alternating nibbles, a 3-nibble literal, end of
// line, a 5-nibble literal padded to 4 bytes, a delta, end of bitmap.
BmpForm rle4Form() {
  BmpForm f;
  f.width = 7;
  f.height = 2;
  f.bitCount = 4;
  f.compression = rle4;
  f.palette = {0x0A0A0A, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
  f.coloursUsed = 5;
  f.pixels = {4, 0x12, 0, 3, 0x34, 0x10, 0, 0, 0, 5, 0x43, 0x21, 0x00, 0, 0, 2, 1, 0, 1, 0x30, 0, 1};
  return f;
}

// Index -1 stands for a pixel the data skips, which stays black.
Bytes rle4Expected() {
  const uint8_t colours[5][3] = {{10, 10, 10}, {0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};
  const int indexes[2][7] = {{1, 2, 1, 2, 3, 4, 1}, {4, 3, 2, 1, 0, -1, 3}};
  Bytes rgb;
  for (const auto& row : indexes)
    for (int i : row) {
      if (i < 0)
        rgb.insert(rgb.end(), 3, 0);
      else
        rgb.insert(rgb.end(), colours[i], colours[i] + 3);
    }
  return rgb;
}

BmpForm bitFields16Form() {
  BmpForm f;
  f.width = 2;
  f.height = 2;
  f.bitCount = 16;
  f.compression = bitFields;
  f.masks = {0xF800, 0x07E0, 0x001F};
  f.pixels = {0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00, 0x00, 0x84};
  return f;
}
const Bytes bitFields16Expected = {255, 0, 0, 0, 255, 0, 0, 0, 255, 132, 130, 0};

// ---- decoding ----------------------------------------------------------------------------

TEST_F(BmpReaderTest, TrueColourFilesDecodeToRgbBottomRowFirst) {
  BmpForm f;
  f.width = 3;  // 9 bytes a row, padded to 12
  f.height = 2;
  f.pixels = paddedRows({{1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 12, 13, 14, 15, 16, 17, 18}});
  expectPixels(buildBmp(f), 3, 2, {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13, 18, 17, 16});

  f.height = -2;  // top-down: the first stored row is the top one
  expectPixels(buildBmp(f), 3, 2, {12, 11, 10, 15, 14, 13, 18, 17, 16, 3, 2, 1, 6, 5, 4, 9, 8, 7});

  BmpForm wide;  // 64 pixels: rows of 192 bytes, no padding anywhere
  wide.width = 64;
  wide.height = 2;
  for (int i = 0; i < 64 * 2 * 3; ++i) wide.pixels.push_back(uint8_t(i));
  Loaded image = loadBytes(buildBmp(wide));
  ASSERT_TRUE(image.ok);
  ASSERT_EQ(image.rgb.size(), 384u);
  EXPECT_EQ(image.rgb[189], 191);  // red of the last pixel of row 0
  EXPECT_EQ(image.rgb[192], 194);  // red of the first pixel of row 1
}

TEST_F(BmpReaderTest, ThirtyTwoBitPixelsAreBlueGreenRedUnused) {
  BmpForm f;
  f.width = 2;
  f.bitCount = 32;
  f.pixels = {1, 2, 3, 0xEE, 4, 5, 6, 0xEE};
  expectPixels(buildBmp(f), 2, 1, {3, 2, 1, 6, 5, 4});

  f.compression = bitFields;  // the masks decide which byte is which
  f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
  expectPixels(buildBmp(f), 2, 1, {1, 2, 3, 4, 5, 6});
}

TEST_F(BmpReaderTest, SixteenBitPixelsScaleTheirChannelsToFullRange) {
  BmpForm f;  // plain 16-bit pixels are 5-5-5
  f.width = 3;
  f.height = 1;
  f.bitCount = 16;
  f.pixels = paddedRows({{0x00, 0x7C, 0xE0, 0x03, 0x01, 0x42}});
  expectPixels(buildBmp(f), 3, 1, {255, 0, 0, 0, 255, 0, 132, 132, 8});

  expectPixels(buildBmp(bitFields16Form()), 2, 2, bitFields16Expected);
}

TEST_F(BmpReaderTest, PaletteFilesGiveThePaletteColours) {
  expectPixels(buildBmp(palette8Form()), 3, 2, palette8Expected);

  BmpForm one;  // 10 pixels of 1 bit: 2 bytes a row, padded to 4
  one.width = 10;
  one.height = 2;
  one.bitCount = 1;
  one.palette = {0x000000, 0xFFFFFF};
  one.pixels = paddedRows({{0b10110000, 0b01000000}, {0b00000000, 0b11000000}});
  Bytes rgb;
  for (int bit : {1, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1})
    rgb.insert(rgb.end(), 3, uint8_t(bit ? 255 : 0));
  expectPixels(buildBmp(one), 10, 2, rgb);

  BmpForm four;  // 3 pixels of 4 bits, high nibble first
  four.width = 3;
  four.bitCount = 4;
  four.palette = std::vector<uint32_t>(16, 0x010203);
  four.palette[5] = 0x0A0B0C;
  four.palette[15] = 0xF0F1F2;
  four.pixels = paddedRows({{0x5F, 0x00}});
  expectPixels(buildBmp(four), 3, 1, {0x0A, 0x0B, 0x0C, 0xF0, 0xF1, 0xF2, 1, 2, 3});
}

TEST_F(BmpReaderTest, CoreHeaderFilesWithThreeByteColours) {
  BmpForm f = palette8Form();
  f.headerSize = 12;
  f.palette.resize(256, 0);  // the core header always carries the full table
  expectPixels(buildBmp(f), 3, 2, palette8Expected);

  BmpForm rgb;
  rgb.headerSize = 12;
  rgb.width = 1;
  rgb.pixels = paddedRows({{7, 8, 9}});
  expectPixels(buildBmp(rgb), 1, 1, {9, 8, 7});
}

TEST_F(BmpReaderTest, BareBitmapsFindTheirPixelsBehindHeaderAndTable) {
  BmpForm f = palette8Form();
  f.fileHeader = false;
  expectPixels(buildBmp(f), 3, 2, palette8Expected);

  f.headerSize = 12;
  f.palette.resize(256, 0);
  expectPixels(buildBmp(f), 3, 2, palette8Expected);

  BmpForm masks = bitFields16Form();  // the masks lie between header and pixels
  masks.fileHeader = false;
  expectPixels(buildBmp(masks), 2, 2, bitFields16Expected);

  BmpForm extraTable;  // a true-colour file may carry a colour table to skip
  extraTable.fileHeader = false;
  extraTable.coloursUsed = 2;
  extraTable.palette = {0x123456, 0x654321};
  extraTable.pixels = paddedRows({{1, 2, 3}});
  expectPixels(buildBmp(extraTable), 1, 1, {3, 2, 1});
}

TEST_F(BmpReaderTest, RunLengthFilesWithDeltaEndOfLineAndEndOfBitmap) {
  expectPixels(buildBmp(rle8Form()), 5, 3, rle8Expected);
  expectPixels(buildBmp(rle4Form()), 7, 2, rle4Expected());

  BmpForm bare = rle8Form();
  bare.fileHeader = false;
  expectPixels(buildBmp(bare), 5, 3, rle8Expected);
}

TEST_F(BmpReaderTest, LastRowMayLackItsPaddingButNotItsPixels) {
  BmpForm f;
  f.width = 1;
  f.height = 2;
  f.pixels = paddedRows({{1, 2, 3}, {4, 5, 6}});
  f.pixels.pop_back();  // only the last row's pad byte is gone
  expectPixels(buildBmp(f), 1, 2, {3, 2, 1, 6, 5, 4});
  f.pixels.resize(6);  // now a pixel byte of the last row is gone
  expectRefused(buildBmp(f), conversionError);
}

// ---- the generated room textures ----------------------------------------------------------

TEST_F(BmpReaderTest, GeneratedRoomTexturesLoadWithPowerOfTwoSizes) {
  for (const char* name : {"Wood.bmp", "Boden.bmp", "Wand.bmp", "Marble.bmp", "Crate.bmp"}) {
    SCOPED_TRACE(name);
    std::string path = std::string(VEXOCAD_BINARY_DIR) + "/data/" + name;
    Image* image = loadDIBImage(path.c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(captured.empty());
    auto powerOfTwo = [](int32_t v) { return v >= 4 && (v & (v - 1)) == 0; };
    EXPECT_TRUE(powerOfTwo(image->width)) << image->width;
    EXPECT_TRUE(powerOfTwo(image->height)) << image->height;
    // A picture, not a flat colour: some pixels differ from the first.
    size_t bytes = size_t(image->width) * size_t(image->height) * 3;
    int differing = 0;
    for (size_t i = 3; i < bytes; i += 3) differing += image->pixels[i] != image->pixels[0];
    EXPECT_GT(differing, int(bytes / 3 / 4));
    freeImage(image);
  }
}

// ---- refused files ------------------------------------------------------------------------

TEST_F(BmpReaderTest, FilesThatCannotBeOpenedNameThePath) {
  std::string missing = tempPath("no_such_file.bmp");
  EXPECT_EQ(loadDIBImage(missing.c_str()), nullptr);
  ASSERT_EQ(captured.size(), 1u);
  EXPECT_EQ(captured[0].text, "Failed to open DIB file " + missing + ".\n");
  EXPECT_EQ(captured[0].caption, "Error");

  expectRefused({}, "Failed to open DIB file " + tempPath("case.bmp") + ".\n");

  captured.clear();
  EXPECT_EQ(loadDIBImage(testing::TempDir().c_str()), nullptr);  // a directory
  ASSERT_EQ(captured.size(), 1u);
  EXPECT_EQ(captured[0].text.rfind("Failed to open DIB file ", 0), 0u);
}

TEST_F(BmpReaderTest, OnlyCoreAndInfoHeadersAreKnown) {
  for (uint32_t size : {108u, 124u, 64u, 52u, 16u, 0u, 41u}) {
    SCOPED_TRACE(size);
    BmpForm f;
    f.headerSize = size;
    f.pixels = {1, 2, 3, 0};
    expectRefused(buildBmp(f), unknownFormat);
    f.fileHeader = false;
    expectRefused(buildBmp(f), unknownFormat);
  }
  expectRefused({'B', 'M', 0, 0}, unknownFormat);  // file header cut short
  expectRefused({'x'}, unknownFormat);
}

TEST_F(BmpReaderTest, ImpossibleHeaderFieldsAreRefused) {
  auto refused = [&](BmpForm f, const std::string& text) { expectRefused(buildBmp(f), text); };
  BmpForm base = palette8Form();
  for (uint16_t bits : {0, 2, 7, 15, 48}) {
    BmpForm f = base;
    f.bitCount = bits;
    refused(f, conversionError);
  }
  for (int32_t width : {0, -3}) {
    BmpForm f = base;
    f.width = width;
    refused(f, conversionError);
  }
  BmpForm noRows = base;
  noRows.height = 0;
  refused(noRows, conversionError);

  BmpForm unknownCompression = base;
  unknownCompression.compression = 4;  // JPEG inside a bitmap
  refused(unknownCompression, conversionError);
  BmpForm rleWrongDepth = base;
  rleWrongDepth.compression = rle4;
  refused(rleWrongDepth, conversionError);
  BmpForm fieldsOn8Bits = base;
  fieldsOn8Bits.compression = bitFields;
  refused(fieldsOn8Bits, conversionError);
  BmpForm topDownRle = rle8Form();
  topDownRle.height = -3;
  refused(topDownRle, conversionError);

  BmpForm gappedMask = bitFields16Form();
  gappedMask.masks[0] = 0xF00F;
  refused(gappedMask, conversionError);
  BmpForm maskPastPixel = bitFields16Form();
  maskPastPixel.masks[2] = 0x1F0000;
  refused(maskPastPixel, conversionError);
}

TEST_F(BmpReaderTest, ForgedSizesAreRefusedBeforeAnyAllocation) {
  BmpForm f;
  f.pixels = {1, 2, 3, 0};
  for (auto [width, height] : {std::pair{INT32_MAX, INT32_MAX}, {65536, 65536}, {INT32_MAX, 1},
                               {1, INT32_MAX}, {1, INT32_MIN}, {2, INT32_MIN + 1}}) {
    SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
    f.width = width;
    f.height = height;
    expectRefused(buildBmp(f), conversionError);
  }
  f.bitCount = 32;  // the widest pixels: row sizes near the 64-bit limit
  f.width = INT32_MAX;
  f.height = INT32_MAX;
  expectRefused(buildBmp(f), conversionError);

  // Run-length data can describe any size in a few bytes: a huge picture
  // is refused rather than allocated.
  BmpForm rle = rle8Form();
  rle.width = 40000;
  rle.height = 40000;
  expectRefused(buildBmp(rle), outOfMemory);

  BmpForm table = palette8Form();  // a colour table larger than any file
  table.coloursUsed = 0xFFFFFFFF;
  expectRefused(buildBmp(table), conversionError);
  table.fileHeader = false;
  expectRefused(buildBmp(table), conversionError);

  BmpForm core = palette8Form();  // core header: the full table must be there
  core.headerSize = 12;
  expectRefused(buildBmp(core), conversionError);
}

TEST_F(BmpReaderTest, PixelOffsetsOutsideTheFileAreRefused) {
  Bytes file = buildBmp(palette8Form());
  for (uint32_t offset : {uint32_t(file.size()), uint32_t(file.size() - 1), 0xFFFFFFF0u, 0xFFFFFFFFu}) {
    SCOPED_TRACE(offset);
    Bytes forged = file;
    set32(forged, 10, offset);
    expectRefused(forged, conversionError);
  }
}

TEST_F(BmpReaderTest, PaletteIndexesPastTheTableAreRefused) {
  BmpForm f = palette8Form();
  f.pixels[2] = 3;  // the table has 3 entries
  expectRefused(buildBmp(f), conversionError);

  BmpForm one;
  one.bitCount = 1;
  one.coloursUsed = 1;
  one.palette = {0xFFFFFF};
  one.pixels = {0x80, 0, 0, 0};
  expectRefused(buildBmp(one), conversionError);

  BmpForm run = rle8Form();
  run.coloursUsed = 4;
  run.palette.resize(4);
  run.pixels[1] = 4;  // the first run
  expectRefused(buildBmp(run), conversionError);

  BmpForm literal = rle4Form();
  literal.pixels[5] = 0x50;  // the literal's third nibble points past 5 entries
  expectRefused(buildBmp(literal), conversionError);
}

TEST_F(BmpReaderTest, RunsThatLeaveTheImageAreRefused) {
  auto withData = [](Bytes data) {
    BmpForm f = rle8Form();  // 5 x 3
    f.pixels = data;
    return buildBmp(f);
  };
  // Rows of 5 pixels of 8 bits are stored as 8 bytes: runs may reach into
  // that padding (some encoders code it), but not past it.
  expectRefused(withData({9, 1, 0, 1}), conversionError);                   // run past the row
  expectRefused(withData({5, 1, 4, 1, 0, 1}), conversionError);             // second run past the row
  expectRefused(withData({0, 9, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 1}), conversionError);  // literal
  expectRefused(withData({0, 2, 9, 0, 0, 1}), conversionError);             // delta past the right edge
  expectRefused(withData({0, 2, 0, 4, 0, 1}), conversionError);             // delta past the top
  expectRefused(withData({0, 0, 0, 0, 0, 0, 1, 1, 0, 1}), conversionError); // run above the top row
  expectRefused(withData({0, 0, 0, 0, 0, 0, 0, 0, 0, 1}), conversionError); // end of line past the top
  expectRefused(withData({0, 5, 1, 1, 1}), conversionError);                // literal cut short
  expectRefused(withData({5, 1, 0, 0}), conversionError);                   // no end of bitmap
  expectRefused(withData({0, 2, 1}), conversionError);                      // delta cut short

  // Reaching the top row exactly and ending there is fine.
  Loaded image = loadBytes(withData({0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_TRUE(image.ok);

  BmpForm nibbles = rle4Form();  // 7 wide
  nibbles.pixels = {9, 0x12, 0, 1};  // 7 nibbles are stored in 8
  expectRefused(buildBmp(nibbles), conversionError);
}

TEST_F(BmpReaderTest, RunsIntoTheRowPaddingAreDropped) {
  BmpForm f = rle8Form();  // 5 x 3, rows stored as 8 bytes
  f.pixels = {8, 1, 0, 0, 0, 3, 2, 2, 2, 0, 0, 0, 0, 1};
  Bytes rgb;
  for (int x = 0; x < 5; ++x) rgb.insert(rgb.end(), {0x11, 0x22, 0x33});
  for (int x = 0; x < 3; ++x) rgb.insert(rgb.end(), {0x44, 0x55, 0x66});
  rgb.resize(5 * 3 * 3, 0);
  expectPixels(buildBmp(f), 5, 3, rgb);
}

// Every prefix of a good file is a damaged file: each must give a message.
TEST_F(BmpReaderTest, EveryTruncationOfGoodFilesIsRefused) {
  BmpForm wholeRows;  // 4 pixels of 24 bits: rows without padding
  wholeRows.width = 4;
  wholeRows.height = 2;
  wholeRows.pixels = Bytes(24, 0x40);
  BmpForm bare = palette8Form();
  bare.fileHeader = false;
  bare.width = 4;
  bare.pixels = Bytes(8, 1);
  BmpForm core = bare;
  core.headerSize = 12;
  core.palette.resize(256, 0x808080);
  core.fileHeader = true;
  BmpForm masks = bitFields16Form();
  masks.fileHeader = false;

  for (const BmpForm& form : {wholeRows, bare, core, masks, rle8Form(), rle4Form()}) {
    Bytes file = buildBmp(form);
    ASSERT_TRUE(loadBytes(file).ok);
    for (size_t length = 0; length < file.size(); ++length) {
      SCOPED_TRACE(length);
      captured.clear();
      EXPECT_FALSE(loadBytes(Bytes(file.begin(), file.begin() + length)).ok);
      EXPECT_EQ(captured.size(), 1u);
    }
  }
}

// Random damage to good files: whatever the reader decides, it decides it
// with exactly one message on refusal and none on success (and, under the
// sanitizers, without a stray read or write).
TEST_F(BmpReaderTest, RandomlyDamagedFilesNeverMisbehave) {
  uint32_t state = 12345;
  auto next = [&state]() {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
  };
  const BmpForm forms[] = {palette8Form(), rle8Form(), rle4Form(), bitFields16Form()};
  for (const BmpForm& form : forms) {
    Bytes file = buildBmp(form);
    for (int round = 0; round < 400; ++round) {
      Bytes damaged = file;
      int changes = 1 + int(next() % 4);
      for (int k = 0; k < changes; ++k) damaged[next() % damaged.size()] = uint8_t(next());
      captured.clear();
      bool ok = loadBytes(damaged).ok;
      EXPECT_EQ(captured.size(), ok ? 0u : 1u);
    }
  }
}

}  // namespace
