// Generates the five room textures (data/Wood.bmp, Boden.bmp, Wand.bmp,
// Marble.bmp, Crate.bmp) under the directory given on the command line.
//
// Every picture is procedural: hashed lattice noise, summed over octaves,
// shapes wood grain, parquet, plaster, marble veins and a crate. The output
// depends on nothing but this file, so every build makes the same files.
// Sizes are powers of two with rows of a multiple of 4 bytes, as OpenGL 1.1
// textures need. The floor and wall pictures tile seamlessly, because the
// room repeats each of them 9 x 9 times.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

constexpr int textureSize = 256;
constexpr double pi = 3.14159265358979323846;

struct Colour {
  double r, g, b;
};

Colour mix(Colour a, Colour b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Colour scale(Colour c, double f) { return {c.r * f, c.g * f, c.b * f}; }

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

double smoothstep(double e0, double e1, double v) {
  double t = clamp01((v - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

double fract(double v) { return v - std::floor(v); }

struct Picture {
  int width = textureSize;
  int height = textureSize;
  std::vector<Colour> pixels = std::vector<Colour>(size_t(textureSize) * textureSize);
  Colour& at(int x, int y) { return pixels[size_t(y) * width + x]; }
};

// ---- noise -------------------------------------------------------------------

uint32_t hash3(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 374761393u + uint32_t(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

double lattice(int x, int y, int periodX, int periodY, uint32_t seed) {
  x = ((x % periodX) + periodX) % periodX;
  y = ((y % periodY) + periodY) % periodY;
  return double(hash3(x, y, seed) & 0xFFFFFF) / double(0xFFFFFF);
}

double fade(double t) { return t * t * t * (t * (t * 6 - 15) + 10); }

// Value noise in 0..1 that repeats every periodX x periodY lattice cells.
double valueNoise(double u, double v, int periodX, int periodY, uint32_t seed) {
  int x0 = int(std::floor(u)), y0 = int(std::floor(v));
  double fx = fade(u - x0), fy = fade(v - y0);
  double a = lattice(x0, y0, periodX, periodY, seed), b = lattice(x0 + 1, y0, periodX, periodY, seed);
  double c = lattice(x0, y0 + 1, periodX, periodY, seed), d = lattice(x0 + 1, y0 + 1, periodX, periodY, seed);
  return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy;
}

// Fractal sum over octaves for texture coordinates s, t in 0..1; the base
// grid has cellsX x cellsY cells, so the sum tiles over the unit square.
double fbm(double s, double t, int cellsX, int cellsY, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 0.5, total = 0;
  for (int k = 0; k < octaves; ++k) {
    int px = cellsX << k, py = cellsY << k;
    sum += amplitude * valueNoise(s * px, t * py, px, py, seed + 977u * k);
    total += amplitude;
    amplitude *= 0.5;
  }
  return sum / total;
}

// Like fbm but with creases where the noise crosses its middle: the
// turbulence that bends marble veins.
double turbulence(double s, double t, int cells, int octaves, uint32_t seed) {
  double sum = 0, amplitude = 0.5, total = 0;
  for (int k = 0; k < octaves; ++k) {
    int p = cells << k;
    sum += amplitude * std::fabs(valueNoise(s * p, t * p, p, p, seed + 131u * k) * 2 - 1);
    total += amplitude;
    amplitude *= 0.5;
  }
  return sum / total;
}

// ---- wood --------------------------------------------------------------------

struct WoodTones {
  Colour light, dark;
};

constexpr WoodTones oak{{0.78, 0.56, 0.33}, {0.47, 0.28, 0.13}};
constexpr WoodTones pine{{0.86, 0.68, 0.43}, {0.62, 0.42, 0.22}};

// Grain of a board: `along` runs with the fibres, `across` over the board,
// both in 0..1 of a tile that repeats. Growth rings bent by low noise, fine
// fibres stretched along the board and a few darker pores.
Colour woodGrain(double along, double across, const WoodTones& tones, double rings, uint32_t seed) {
  double warp = fbm(along, across, 1, 2, 5, seed) * 1.3;
  double ring = fract(across * rings + warp);
  double late = smoothstep(0.55, 0.95, ring) * (1 - smoothstep(0.95, 1.0, ring));
  double fibre = fbm(along, across, 3, 48, 3, seed + 7);
  double pore = smoothstep(0.8, 0.9, valueNoise(along * 48, across * 160, 48, 160, seed + 11));
  double t = clamp01(0.12 + 0.6 * late + 0.4 * (fibre - 0.5) + 0.15 * pore);
  return mix(tones.light, tones.dark, t);
}

Picture makeWood() {
  Picture p;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      p.at(x, y) = woodGrain(double(x) / p.width, double(y) / p.height, oak, 10, 101);
  return p;
}

// ---- parquet floor (basket weave of oak strips) --------------------------------

constexpr int parquetBlock = 64;
constexpr int stripsPerBlock = 4;

// Shading at the joints between strips: a dark seam and a soft bevel.
double jointShade(int acrossPixel, int alongPixel, int stripWidth, int stripLength) {
  if (acrossPixel == 0 || alongPixel == 0) return 0.55;
  double edge = std::min({acrossPixel, stripWidth - 1 - acrossPixel, alongPixel, stripLength - 1 - alongPixel});
  return 1 - 0.12 * (1 - smoothstep(0, 3, edge));
}

Colour parquetPixel(int x, int y) {
  int bx = x / parquetBlock, by = y / parquetBlock;
  int lx = x % parquetBlock, ly = y % parquetBlock;
  bool horizontal = (bx + by) % 2 == 0;
  int along = horizontal ? lx : ly, across = horizontal ? ly : lx;
  int stripWidth = parquetBlock / stripsPerBlock;
  int strip = across / stripWidth;
  uint32_t seed = hash3(bx * stripsPerBlock + strip, by, 55) % 10000;
  double tone = 0.88 + 0.2 * double(seed % 100) / 99.0;
  Colour wood = woodGrain(double(along) / parquetBlock, double(across % stripWidth) / stripWidth * 0.35, oak,
                          5, seed);
  return scale(wood, tone * jointShade(across % stripWidth, along, stripWidth, parquetBlock));
}

Picture makeParquet() {
  Picture p;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) p.at(x, y) = parquetPixel(x, y);
  return p;
}

// ---- plaster wall ----------------------------------------------------------------

double plasterHeight(double s, double t) {
  return 0.7 * fbm(s, t, 16, 16, 3, 303) + 0.3 * fbm(s, t, 4, 4, 3, 307);
}

// Light from the upper left falls on the bumps of the plaster; large soft
// blotches vary its tint.
Picture makePlaster() {
  Picture p;
  const Colour base{0.93, 0.88, 0.78};
  const double step = 1.0 / textureSize;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      double s = double(x) / p.width, t = double(y) / p.height;
      double dx = plasterHeight(s + step, t) - plasterHeight(s - step, t);
      double dy = plasterHeight(s, t + step) - plasterHeight(s, t - step);
      double light = 1 + 0.9 * (-dx + dy);
      double blotch = fbm(s, t, 3, 3, 3, 311);
      double fleck = valueNoise(s * 256, t * 256, 256, 256, 313) - 0.5;
      Colour c = mix(base, Colour{0.88, 0.83, 0.73}, smoothstep(0.3, 0.8, blotch));
      p.at(x, y) = scale(c, std::clamp(light + 0.03 * fleck, 0.85, 1.1));
    }
  return p;
}

// ---- marble floor tile --------------------------------------------------------------

double vein(double phase, double sharpness) { return std::pow(1 - std::fabs(std::sin(phase)), sharpness); }

Colour marblePixel(double s, double t) {
  double bend = 3 * fbm(s, t, 2, 2, 5, 401) + 0.8 * turbulence(s, t, 4, 4, 403);
  double main = 0.25 * vein(2 * pi * (s + t) + 2 * bend, 3) + 0.75 * vein(2 * pi * (s + t) + 2 * bend, 24);
  double fine = vein(2 * pi * (2 * s - t) + 4 * turbulence(s, t, 4, 5, 409), 30);
  double cloud = fbm(s, t, 4, 4, 5, 419);
  Colour base = mix(Colour{0.95, 0.94, 0.91}, Colour{0.84, 0.84, 0.82}, smoothstep(0.3, 0.8, cloud));
  Colour c = mix(base, Colour{0.42, 0.44, 0.46}, clamp01(main * 0.85));
  return mix(c, Colour{0.58, 0.60, 0.60}, clamp01(fine * 0.45));
}

// A thin grout line around the tile: the room lays one picture per tile.
double groutShade(int x, int y, int size) {
  int edge = std::min({x, y, size - 1 - x, size - 1 - y});
  if (edge == 0) return 0.6;
  return 1 - 0.08 * (1 - smoothstep(0, 3, edge));
}

Picture makeMarble() {
  Picture p;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      p.at(x, y) = scale(marblePixel(double(x) / p.width, double(y) / p.height), groutShade(x, y, p.width));
  return p;
}

// ---- crate -----------------------------------------------------------------------

constexpr int frameWidth = 30;
constexpr int plankCount = 4;

// The board of the crate under a pixel: where it lies and which way its
// grain runs. Pixel coordinates with y up.
struct Board {
  double along, across;  // 0..1 over the board
  double edgeDistance;   // pixels to the nearest board edge
  double depth;          // 0 front face, 1 recessed planks behind the frame
  uint32_t seed;
};

bool frameBoard(int x, int y, Board& b) {
  int last = textureSize - 1;
  if (y < frameWidth || y > last - frameWidth) {  // top and bottom boards span the width
    int ly = y < frameWidth ? y : y - (last - frameWidth + 1);
    b = {double(x) / textureSize, double(ly) / frameWidth,
         double(std::min({x, last - x, ly, frameWidth - 1 - ly})), 0, y < frameWidth ? 501u : 503u};
    return true;
  }
  if (x < frameWidth || x > last - frameWidth) {  // side boards fit between them
    int lx = x < frameWidth ? x : x - (last - frameWidth + 1);
    int ly = y - frameWidth;
    int length = textureSize - 2 * frameWidth;
    b = {double(ly) / length, double(lx) / frameWidth,
         double(std::min({lx, frameWidth - 1 - lx, ly, length - 1 - ly})), 0, x < frameWidth ? 507u : 509u};
    return true;
  }
  return false;
}

// The brace runs diagonally from the lower left to the upper right corner
// of the opening.
bool braceBoard(int x, int y, Board& b) {
  const double halfWidth = 17;
  double d = (double(y) - double(x)) / std::sqrt(2.0);
  if (std::fabs(d) > halfWidth) return false;
  double along = (double(x) + double(y)) / (2.0 * textureSize);
  b = {along, (d + halfWidth) / (2 * halfWidth), halfWidth - std::fabs(d), 0, 521};
  return true;
}

void plankBoard(int x, int y, Board& b) {
  int inner = textureSize - 2 * frameWidth;
  int plankWidth = inner / plankCount;
  int lx = x - frameWidth;
  int plank = std::min(lx / plankWidth, plankCount - 1);
  int px = lx - plank * plankWidth;
  b = {double(y) / textureSize, double(px) / plankWidth, double(std::min(px, plankWidth - 1 - px)), 1,
       531u + 2u * uint32_t(plank)};
}

Board crateBoard(int x, int y) {
  Board b{};
  if (!frameBoard(x, y, b) && !braceBoard(x, y, b)) plankBoard(x, y, b);
  return b;
}

// Nail heads near the ends of the frame boards and of the brace.
double nailShade(int x, int y) {
  static const int nails[][2] = {{15, 15}, {240, 15}, {15, 240}, {240, 240}, {15, 128}, {240, 128},
                                 {128, 15}, {128, 240}, {52, 52},  {203, 203}};
  for (const auto& n : nails) {
    double dx = x - n[0], dy = y - n[1], r = std::sqrt(dx * dx + dy * dy);
    if (r < 3.2) return 0.35 + 0.5 * clamp01((dx - dy) / 4 + 0.5) * (1 - r / 3.2);
  }
  return 1;
}

// Planks behind the frame lie in its shadow near the frame and brace.
double recessShade(int x, int y) {
  int last = textureSize - 1;
  double toFrame = std::min({x - frameWidth, last - frameWidth - x, y - frameWidth, last - frameWidth - y}) + 0.0;
  double toBrace = std::fabs(double(y) - double(x)) / std::sqrt(2.0) - 17;
  double nearest = std::min(toFrame, toBrace);
  return 0.72 + 0.2 * smoothstep(0, 8, nearest);
}

Colour cratePixel(int x, int y) {
  Board b = crateBoard(x, y);
  Colour c = woodGrain(b.along, b.across * 0.4, pine, 4, b.seed);
  double shade = b.edgeDistance < 1 ? 0.45 : 1 - 0.18 * (1 - smoothstep(0, 4, b.edgeDistance));
  if (b.depth > 0) shade *= recessShade(x, y);
  return scale(c, shade * nailShade(x, y));
}

Picture makeCrate() {
  Picture p;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) p.at(x, y) = cratePixel(x, y);
  return p;
}

// ---- output ------------------------------------------------------------------------

void put16(std::vector<unsigned char>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<unsigned char>& out, uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

unsigned char toByte(double v) { return (unsigned char)std::lround(clamp01(v) * 255); }

// A 24-bit "BM" file with a 40-byte info header, rows bottom-up; the
// picture's row 0 is its bottom row.
std::vector<unsigned char> encodeBmp(Picture& p) {
  uint32_t stride = (uint32_t(p.width) * 3 + 3) / 4 * 4;
  uint32_t dataSize = stride * uint32_t(p.height);
  std::vector<unsigned char> out;
  out.push_back('B');
  out.push_back('M');
  put32(out, 14 + 40 + dataSize);
  put32(out, 0);
  put32(out, 14 + 40);
  for (uint32_t v : {40u, uint32_t(p.width), uint32_t(p.height)}) put32(out, v);
  put16(out, 1);
  put16(out, 24);
  for (uint32_t v : {0u, dataSize, 2835u, 2835u, 0u, 0u}) put32(out, v);
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const Colour& c = p.at(x, y);
      out.push_back(toByte(c.b));
      out.push_back(toByte(c.g));
      out.push_back(toByte(c.r));
    }
    out.resize(out.size() + (stride - uint32_t(p.width) * 3), 0);
  }
  return out;
}

bool writeBmp(const std::filesystem::path& path, Picture p) {
  std::vector<unsigned char> bytes = encodeBmp(p);
  std::FILE* f = std::fopen(path.string().c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_textures OUTPUT_DIR\n");
    return 2;
  }
  std::filesystem::path dir = std::filesystem::path(argv[1]) / "data";
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) {
    std::fprintf(stderr, "gen_textures: cannot create %s: %s\n", dir.string().c_str(), error.message().c_str());
    return 1;
  }
  struct Output {
    const char* name;
    Picture (*make)();
  };
  const Output outputs[] = {{"Wood.bmp", makeWood},     {"Boden.bmp", makeParquet}, {"Wand.bmp", makePlaster},
                            {"Marble.bmp", makeMarble}, {"Crate.bmp", makeCrate}};
  for (const Output& o : outputs) {
    if (!writeBmp(dir / o.name, o.make())) {
      std::fprintf(stderr, "gen_textures: cannot write %s\n", (dir / o.name).string().c_str());
      return 1;
    }
  }
  return 0;
}
