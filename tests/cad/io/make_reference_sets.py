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


def clip(doc, insert, boundary, inverse=(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0)):
    """Clips `insert` to `boundary` (two corners, or a polygon) as a CAD program's clip command
    leaves it: a SPATIAL_FILTER under ACAD_FILTER/SPATIAL in the insert's extension dictionary,
    with the inverse of the insert's transform (three rows of four). The filter is written as
    an XRECORD holding its groups and renamed once the file is saved."""
    xdict = insert.new_extension_dict()
    filters = xdict.dictionary.add_new_dict("ACAD_FILTER")
    record = filters.add_xrecord("SPATIAL")
    tags = [(70, len(boundary))]
    tags += [(10, (x, y)) for x, y in boundary]
    tags += [(210, (0, 0, 1)), (11, (0, 0, 0)), (71, 1), (72, 0), (73, 0)]
    tags += [(40, v) for v in inverse]
    tags += [(40, v) for v in (1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0)]
    record.reset(tags)
    return record.dxf.handle


def rename_filters(path, handles):
    """Turns the XRECORDs standing for spatial filters into SPATIAL_FILTER objects."""
    with open(path) as f:
        lines = f.read().split("\n")
    pairs = [(lines[i].strip(), lines[i + 1]) for i in range(0, len(lines) - 1, 2)]
    out = []
    k = 0
    while k < len(pairs):
        code, value = pairs[k]
        if code == "0" and value == "XRECORD" and k + 1 < len(pairs) and \
                pairs[k + 1][1] in handles:
            out.append(("0", "SPATIAL_FILTER"))
            k += 1
            while k < len(pairs) and pairs[k][0] != "0":
                code, value = pairs[k]
                if code == "100":
                    out += [("100", "AcDbFilter"), ("100", "AcDbSpatialFilter")]
                elif code != "280":
                    out.append((code, value))
                k += 1
            continue
        out.append((code, value))
        k += 1
    with open(path, "w") as f:
        f.write("\n".join(c + "\n" + v for c, v in out) + "\n")


def save_clipped(doc, root, relative, handles):
    save(doc, root, relative)
    rename_filters(os.path.join(root, relative), handles)


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
    # Its base point, in its own units: the middle of its line.
    mm.header["$INSBASE"] = (500, 0, 0)
    save(mm, root, "units/detail.dxf")
    host = drawing(units=6)
    reference(host, "DETAIL", "detail.dxf", at=(5, 5))
    save(host, root, "units/host.dxf")

    # A drawing whose INSBASE is away from its origin lands by that point; the host's block
    # keeps a base point of its own (stale), which the drawing's header overrides.
    based = drawing()
    based.header["$INSBASE"] = (100, 50, 0)
    based.modelspace().add_line((100, 50), (101, 50))
    save(based, root, "insbase/based.dxf")
    host = drawing()
    reference(host, "BASED", "based.dxf", at=(10, 10))
    host.blocks.get("BASED").block.dxf.base_point = (7, 7, 0)
    save(host, root, "insbase/host.dxf")

    # Clipped inserts. A block of two lines, a text wholly outside the clip and one crossing
    # it, clipped to x <= 5 of the block (the boundary stored where the insert stood, with the
    # inverse of its transform); an unclipped copy of it elsewhere.
    host = drawing()
    plan = host.blocks.new("PLAN")
    plan.add_line((0, 0), (10, 0))
    plan.add_line((0, 5), (10, 5))
    plan.add_text("OUT", dxfattribs={"insert": (8, 8), "height": 1})
    plan.add_text("CROSSING", dxfattribs={"insert": (3, 2), "height": 1})
    host.modelspace().add_line((0, 0), (1, 0))
    clipped = host.modelspace().add_blockref("PLAN", (100, 0))
    handles = [clip(host, clipped, [(100, -1), (105, 6)], inverse=(1, 0, 0, -100, 0, 1, 0, 0,
                                                                    0, 0, 1, 0))]
    host.modelspace().add_blockref("PLAN", (0, 100))
    save_clipped(host, root, "clip/host.dxf", handles)
    # A reference clipped by a triangle x + y <= 5.
    detail = drawing()
    detail.modelspace().add_line((0, 0), (10, 0))
    detail.modelspace().add_line((0, 0), (0, 10))
    save(detail, root, "clip/detail.dxf")
    host = drawing()
    ref = reference(host, "DETAIL", "detail.dxf")
    handles = [clip(host, ref, [(-1, -1), (6, -1), (-1, 6)])]
    save_clipped(host, root, "clip/reference.dxf", handles)
    # A red square filled solid, clipped to its left half, under a green line along its width.
    host = drawing()
    square = host.blocks.new("SQUARE")
    fill = square.add_hatch(color=1)
    fill.paths.add_polyline_path([(0, 0), (10, 0), (10, 10), (0, 10)], is_closed=True)
    square.add_text("XXXX", dxfattribs={"insert": (3, 7), "height": 2})
    host.modelspace().add_line((0, -2), (10, -2), dxfattribs={"color": 3})
    ref = host.modelspace().add_blockref("SQUARE", (0, 0))
    handles = [clip(host, ref, [(0, 0), (5, 10)])]
    save_clipped(host, root, "clip/picture.dxf", handles)

    # A chain of references, each drawing a line and referencing the next 10 units along: more
    # links than references may nest.
    links = 18
    for i in range(links):
        doc = drawing()
        doc.modelspace().add_line((0, 0), (1, 0))
        if i + 1 < links:
            reference(doc, "LINK%d" % (i + 1), "c%d.dxf" % (i + 1), at=(10, 0))
        save(doc, root, "chain/c%d.dxf" % i)

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
