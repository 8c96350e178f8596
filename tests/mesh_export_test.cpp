// The mesh export through the command line: every format loads back through
// Assimp and through a reader of our own (the Khronos validator for glTF)
// with the model's triangles, bounds, colours and piece names; outputs that
// cannot be written give a message and leave nothing behind.
#include <Common/NMR_Types.h>
#include <Model/COM/NMR_DLLInterfaces.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <array>
#include <assimp/Importer.hpp>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <set>
#include <sstream>

#include "model/model_table.h"
#include "platform/core_data_dir.h"
#include "script/compiler.h"
#include "shell/script_file.h"
#include "support/piece_shapes.h"
#include "support/process.h"

namespace fs = std::filesystem;

namespace {
// Colours a byte a channel, cut as the PLY writer cuts them, or rounded as
// 3MF's materials are.
using Colours = std::set<std::array<long, 3>>;
void addColour(Colours& colours, float r, float g, float b, float cut = 0.25f) {
  colours.insert({std::lround(r * 255 - cut), std::lround(g * 255 - cut), std::lround(b * 255 - cut)});
}

struct Bounds {
  long long triangles = 0;
  aiVector3D low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  void add(float x, float y, float z) {
    low = {std::min(low.x, x), std::min(low.y, y), std::min(low.z, z)};
    high = {std::max(high.x, x), std::max(high.y, y), std::max(high.z, z)};
  }
};

// Read by the tests' own reader of the piece files and placed by
// worldPlacement here, not by the export's geometry and walk of the frames.
Bounds modelBounds(const std::string& script, float scale, Colours& colours, Colours& rounded) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  ScriptLines lines;
  std::string error;
  EXPECT_TRUE(readScriptFile(script.c_str(), lines, error)) << error;
  compileScript(lines);
  Bounds b;
  for (int i = 0; i < usedPrefixLength(); ++i) {
    addColour(colours, modelTable[i].colour[0], modelTable[i].colour[1], modelTable[i].colour[2]);
    addColour(rounded, modelTable[i].colour[0], modelTable[i].colour[1], modelTable[i].colour[2], 0);
    const Matrix m = worldPlacement(modelTable[i]);
    for (const ShapeFace& f : facesOfKind(dataDir, modelTable[i].kind)) {
      b.triangles += long(f.size()) - 2;
      for (const ShapePoint& p : f)
        b.add(float(scale * (m.m[0] * p.x + m.m[4] * p.y + m.m[8] * p.z + m.m[12])),
              float(scale * (m.m[1] * p.x + m.m[5] * p.y + m.m[9] * p.z + m.m[13])),
              float(scale * (m.m[2] * p.x + m.m[6] * p.y + m.m[10] * p.z + m.m[14])));
    }
  }
  return b;
}

// With the materials' colours, or the corners' where they have some (PLY).
Bounds assimpBounds(const std::string& path, Colours& colours) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(path, aiProcess_PreTransformVertices);
  Bounds b;
  for (unsigned i = 0; scene && i < scene->mNumMeshes; ++i) {
    const aiMesh& mesh = *scene->mMeshes[i];
    aiColor4D c;
    scene->mMaterials[mesh.mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, c);
    if (!mesh.mColors[0]) addColour(colours, c.r, c.g, c.b);
    b.triangles += mesh.mNumFaces;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f)  // the corners the faces use, not the ones listed
      for (unsigned c = 0, v; c < mesh.mFaces[f].mNumIndices && (v = mesh.mFaces[f].mIndices[c]) < mesh.mNumVertices; ++c) {
        b.add(mesh.mVertices[v].x, mesh.mVertices[v].y, mesh.mVertices[v].z);
        if (mesh.mColors[0]) addColour(colours, mesh.mColors[0][v].r, mesh.mColors[0][v].g, mesh.mColors[0][v].b);
      }
  }
  return b;
}

// The tests' own 3MF reader, in Python: the triangles, bounds and colours
// of the placed build, and the objects' names (in names).
Bounds threeMfBounds(const std::string& path, Colours& colours, std::string* names) {
  const std::string command = "/usr/bin/python3 " VEXOCAD_SOURCE_DIR "/tests/meshes/read_3mf.py " + quoteForShell(path);
  FILE* pipe = popen(command.c_str(), "r");
  std::string printed;
  for (char buffer[4096]; pipe && std::fgets(buffer, sizeof buffer, pipe);) printed += buffer;
  EXPECT_TRUE(pipe && pclose(pipe) == 0) << path;
  Bounds b;
  std::istringstream lines(printed);
  for (std::string word; lines >> word;) {
    float x, y, z;
    unsigned rgb;
    if (word == "triangles") lines >> b.triangles;
    if ((word == "low" || word == "high") && lines >> x >> y >> z) b.add(x, y, z);
    if (word == "colour" && lines >> std::hex >> rgb >> std::dec)
      addColour(colours, float(rgb >> 16) / 255, float((rgb >> 8) & 255) / 255, float(rgb & 255) / 255, 0);
    if (word == "name") lines.ignore(1 << 20, '\n');
  }
  *names = printed;
  return b;
}

// lib3mf, which wrote it, reads a 3MF back: each build item's object, its
// components' meshes placed by their transforms.
Bounds lib3mfBounds(std::string bytes) {
  using namespace NMR;
  Bounds b;
  PLib3MFModel* model = nullptr;
  PLib3MFModelReader* reader = nullptr;
  PLib3MFModelBuildItemIterator* items = nullptr;
  lib3mf_createmodel(&model);
  EXPECT_EQ(lib3mf_model_queryreader(model, "3mf", &reader), LIB3MF_OK);
  EXPECT_EQ(lib3mf_reader_readfrombuffer(reader, reinterpret_cast<BYTE*>(bytes.data()), bytes.size()), LIB3MF_OK);
  lib3mf_model_getbuilditems(model, &items);
  for (BOOL more = false; items && lib3mf_builditemiterator_movenext(items, &more) == LIB3MF_OK && more;) {
    PLib3MFModelBuildItem* item = nullptr;
    PLib3MFModelObjectResource* object = nullptr;
    DWORD components = 0;
    lib3mf_builditemiterator_getcurrent(items, &item);
    lib3mf_builditem_getobjectresource(item, &object);
    lib3mf_componentsobject_getcomponentcount(object, &components);
    for (DWORD c = 0; c < components; ++c) {
      PLib3MFModelComponent* component = nullptr;
      PLib3MFModelObjectResource* mesh = nullptr;
      MODELTRANSFORM t;
      DWORD count = 0;
      lib3mf_componentsobject_getcomponent(object, c, &component);
      lib3mf_component_getobjectresource(component, &mesh);
      lib3mf_component_gettransform(component, &t);
      lib3mf_meshobject_gettrianglecount(mesh, &count);
      std::vector<MODELMESHTRIANGLE> triangles(count);
      lib3mf_meshobject_gettriangleindices(mesh, triangles.data(), count, nullptr);
      for (const MODELMESHTRIANGLE& triangle : triangles)
        for (DWORD v : triangle.m_nIndices) {
          MODELMESHVERTEX p;
          lib3mf_meshobject_getvertex(mesh, v, &p);
          const float* x = p.m_fPosition;
          const auto at = [&](int r) { return t.m_fFields[r][0] * x[0] + t.m_fFields[r][1] * x[1] + t.m_fFields[r][2] * x[2] + t.m_fFields[r][3]; };
          b.add(at(0), at(1), at(2));
        }
      b.triangles += count;
      for (PLib3MFBase* handle : {mesh, component}) lib3mf_release(handle);
    }
    for (PLib3MFBase* handle : {object, item}) lib3mf_release(handle);
  }
  for (PLib3MFBase* handle : {static_cast<PLib3MFBase*>(items), reader, model}) lib3mf_release(handle);
  return b;
}

// Binary STL: 80 bytes of header, the count, then 50 bytes a triangle; OBJ:
// its "v" and "f" lines.
Bounds ownReaderBounds(const std::string& bytes, bool stl) {
  Bounds b;
  std::istringstream lines(stl ? "" : bytes);
  for (std::string word; lines >> word; lines.ignore(1 << 20, '\n')) {
    float x, y, z;
    if (word == "v" && lines >> x >> y >> z) b.add(x, y, z);
    b.triangles += word == "f";
  }
  uint32_t count = 0;
  if (stl && bytes.size() >= 84) std::memcpy(&count, &bytes[80], sizeof count);
  EXPECT_TRUE(!stl || bytes.size() == 84 + 50 * size_t(count));
  for (size_t t = 0; t < count && bytes.size() == 84 + 50 * size_t(count); ++t, ++b.triangles)
    for (size_t c = 0; c < 3; ++c) {
      float p[3];
      std::memcpy(p, &bytes[84 + 50 * t + 12 * (c + 1)], sizeof p);
      b.add(p[0], p[1], p[2]);
    }
  return b;
}

// Within a hundredth, or the six digits 3MF writes its transforms with.
void expectSameBounds(const Bounds& actual, const Bounds& expected, const std::string& what) {
  EXPECT_EQ(actual.triangles, expected.triangles) << what;
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(actual.low[a], expected.low[a], 0.01f + 2e-6f * std::fabs(expected.low[a])) << what;
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(actual.high[a], expected.high[a], 0.01f + 2e-6f * std::fabs(expected.high[a])) << what;
}
}  // namespace

TEST(MeshExportTest, EveryFormatLoadsBackWithTheModelsTrianglesBoundsAndColours) {
  const fs::path d = makeTempDir();
  for (const std::string example : {"turning-wheel", "cube-frame"})
    for (const std::string scale : {"1", "2.5", "1000"}) {  // at 1000, the .glb's node matrices were no TRS
      const std::string script = VEXOCAD_SOURCE_DIR "/examples/" + example + ".vxo";
      Colours modelColours, roundedColours;
      const Bounds model = modelBounds(script, std::stof(scale), modelColours, roundedColours);
      const std::string pieceName = "piece 1 ligne " + std::to_string(modelTable[1].scriptLine);
      for (const std::string format : {"stl", "OBJ", "glb", "ply", "3mf"}) {
        const std::string out = d / (example + " é'." + format), what = out + " x" + scale;
        ASSERT_EQ(runVexocad("--export " + script + " -o " + quoteForShell(out) + " --scale " + scale).status, 0);
        Colours colours;
        std::string names = readFile(out);
        // Assimp 5.2 reads no 3MF component: our own reader and lib3mf do.
        expectSameBounds(format == "3mf" ? threeMfBounds(out, colours, &names) : assimpBounds(out, colours), model, what);
        if (format == "3mf") expectSameBounds(lib3mfBounds(readFile(out)), model, what);
        EXPECT_TRUE(format == "stl" || colours == (format == "3mf" ? roundedColours : modelColours)) << what;
        EXPECT_TRUE(format == "stl" || format == "ply" || names.find(pieceName) != std::string::npos) << what;
        if (format == "stl" || format == "OBJ")
          expectSameBounds(ownReaderBounds(readFile(out), format == "stl"), model, what);
        const std::string validate = "node " VEXOCAD_SOURCE_DIR "/tools/gltf-validator/validate.js >/dev/null ";
        EXPECT_TRUE(format != "glb" || std::system((validate + quoteForShell(out)).c_str()) == 0) << what;
      }
    }
}

// Each case runs in a new folder OUT, which must hold afterwards what the
// setup made there and, on success, the output (and an OBJ's materials).
TEST(MeshExportTest, BadOutputsAndEmptyModelsGiveAMessageAndLeaveNothingBehind) {
  const fs::path model = fs::path(makeTempDir()) / "m.vxo", empty = model.parent_path() / "empty.vxo";
  writeFile(model, "#8\n#2 @ c2 h1\n");
  writeFile(empty, "// rien\n");
  const std::string scaleError = "--scale needs a positive number";
  const struct {
    std::string script, output;
    int status;
    std::string printed = "", setup = "", limit = "";
  } cases[] = {
      {model, "OUT/missing/m.stl", 4, "Impossible d'écrire le fichier"},
      {model, "OUT/m.stl", 4, "ne désigne pas un fichier ordinaire", "mkdir OUT/m.stl"},
      {model, "OUT/m.obj", 4, "ne désigne pas un fichier ordinaire", "mkfifo OUT/m.obj"},
      {model, "OUT/m.ply", 4, "ne désigne pas un fichier ordinaire", "ln -s /dev/full OUT/m.ply"},
      {model, "OUT/m.stl", 4, "dépasse la taille permise", "", "ulimit -f 8;"},
      {model, "OUT/m.obj", 4, "dépasse la taille permise", "", "ulimit -f 8;"},
      {model, "OUT/m.glb", 4, "dépasse la taille permise", "", "ulimit -f 8;"},
      {model, "OUT/m.ply", 4, "dépasse la taille permise", "", "ulimit -f 8;"},
      {model, "OUT/m.3mf", 4, "Impossible d'écrire le fichier", "", "ulimit -f 2;"},
      {model, "OUT/m.fbx", 64, "unknown mesh format"},
      {"OUT/s.mtl", "OUT/s.obj", 64, "is the script", "echo '#8' > OUT/s.mtl"},  // as s.obj's materials
      {model, "OUT/m", 64, "unknown mesh format"},
      {model, "OUT/m.stl --scale 0", 64, scaleError},
      {model, "OUT/m.stl --scale nan", 64, scaleError},
      {model, "OUT/m.stl --scale inf", 64, scaleError},
      {model, "OUT/m.stl --scale 1x", 64, scaleError},
      {model, "OUT/m.stl --scale", 64, scaleError},
      {empty, "OUT/m.glb", 4, "aucun triangle"},
      {empty, "OUT/m.stl", 0},
      {empty, "OUT/m.obj", 0},
      {empty, "OUT/m.ply", 0},
      {empty, "OUT/m.3mf", 0},
  };
  for (const auto& c : cases) {
    const std::string out = makeTempDir();
    auto expand = [&](std::string text) {  // each text names OUT once at most
      const size_t at = text.find("OUT");
      return at == std::string::npos ? text : text.replace(at, 3, out);
    };
    EXPECT_TRUE(c.setup.empty() || std::system(expand(c.setup).c_str()) == 0);
    const size_t before = size_t(std::distance(fs::directory_iterator(out), {}));
    const ProcessResult r = runVexocad("--export " + expand(c.script) + " -o " + expand(c.output), c.limit);
    EXPECT_EQ(r.status, c.status) << c.output << r.err;
    EXPECT_NE(r.err.find(c.printed), std::string::npos) << c.output << r.err;
    const size_t made = c.status == 0 ? 1 + c.output.ends_with(".obj") : 0;
    EXPECT_EQ(size_t(std::distance(fs::directory_iterator(out), {})), before + made) << c.output;
  }
}

// STL, OBJ and PLY are written a batch of pieces at a time: a model of
// several batches is still one file, with one count (STL, PLY) and every
// face's corners counted from the file's start (OBJ, PLY, read back through
// Assimp).
TEST(MeshExportTest, ALargeModelIsOneFileWithEveryTriangle) {
  const std::string script = VEXOCAD_SOURCE_DIR "/examples/tall-tower.vxo", out = makeTempDir() + "/tour.";
  Colours colours, rounded, read;
  const Bounds model = modelBounds(script, 1, colours, rounded);
  ASSERT_GT(model.triangles, 3 << 18) << "three batches at least";
  ASSERT_EQ(runVexocad("--export " + script + " -o " + out + "stl").status, 0);
  expectSameBounds(ownReaderBounds(readFile(out + "stl"), true), model, out + "stl");
  for (const std::string format : {"obj", "ply"}) {
    ASSERT_EQ(runVexocad("--export " + script + " -o " + out + format).status, 0);
    expectSameBounds(assimpBounds(out + format, read), model, out + format);
    EXPECT_EQ(read, colours) << format;
  }
}
