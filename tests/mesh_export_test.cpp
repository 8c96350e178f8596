// The mesh export through the command line: every format loads back, in
// Assimp and in a reader of our own (or the Khronos validator for glTF),
// with the model's triangles and bounds; outputs that cannot be written
// give a message and leave nothing behind.
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include "model/model_table.h"
#include "pieces/kind_mesh.h"
#include "platform/core_data_dir.h"
#include "script/compiler.h"
#include "shell/script_file.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {
struct Bounds {
  long long triangles = 0;
  aiVector3D low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  void add(float x, float y, float z) {
    low = {std::min(low.x, x), std::min(low.y, y), std::min(low.z, z)};
    high = {std::max(high.x, x), std::max(high.y, y), std::max(high.z, z)};
  }
};

// Placed here by worldPlacement, not by the export's walk of the frames.
Bounds modelBounds(const char* script, float scale) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  ScriptLines lines;
  std::string error;
  EXPECT_TRUE(readScriptFile(script, lines, error)) << error;
  compileScript(lines);
  Bounds b;
  for (int i = 0; i < usedPrefixLength(); ++i) {
    const KindMesh& mesh = kindMesh(modelTable[i].kind);
    for (const MeshPart& part : mesh.parts) {
      Matrix m = worldPlacement(modelTable[i]);
      if (mesh.turned) multiplyRight(m, kindTurn());
      if (part.placed) multiplyRight(m, part.placement);
      for (int t = 0; t < part.triangleCount; ++t, ++b.triangles)
        for (const Point3& p : mesh.triangles[size_t(part.firstTriangle + t)])
          b.add(scale * (m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12]),
                scale * (m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13]),
                scale * (m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14]));
    }
  }
  return b;
}

// Colours as the formats hold them, a byte a channel, cut rather than
// rounded (as the PLY writer does), whatever the float's last bit.
std::array<float, 3> byte(std::array<float, 3> c) {
  for (float& channel : c) channel = std::round(channel * 255 - 0.25f);
  return c;
}

std::set<std::array<float, 3>> modelColours() {
  std::set<std::array<float, 3>> colours;
  for (int i = 0; i < usedPrefixLength(); ++i)
    colours.insert(byte({modelTable[i].colour[0], modelTable[i].colour[1], modelTable[i].colour[2]}));
  return colours;
}

// The colours of the materials the meshes use (of the corners for PLY).
Bounds assimpBounds(const std::string& path, std::set<std::array<float, 3>>* colours) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(path, aiProcess_PreTransformVertices);
  Bounds b;
  const auto add = [&](const aiColor4D& c) { colours->insert(byte({c.r, c.g, c.b})); };
  for (unsigned i = 0; scene && i < scene->mNumMeshes; ++i) {
    aiColor4D c;
    scene->mMaterials[scene->mMeshes[i]->mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, c);
    if (!scene->mMeshes[i]->mColors[0]) add(c);
    for (unsigned v = 0; scene->mMeshes[i]->mColors[0] && v < scene->mMeshes[i]->mNumVertices; ++v)
      add(scene->mMeshes[i]->mColors[0][v]);
  }
  for (unsigned i = 0; scene && i < scene->mNumMeshes; ++i) {
    b.triangles += scene->mMeshes[i]->mNumFaces;
    for (unsigned v = 0; v < scene->mMeshes[i]->mNumVertices; ++v)
      b.add(scene->mMeshes[i]->mVertices[v].x, scene->mMeshes[i]->mVertices[v].y, scene->mMeshes[i]->mVertices[v].z);
  }
  return b;
}

// Binary STL: 80 bytes of header, the count, then 50 bytes a triangle.
Bounds stlBounds(const std::string& bytes) {
  Bounds b;
  uint32_t count = 0;
  std::memcpy(&count, bytes.data() + 80, 4);
  EXPECT_EQ(bytes.size(), 84 + 50 * size_t(count));
  for (b.triangles = 0; b.triangles < count; ++b.triangles)
    for (int c = 0; c < 3; ++c) {
      float p[3];
      std::memcpy(p, bytes.data() + 84 + 50 * b.triangles + 12 * (c + 1), 12);
      b.add(p[0], p[1], p[2]);
    }
  return b;
}

Bounds objBounds(const std::string& text) {
  Bounds b;
  std::istringstream lines(text);
  for (std::string word; lines >> word; lines.ignore(1 << 20, '\n')) {
    float x, y, z;
    if (word == "v" && lines >> x >> y >> z) b.add(x, y, z);
    b.triangles += word == "f";
  }
  return b;
}

void expectSameBounds(const Bounds& actual, const Bounds& expected, const std::string& what) {
  EXPECT_EQ(actual.triangles, expected.triangles) << what;
  for (int a = 0; a < 3; ++a) {
    EXPECT_NEAR(actual.low[a], expected.low[a], 0.01f) << what;
    EXPECT_NEAR(actual.high[a], expected.high[a], 0.01f) << what;
  }
}
}  // namespace

TEST(MeshExportTest, EveryFormatLoadsBackWithTheModelsTrianglesAndBounds) {
  const fs::path d = makeTempDir();
  for (const char* example : {"turning-wheel", "cube-frame"})
    for (const std::string scale : {"1", "2.5"}) {
      const std::string script = VEXOCAD_SOURCE_DIR "/examples/" + std::string(example) + ".vxo";
      const Bounds model = modelBounds(script.c_str(), std::stof(scale));
      const std::set<std::array<float, 3>> expectedColours = modelColours();
      const std::string pieceName = "piece 1 ligne " + std::to_string(modelTable[1].scriptLine);
      for (const char* format : {"stl", "OBJ", "glb", "ply", "3mf"}) {
        const std::string out = d / (std::string(example) + " é'." + format), what = out + " x" + scale;
        ASSERT_EQ(runVexocad("--export " + quoteForShell(script) + " -o " + quoteForShell(out) + " --scale " + scale)
                      .status, 0) << what;
        std::set<std::array<float, 3>> colours;
        expectSameBounds(assimpBounds(out, &colours), model, what);
        // STL has no colour; 3MF's writer in Assimp 5.2 rounds them to 0 or 1.
        if (format != std::string("stl") && format != std::string("3mf")) {
          EXPECT_EQ(colours, expectedColours) << what;
        }
        if (format == std::string("OBJ") || format == std::string("glb")) {
          EXPECT_NE(readFile(out).find(pieceName), std::string::npos) << what;
        }
        if (format == std::string("stl")) expectSameBounds(stlBounds(readFile(out)), model, what);
        if (format == std::string("OBJ")) expectSameBounds(objBounds(readFile(out)), model, what);
        if (format == std::string("glb")) {
          const std::string validate = "node " VEXOCAD_SOURCE_DIR "/tools/gltf-validator/validate.js ";
          EXPECT_EQ(std::system((validate + quoteForShell(out) + " >/dev/null").c_str()), 0) << what;
        }
      }
    }
}

// Each case runs in a folder of its own, which must hold afterwards only
// what the case put there and, on success, the output.
TEST(MeshExportTest, BadOutputsAndEmptyModelsGiveAMessageAndLeaveNothingBehind) {
  const fs::path model = fs::path(makeTempDir()) / "m.vxo", empty = model.parent_path() / "empty.vxo";
  writeFile(model, "#8\n#2 @ c2 h1\n");
  writeFile(empty, "// rien\n");
  const struct {
    std::string arguments;  // after the script; OUT is the output's folder
    int status;
    std::string printed = "";
    std::string setup = "";  // made in OUT before the run
  } cases[] = {
      {"-o OUT/missing/m.stl", 4, "Impossible d'écrire le fichier"},
      {"-o OUT/m.stl", 4, "n'est pas un fichier ordinaire", "mkdir OUT/m.stl"},
      {"-o OUT/m.obj", 4, "n'est pas un fichier ordinaire", "mkfifo OUT/m.obj"},
      {"-o OUT/m.ply", 4, "n'est pas un fichier ordinaire", "ln -s /dev/full OUT/m.ply"},
      {"-o OUT/m.fbx", 64, "unknown mesh format"},
      {"-o OUT/m", 64, "unknown mesh format"},
      {"-o OUT/m.stl --scale 0", 64, "--scale needs a positive number"},
      {"-o OUT/m.stl --scale nan", 64, "--scale needs a positive number"},
      {"-o OUT/m.stl --scale inf", 64, "--scale needs a positive number"},
      {"-o OUT/m.stl --scale", 64, "--scale needs a positive number"},
      {"-o OUT/m.stl --scale 1x", 64, "--scale needs a positive number"},
      {"--export EMPTY -o OUT/m.glb", 4, "aucun triangle"},
      {"--export EMPTY -o OUT/m.stl", 0},
      {"--export EMPTY -o OUT/m.obj", 0},
      {"--export EMPTY -o OUT/m.ply", 0},
      {"--export EMPTY -o OUT/m.3mf", 0},
  };
  for (const auto& c : cases) {
    const fs::path out = makeTempDir();
    auto expand = [&](std::string text) {
      for (size_t at; (at = text.find("OUT")) != std::string::npos;) text.replace(at, 3, out.string());
      for (size_t at; (at = text.find("EMPTY")) != std::string::npos;) text.replace(at, 5, empty.string());
      return text;
    };
    if (!c.setup.empty()) {
      ASSERT_EQ(std::system(expand(c.setup).c_str()), 0);
    }
    const size_t before = size_t(std::distance(fs::directory_iterator(out), {}));
    const std::string arguments = c.arguments.starts_with("--export") ? "" : "--export " + model.string() + " ";
    const ProcessResult r = runVexocad(arguments + expand(c.arguments));
    EXPECT_EQ(r.status, c.status) << c.arguments << r.err;
    EXPECT_NE((r.out + r.err).find(c.printed), std::string::npos) << c.arguments << r.err;
    size_t after = 0;
    for (const auto& entry : fs::directory_iterator(out)) after += entry.path().filename().string()[0] != '.';
    EXPECT_EQ(after, before + (c.status == 0 ? 1 + c.arguments.ends_with(".obj") : 0)) << c.arguments;
  }
}
