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
// Colours a byte a channel, or (glTF's linear ones) a ten-thousandth.
using Colours = std::set<std::array<long, 3>>;
void addColour(Colours& colours, float r, float g, float b, float unit = 255) {
  colours.insert({std::lround(r * unit), std::lround(g * unit), std::lround(b * unit)});
}

// The colours of the parts list (--parts), as sRGB bytes or, for glTF,
// converted to linear as the format defines its colour factors.
Colours partsListColours(const std::string& script, bool linear) {
  const std::string csv = makeTempDir() + "/parts.csv";
  EXPECT_EQ(runVexocad("--parts " + script + " -o " + csv).status, 0);
  std::istringstream lines(readFile(csv));
  Colours colours;
  const auto channel = [&](unsigned byte) {
    const double c = byte / 255.0;
    return float(!linear ? c : c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
  };
  for (std::string line; std::getline(lines, line);)
    if (const size_t hash = line.find(",#"); hash != std::string::npos) {
      const unsigned rgb = unsigned(std::stoul(line.substr(hash + 2, 6), nullptr, 16));
      addColour(colours, channel(rgb >> 16), channel((rgb >> 8) & 255), channel(rgb & 255), linear ? 1e4f : 255);
    }
  return colours;
}


struct Bounds {
  long long triangles = 0;
  long long pieces = 0, items = 0;  // the model's pieces; a 3MF's components and build items, an OBJ's objects
  aiVector3D low{1e30f, 1e30f, 1e30f}, high{-1e30f, -1e30f, -1e30f};
  void add(float x, float y, float z) {
    low = {std::min(low.x, x), std::min(low.y, y), std::min(low.z, z)};
    high = {std::max(high.x, x), std::max(high.y, y), std::max(high.z, z)};
  }
};

// The bounds a format holds the model in: STL, PLY and 3MF turned Z up (+Y
// to +Z, +Z to -Y), glTF in metres (here back in millimetres).
Bounds asWritten(const Bounds& model, const std::string& format) {
  Bounds b = model;
  if (format == "stl" || format == "ply" || format == "3mf") {
    b.low = {model.low.x, -model.high.z, model.low.y};
    b.high = {model.high.x, -model.low.z, model.high.y};
  }
  return b;
}

// Read by the tests' own reader of the piece files and placed by
// worldPlacement here, not by the export's geometry and walk of the frames.
Bounds modelBounds(const std::string& script, float scale) {
  dataDir = VEXOCAD_BINARY_DIR "/";
  ScriptLines lines;
  std::string error;
  EXPECT_TRUE(readScriptFile(script.c_str(), lines, error)) << error;
  compileScript(lines);
  Bounds b;
  for (int i = 0; i < usedPrefixLength(); ++i) {
    const Matrix m = worldPlacement(modelTable[i]);
    b.pieces += !facesOfKind(dataDir, modelTable[i].kind).empty();
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

// With the materials' colours, or the corners' where they have some (PLY);
// material names in names.
Bounds assimpBounds(const std::string& path, Colours& colours, std::vector<std::string>* names = nullptr) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(path, aiProcess_PreTransformVertices);
  const float unit = path.ends_with(".glb") ? 1000 : 1;  // glTF's metres
  Bounds b;
  for (unsigned i = 0; scene && names && i < scene->mNumMaterials; ++i)
    names->push_back(scene->mMaterials[i]->GetName().C_Str());
  for (unsigned i = 0; scene && i < scene->mNumMeshes; ++i) {
    const aiMesh& mesh = *scene->mMeshes[i];
    aiColor4D c;
    scene->mMaterials[mesh.mMaterialIndex]->Get(AI_MATKEY_COLOR_DIFFUSE, c);
    if (!mesh.mColors[0]) addColour(colours, c.r, c.g, c.b, path.ends_with(".glb") ? 1e4f : 255);
    b.triangles += mesh.mNumFaces;
    for (unsigned f = 0; f < mesh.mNumFaces; ++f)  // the corners the faces use, not the ones listed
      for (unsigned c = 0, v; c < mesh.mFaces[f].mNumIndices && (v = mesh.mFaces[f].mIndices[c]) < mesh.mNumVertices; ++c) {
        b.add(mesh.mVertices[v].x * unit, mesh.mVertices[v].y * unit, mesh.mVertices[v].z * unit);
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
    if (word == "items") lines >> b.items;
    if (word == "components") lines >> b.pieces;
    if ((word == "low" || word == "high") && lines >> x >> y >> z) b.add(x, y, z);
    if (word == "colour" && lines >> std::hex >> rgb >> std::dec)
      addColour(colours, float(rgb >> 16) / 255, float((rgb >> 8) & 255) / 255, float(rgb & 255) / 255);
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
  for (BOOL more = false; items && lib3mf_builditemiterator_movenext(items, &more) == LIB3MF_OK && more; ++b.items) {
    PLib3MFModelBuildItem* item = nullptr;
    PLib3MFModelObjectResource* object = nullptr;
    DWORD components = 0;
    lib3mf_builditemiterator_getcurrent(items, &item);
    lib3mf_builditem_getobjectresource(item, &object);
    lib3mf_componentsobject_getcomponentcount(object, &components);
    b.pieces += components;
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
    b.pieces += word == "o";
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

// STL, PLY and 3MF Z up, glTF and OBJ Y up; a model unit a millimetre (a
// metre's thousandth in glTF); the 3MF's build one item placing every piece;
// an OBJ object per piece; glTF's colours linear, the others' sRGB bytes.
TEST(MeshExportTest, EveryFormatLoadsBackWithTheModelsTrianglesBoundsAndColours) {
  const fs::path d = makeTempDir();
  for (const std::string example : {"turning-wheel", "cube-frame"})
    for (const std::string scale : {"1", "2.5", "1000"}) {  // at 1000, the .glb's node matrices were no TRS
      const std::string script = VEXOCAD_SOURCE_DIR "/examples/" + example + ".vxo";
      const Bounds model = modelBounds(script, std::stof(scale));
      const std::string pieceName = "piece 1 ligne " + std::to_string(modelTable[1].scriptLine);
      const Colours listed = partsListColours(script, false), linear = partsListColours(script, true);
      for (const std::string format : {"stl", "OBJ", "glb", "ply", "3mf"}) {
        const std::string out = d / (example + " é'." + format), what = out + " x" + scale;
        ASSERT_EQ(runVexocad("--export " + script + " -o " + quoteForShell(out) + " --scale " + scale).status, 0);
        const Bounds expected = asWritten(model, format);
        Colours colours;
        std::vector<std::string> materials;
        std::string names = readFile(out);
        // Assimp 5.2 reads no 3MF component: our own reader and lib3mf do.
        const Bounds read = format == "3mf" ? threeMfBounds(out, colours, &names) : assimpBounds(out, colours, &materials);
        expectSameBounds(read, expected, what);
        if (format == "3mf") {
          const Bounds library = lib3mfBounds(readFile(out));
          expectSameBounds(library, expected, what);
          EXPECT_EQ(read.items, 1) << what;
          EXPECT_EQ(library.items, 1) << what;
          EXPECT_EQ(read.pieces, model.pieces) << what;
          EXPECT_EQ(library.pieces, model.pieces) << what;
        }
        EXPECT_TRUE(format == "stl" || colours == (format == "glb" ? linear : listed)) << what;
        EXPECT_EQ(std::set<std::string>(materials.begin(), materials.end()).size(), materials.size()) << what;
        EXPECT_TRUE(format == "stl" || format == "ply" || format == "3mf" || names.find(pieceName) != std::string::npos)
            << what;
        if (format == "stl" || format == "OBJ") {
          const Bounds own = ownReaderBounds(readFile(out), format == "stl");
          expectSameBounds(own, expected, what);
          EXPECT_EQ(own.pieces, format == "OBJ" ? model.pieces : 0) << what;
        }
        const std::string validate = "node " VEXOCAD_SOURCE_DIR "/tools/gltf-validator/validate.js >/dev/null ";
        EXPECT_TRUE(format != "glb" || std::system((validate + quoteForShell(out)).c_str()) == 0) << what;
        EXPECT_TRUE(format != "glb" || names.find("extensionsUsed") == std::string::npos) << what;
      }
    }
}

// --size 200: the largest side is 200 mm in every reader.
TEST(MeshExportTest, SizeGivesTheLargestSideInMillimetresInEveryFormat) {
  const std::string script = VEXOCAD_SOURCE_DIR "/examples/tower.vxo", out = makeTempDir() + "/tour.";
  for (const std::string format : {"stl", "obj", "glb", "ply", "3mf"}) {
    ASSERT_EQ(runVexocad("--export " + script + " -o " + out + format + " --size 200").status, 0);
    Colours colours;
    std::string names;
    const Bounds b = format == "3mf" ? threeMfBounds(out + format, colours, &names) : assimpBounds(out + format, colours);
    const aiVector3D sides = b.high - b.low;
    EXPECT_NEAR(std::max({sides.x, sides.y, sides.z}), 200.0f, 0.01f) << format;
    EXPECT_NEAR(format == "glb" || format == "obj" ? sides.y : sides.z, 200.0f, 0.01f) << format << " (the tower's height)";
  }
}

// Each case runs in a new folder OUT, which must hold afterwards what the
// setup made there and, on success, the output (and an OBJ's materials).
TEST(MeshExportTest, BadOutputsAndEmptyModelsGiveAMessageAndLeaveNothingBehind) {
  const fs::path model = fs::path(makeTempDir()) / "m.vxo", empty = model.parent_path() / "empty.vxo",
                 unshown = model.parent_path() / "nan.vxo";
  writeFile(model, "#8\n#2 @ c2 h1\n");
  writeFile(empty, "// rien\n");
  writeFile(unshown, "#8 couleurf nan inf 0\n");  // colours clamped as the parts list shows them
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
      {model, "OUT/m.stl --size 200 --scale 2", 64, "give one of them"},
      {model, "OUT/m.stl --size 0", 64, "the largest side in millimetres"},
      {model, "OUT/m.stl --size 200x100", 64, "the largest side in millimetres"},
      {empty, "OUT/m.glb", 4, "aucun triangle"},
      {empty, "OUT/m.stl", 0},
      {empty, "OUT/m.obj", 0},
      {empty, "OUT/m.ply", 0},
      {empty, "OUT/m.3mf", 0},
      {unshown, "OUT/m.glb", 0},
      {unshown, "OUT/m.3mf", 0},
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

// STL, OBJ and PLY are written a piece at a time through a buffer of a
// megabyte: a model of many buffers is still one file, with one count (STL,
// PLY) and every face's corners counted from the file's start (OBJ, PLY,
// read back through Assimp).
TEST(MeshExportTest, ALargeModelIsOneFileWithEveryTriangle) {
  const std::string script = VEXOCAD_SOURCE_DIR "/examples/tall-tower.vxo", out = makeTempDir() + "/tour.";
  Colours read;
  const Colours colours = partsListColours(script, false);
  const Bounds model = modelBounds(script, 1);
  ASSERT_GT(model.triangles, 3 << 18) << "several buffers";
  ASSERT_EQ(runVexocad("--export " + script + " -o " + out + "stl").status, 0);
  expectSameBounds(ownReaderBounds(readFile(out + "stl"), true), asWritten(model, "stl"), out + "stl");
  for (const std::string format : {"obj", "ply"}) {
    ASSERT_EQ(runVexocad("--export " + script + " -o " + out + format).status, 0);
    expectSameBounds(assimpBounds(out + format, read), asWritten(model, format), out + format);
    EXPECT_EQ(read, colours) << format;
  }
}
