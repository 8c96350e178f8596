#!/usr/bin/python3
"""A 3MF reader of the tests' own, independent of the libraries that write
the file: its build's triangles placed through every component's transform,
their bounds, the colours of the base materials its meshes take, and the
objects' names, the build's items and the meshes they place. Prints them as
'triangles N', 'low X Y Z', 'high X Y Z', 'colour RRGGBB', 'name TEXT',
'items N' and 'components N' lines."""
import sys
import zipfile
import xml.etree.ElementTree as ElementTree

CORE = "{http://schemas.microsoft.com/3dmanufacturing/core/2015/02}"


def matrix(text):
    if not text:
        return [[1, 0, 0, 0], [0, 1, 0, 0], [0, 0, 1, 0]]
    v = [float(x) for x in text.split()]
    # the format's rows are the images of the axes, then the translation
    return [[v[0], v[3], v[6], v[9]], [v[1], v[4], v[7], v[10]], [v[2], v[5], v[8], v[11]]]


def compose(a, b):
    return [[sum(a[r][k] * b[k][c] for k in range(3)) + (a[r][3] if c == 3 else 0) for c in range(4)] for r in range(3)]


def main(path):
    with zipfile.ZipFile(path) as archive:
        model_name = next(n for n in archive.namelist() if n.lower() == "3d/3dmodel.model")
        root = ElementTree.fromstring(archive.read(model_name))
    objects = {o.get("id"): o for o in root.iter(CORE + "object")}
    colours = {}
    for group in root.iter(CORE + "basematerials"):
        for index, base in enumerate(group.iter(CORE + "base")):
            colours[(group.get("id"), str(index))] = base.get("displaycolor")[1:7]
    triangles, low, high, used, placed = 0, [1e30] * 3, [-1e30] * 3, set(), 0

    def place(object_id, transform):
        nonlocal triangles, placed
        obj = objects[object_id]
        mesh = obj.find(CORE + "mesh")
        for component in obj.iter(CORE + "component"):
            place(component.get("objectid"), compose(transform, matrix(component.get("transform"))))
        if mesh is None:
            return
        placed += 1
        used.add(colours.get((obj.get("pid"), obj.get("pindex", "0")), "none"))
        corners = [[float(v.get(a)) for a in "xyz"] for v in mesh.iter(CORE + "vertex")]
        points = [[sum(transform[r][k] * p[k] for k in range(3)) + transform[r][3] for r in range(3)] for p in corners]
        referenced = set()
        for t in mesh.iter(CORE + "triangle"):
            triangles += 1
            referenced.update(int(t.get(k)) for k in ("v1", "v2", "v3"))
        for i in referenced:
            for a in range(3):
                low[a], high[a] = min(low[a], points[i][a]), max(high[a], points[i][a])

    items = list(root.iter(CORE + "item"))
    for item in items:
        place(item.get("objectid"), matrix(item.get("transform")))
    print("triangles", triangles)
    print("low", *low)
    print("high", *high)
    print("items", len(items))
    print("components", placed)
    for colour in sorted(used):
        print("colour", colour)
    for obj in objects.values():
        if obj.get("name"):
            print("name", obj.get("name"))


main(sys.argv[1])
