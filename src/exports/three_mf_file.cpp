#include "exports/three_mf_file.h"

#include <Common/NMR_Types.h>
#include <Model/COM/NMR_DLLInterfaces.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "exports/mesh_scene.h"
#include "exports/parts_list.h"
#include "pieces/kind_mesh.h"
#include "pieces/kind_names.h"

namespace {

using Rgba = ColourBytes;

// Every handle the library gave is released once, and the first failure
// keeps the library's own words.
struct Session {
  NMR::PLib3MFModel* model = nullptr;
  std::vector<NMR::PLib3MFBase*> handles;
  std::string failure;

  bool check(HRESULT result, NMR::PLib3MFBase* about, const char* what) {
    if (result == LIB3MF_OK || !failure.empty()) return failure.empty() && result == LIB3MF_OK;
    DWORD code = 0;
    LPCSTR message = nullptr;
    if (about) NMR::lib3mf_getlasterror(about, &code, &message);
    char text[64];
    std::snprintf(text, sizeof text, "%s: erreur 0x%08X", what, unsigned(result));
    failure = message && *message ? std::string(what) + ": " + message : text;
    return false;
  }
  template <typename T>
  T* keep(T* handle) {
    if (handle) handles.push_back(handle);
    return handle;
  }
  ~Session() {
    for (auto it = handles.rbegin(); it != handles.rend(); ++it) NMR::lib3mf_release(*it);
    if (model) NMR::lib3mf_release(model);
  }
};

struct Materials {
  NMR::PLib3MFModelBaseMaterial* group = nullptr;
  DWORD groupId = 0;
  std::map<Rgba, DWORD> indexOf;
};

bool materialFor(Session& s, Materials& materials, const Rgba& rgba, DWORD* index) {
  if (const auto found = materials.indexOf.find(rgba); found != materials.indexOf.end()) return *index = found->second, true;
  const std::string name = materialName(rgba);
  if (!s.check(NMR::lib3mf_basematerial_addmaterialutf8(materials.group, name.c_str(), rgba[0], rgba[1], rgba[2], index),
               materials.group, "couleur") ||
      !s.check(NMR::lib3mf_basematerial_setdisplaycolorrgba(materials.group, *index, rgba[0], rgba[1], rgba[2], rgba[3]),
               materials.group, "couleur"))
    return false;
  materials.indexOf[rgba] = *index;
  return true;
}

NMR::PLib3MFModelMeshObject* newKindMesh(Session& s, Materials& materials, int kind, const Rgba& rgba) {
  const SharedCorners shared = shareCorners(kindTriangles(kind));
  std::vector<NMR::MODELMESHVERTEX> vertices;
  for (const aiVector3D& p : shared.corners) vertices.push_back({{p.x, p.y, p.z}});
  std::vector<NMR::MODELMESHTRIANGLE> faces;
  for (const auto& f : shared.faces) faces.push_back({{f[0], f[1], f[2]}});
  NMR::PLib3MFModelMeshObject* mesh = nullptr;
  DWORD material = 0;
  NMR::PLib3MFDefaultPropertyHandler* properties = nullptr;
  const std::string name = kindName(kind) + " " + materialName(rgba);
  if (!s.check(NMR::lib3mf_model_addmeshobject(s.model, &mesh), s.model, "maillage")) return nullptr;
  s.keep(mesh);
  const bool made =
      s.check(NMR::lib3mf_meshobject_setgeometry(mesh, vertices.data(), DWORD(vertices.size()), faces.data(),
                                                 DWORD(faces.size())),
              mesh, "maillage") &&
      s.check(NMR::lib3mf_object_setnameutf8(mesh, name.c_str()), mesh, "nom") && materialFor(s, materials, rgba, &material) &&
      s.check(NMR::lib3mf_object_createdefaultpropertyhandler(mesh, &properties), mesh, "couleur") && s.keep(properties) &&
      s.check(NMR::lib3mf_defaultpropertyhandler_setbasematerial(properties, materials.groupId, material), properties,
              "couleur");
  return made ? mesh : nullptr;
}

// The library writes through these into the safe writer's file. A failed
// write is kept in the file, and the library is told all went well: it
// throws from places that cannot throw when its stream fails.
NMR::nfUint32 writeBytes(NMR::nfByte* bytes, NMR::nfUint32 count, void* output) {
  writeOutput(*static_cast<OutputFile*>(output), bytes, count);
  return 0;
}

NMR::nfUint32 seekTo(NMR::nfUint64 position, void* output) {
  seekOutput(*static_cast<OutputFile*>(output), (long long)position);
  return 0;
}

bool writeModel(Session& s, NMR::PLib3MFModelWriter* writer, OutputFile& out) {
  return s.check(NMR::lib3mf_writer_writetocallback(writer, reinterpret_cast<void*>(writeBytes),
                                                    reinterpret_cast<void*>(seekTo), &out),
                 writer, "écriture");
}

NMR::MODELTRANSFORM transformOf(const Matrix& world, double scale) {
  NMR::MODELTRANSFORM transform;
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) transform.m_fFields[r][c] = float(world.m[4 * c + r] * scale);
  return transform;
}

// The model as one object of the build, made of a component per piece that
// places its kind's mesh: a slicer keeps the assembly whole. Components
// carry no name in 3MF; the kinds' meshes are named after kind and colour.
bool addPieces(Session& s, const PieceRecord* table, double scale) {
  Materials materials;
  NMR::PLib3MFModelComponentsObject* model = nullptr;
  NMR::PLib3MFModelBuildItem* item = nullptr;
  if (!s.check(NMR::lib3mf_model_addbasematerialgroup(s.model, &materials.group), s.model, "couleurs") ||
      !s.keep(materials.group) ||
      !s.check(NMR::lib3mf_basematerial_getresourceid(materials.group, &materials.groupId), materials.group, "couleurs"))
    return false;
  // Every mesh first: a resource is defined before what refers to it.
  const std::vector<PlacedPiece> pieces = drawnPieces(table, UpAxis::Z);
  std::map<std::pair<int, Rgba>, NMR::PLib3MFModelMeshObject*> meshOf;
  const auto keyOf = [&](const PlacedPiece& piece) {
    return std::pair<int, Rgba>{int(table[piece.number].kind), colourBytes(table[piece.number].colour)};
  };
  for (const PlacedPiece& piece : pieces) {
    const std::pair<int, Rgba> key = keyOf(piece);
    if (kindMesh(key.first).triangles.empty()) continue;
    auto& mesh = meshOf[key];
    if (!mesh && !(mesh = newKindMesh(s, materials, key.first, key.second))) return false;
  }
  if (meshOf.empty()) return true;  // no triangle: no object, and the build no item
  if (!s.check(NMR::lib3mf_model_addcomponentsobject(s.model, &model), s.model, "modèle") || !s.keep(model) ||
      !s.check(NMR::lib3mf_object_setnameutf8(model, "modele"), model, "nom"))
    return false;
  for (const PlacedPiece& piece : pieces) {
    const auto mesh = meshOf.find(keyOf(piece));
    if (mesh == meshOf.end()) continue;
    NMR::MODELTRANSFORM transform = transformOf(piece.world, scale);
    NMR::PLib3MFModelComponent* component = nullptr;
    if (!s.check(NMR::lib3mf_componentsobject_addcomponent(model, mesh->second, &transform, &component), model, "pièce") ||
        !s.keep(component))
      return false;
  }
  return s.check(NMR::lib3mf_model_addbuilditem(s.model, model, nullptr, &item), s.model, "modèle") && s.keep(item);
}

}  // namespace

WriteResult writeThreeMfFile(const PieceRecord* table, double scale, OutputFile& out) {
  Session s;
  NMR::PLib3MFModelWriter* writer = nullptr;
  const bool written = s.check(NMR::lib3mf_createmodel(&s.model), nullptr, "modèle") &&
                       s.check(NMR::lib3mf_model_setunit(s.model, NMR::MODELUNIT_MILLIMETER), s.model, "unité") &&
                       addPieces(s, table, scale) &&
                       s.check(NMR::lib3mf_model_querywriter(s.model, "3mf", &writer), s.model, "écriture") &&
                       s.keep(writer) && writeModel(s, writer, out);
  return written ? WriteResult{} : WriteResult{WriteProblem::OTHER, s.failure};
}

bool completeThreeMf(const OutputFile& written) {
  std::string tail(size_t(std::min<long long>(written.size, 4096)), '\0');
  const bool read = readOutput(written, written.size - (long long)tail.size(), tail.data(), tail.size()) ==
                    (long long)tail.size();
  const auto has = [&](const char* text) { return tail.find(text) != std::string::npos; };
  return read && tail.size() >= 22 && tail.compare(tail.size() - 22, 4, "PK\5\6") == 0 && has("3D/3dmodel.model") &&
         has("[Content_Types].xml") && has("_rels/.rels");
}
