#!/usr/bin/python3
# Writes sets of DXF drawings that reference each other into the folder given, for the tests
# of external references. Each drawing holds lines whose ends say where they must land.
import os
import sys

import ezdxf

ATTACH = 4 | 16   # an external reference (as the writer stores it: also dependent)
OVERLAY = 4 | 8 | 16


def drawing(units=None):
    doc = ezdxf.new("R2010")
    if units is not None:
        doc.header["$INSUNITS"] = units
    return doc


def save(doc, root, relative):
    path = os.path.join(root, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    doc.saveas(path)


def reference(doc, name, stored, flags=ATTACH, at=(0, 0), layer="0", scale=1.0, **insert):
    doc.add_xref_def(stored, name, flags=flags)
    attribs = {"layer": layer, "xscale": scale, "yscale": scale}
    attribs.update(insert)
    return doc.modelspace().add_blockref(name, at, dxfattribs=attribs)


def main(root):
    # A sheet beside its resources, named as Windows stores them: ..\Res\Grid Plan.dxf.
    grid = drawing()
    grid.layers.add("A-GRID", color=3)
    grid.modelspace().add_line((0, 0), (10, 0), dxfattribs={"layer": "A-GRID"})
    grid.modelspace().add_line((0, 0), (0, 10), dxfattribs={"layer": "0"})
    grid.styles.add("NOTES", font="romans.shx")
    grid.modelspace().add_text("GRID", dxfattribs={"layer": "A-GRID", "style": "NOTES"})
    save(grid, root, "project/Res/Grid Plan.dxf")
    wall = drawing()
    wall.modelspace().add_line((0, 0), (5, 5), dxfattribs={"layer": "WALLS"})
    save(wall, root, "project/Res/Wall Base.dxf")
    sheet = drawing()
    sheet.layers.add("TITLE", color=1)
    sheet.layers.add("PLANS")
    sheet.modelspace().add_line((-1, -1), (-2, -2), dxfattribs={"layer": "TITLE"})
    reference(sheet, "Grid Plan", "..\\Res\\Grid Plan.dxf", at=(100, 100), layer="PLANS")
    reference(sheet, "Wall Base", "..\\Res\\Wall Base.dxf", flags=OVERLAY, at=(200, 0))
    # 100 inserts of the same reference, and a second block naming the same file.
    for i in range(100):
        sheet.modelspace().add_blockref("Grid Plan", (1000 + 20 * i, 0))
    reference(sheet, "Grid Again", ".\\..\\Res/Grid Plan.dxf", at=(0, 500))
    save(sheet, root, "project/Sheets/A-01.dxf")

    # Nesting: the host attaches A; A attaches B (drawn) and overlays C (not drawn).
    for name, offset in (("B", 1), ("C", 2)):
        doc = drawing()
        doc.modelspace().add_line((0, 0), (offset, 0), dxfattribs={"layer": name + "-LINES"})
        save(doc, root, "nested/" + name + ".dxf")
    a = drawing()
    a.modelspace().add_line((0, 0), (0, 3), dxfattribs={"layer": "A-LINES"})
    reference(a, "B", "B.dxf", at=(50, 0))
    reference(a, "C", "C.dxf", flags=OVERLAY, at=(60, 0))
    save(a, root, "nested/A.dxf")
    host = drawing()
    reference(host, "A", "A.dxf", at=(1000, 0))
    save(host, root, "nested/host.dxf")

    # A name stored in other case than the file's (made on Windows).
    plan = drawing()
    plan.modelspace().add_line((0, 0), (7, 0))
    save(plan, root, "case/plans/site plan.dxf")
    host = drawing()
    reference(host, "SITE", "PLANS\\Site Plan.DXF", at=(10, 10))
    save(host, root, "case/host.dxf")

    # Units: a reference in millimetres inside a host in metres.
    mm = drawing(units=4)
    mm.modelspace().add_line((0, 0), (1000, 0))
    save(mm, root, "units/detail.dxf")
    host = drawing(units=6)
    reference(host, "DETAIL", "detail.dxf", at=(5, 5))
    # The reference's base point, in its own units: the middle of its line.
    host.blocks.get("DETAIL").block.dxf.base_point = (500, 0, 0)
    save(host, root, "units/host.dxf")

    # Cycles: one drawing referencing itself, and two referencing each other.
    me = drawing()
    me.modelspace().add_line((0, 0), (1, 1))
    reference(me, "ME", "self.dxf")
    save(me, root, "cycle/self.dxf")
    for this, other in (("left", "right"), ("right", "left")):
        doc = drawing()
        doc.modelspace().add_line((0, 0), (1, 0))
        reference(doc, other.upper(), other + ".dxf", at=(10, 0))
        save(doc, root, "cycle/" + this + ".dxf")

    # References that cannot be drawn: a missing file, and a name that is a FIFO (made by the
    # test beside the host).
    host = drawing()
    host.modelspace().add_line((0, 0), (1, 0))
    reference(host, "Grid Plan", "..\\Res\\Grid Plan.dwg")
    reference(host, "PIPE", "pipe.dwg", at=(5, 0))
    save(host, root, "missing/host.dxf")


if __name__ == "__main__":
    main(sys.argv[1])
