// The kinds' triangles for the checker, from the one geometry record of each
// kind that drawing, picking and the mesh export derive from, so that what
// is checked is what is shown.
#include "checks/kind_solids.h"

#include "pieces/kind_mesh.h"

std::vector<SolidTriangle> kindSolidTriangles(int kind) {
  const KindMesh& mesh = kindMesh(kind);
  std::vector<SolidTriangle> triangles;
  triangles.reserve(mesh.triangles.size());
  for (const MeshPart& part : mesh.parts) {
    const Matrix frame = partFrame(mesh, part);
    const float* m = frame.m;
    auto place = [m](const Point3& p) {
      const double x = p.x, y = p.y, z = p.z;
      return SolidCorner{m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                         m[2] * x + m[6] * y + m[10] * z + m[14]};
    };
    for (int i = 0; i < part.triangleCount; ++i) {
      const MeshTriangle& t = mesh.triangles[size_t(part.firstTriangle + i)];
      triangles.push_back({place(t[0]), place(t[1]), place(t[2])});
    }
  }
  return triangles;
}
