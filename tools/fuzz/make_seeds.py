#!/usr/bin/env python3
"""Writes the small seed files under corpus/ that `make fuzz` starts from.

The seeds are committed; run this only to change them. Pictures are PNGs of
every colour type, bit depth and interlace the decoder handles, plus the two
sizes the show checks for; meshes are tiny ASE files in the layout the
loader reads, one of them deliberately broken.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def chunk(kind, body):
    data = kind + body
    return struct.pack(">I", len(body)) + data + struct.pack(">I", zlib.crc32(data))


def png(width, height, colour_type, depth, rows, palette=None, interlace=0):
    """rows: raw scanline bytes without filter bytes, one bytes object per row
    (for interlaced pictures: the already separated passes, in order)."""
    header = struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, interlace)
    raw = b"".join(b"\x00" + row for row in rows)
    out = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
    if palette:
        out += chunk(b"PLTE", palette)
    out += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    return out


def write(target, name, data):
    with open(os.path.join(HERE, "corpus", target, name), "wb") as f:
        f.write(data)


def pictures():
    write("picture", "rgb-1x1.png", png(1, 1, 2, 8, [bytes([255, 0, 255])]))
    write("picture", "grey-3x2.png", png(3, 2, 0, 8, [bytes([0, 100, 200]), bytes([7, 8, 255])]))
    write("picture", "grey16-2x2.png",
          png(2, 2, 0, 16, [bytes([1, 2, 250, 251]), bytes([0, 0, 255, 255])]))
    palette = bytes([0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255])
    write("picture", "palette-4x4.png",
          png(4, 4, 3, 2, [bytes([0b00011011])] * 4, palette=palette))
    write("picture", "rgba-2x2.png",
          png(2, 2, 6, 8, [bytes([255, 0, 0, 0, 0, 255, 0, 128])] * 2))
    write("picture", "greyalpha-2x1.png", png(2, 1, 4, 8, [bytes([200, 255, 10, 0])]))
    # Adam7 passes of a 2x2 RGB picture: pass 1 (1x1), pass 6 (1x1), pass 7 (2x1).
    passes = [bytes([10, 20, 30]), bytes([40, 50, 60]), bytes([70, 80, 90, 100, 110, 120])]
    write("picture", "interlaced-2x2.png", png(2, 2, 2, 8, passes, interlace=1))
    # The sizes the show relies on: a background and a 128-wide mask.
    write("picture", "background-320x240.png",
          png(320, 240, 2, 8, [bytes([30, 60, 90]) * 320] * 240))
    write("picture", "mask-128x128.png", png(128, 128, 0, 8, [bytes(range(128))] * 128))


ASE_HEADER = """*3DSMAX_ASCIIEXPORT\t200
*COMMENT "seed"
*GEOMOBJECT {
\t*NODE_NAME "seed"
\t*MESH {
"""


def tetrahedron():
    vertices = [(0, 0, 40), (40, 0, -20), (-40, 0, -20), (0, 40, 0)]
    faces = [(0, 1, 2, 0), (0, 3, 1, 1), (1, 3, 2, 0), (2, 3, 0, 1)]
    tverts = [(0.0, 1.0), (1.0, 0.0), (0.5, 0.5), (0.25, 0.75)]
    text = ASE_HEADER
    text += "\t\t*MESH_NUMVERTEX %d\n\t\t*MESH_NUMFACES %d\n" % (len(vertices), len(faces))
    text += "\t\t*MESH_VERTEX_LIST {\n"
    for i, (x, y, z) in enumerate(vertices):
        text += "\t\t\t*MESH_VERTEX %4d\t%.4f\t%.4f\t%.4f\n" % (i, x, y, z)
    text += "\t\t}\n\t\t*MESH_FACE_LIST {\n"
    for i, (a, b, c, m) in enumerate(faces):
        text += ("\t\t\t*MESH_FACE %4d:    A: %4d B: %4d C: %4d AB:    1 BC:    1 CA:    0"
                 "\t *MESH_SMOOTHING 1 \t*MESH_MTLID %d\n" % (i, a, b, c, m))
    text += "\t\t}\n\t\t*MESH_NUMTVERTEX %d\n\t\t*MESH_TVERTLIST {\n" % len(tverts)
    for i, (u, v) in enumerate(tverts):
        text += "\t\t\t*MESH_TVERT %d\t%.4f\t%.4f\t0.0000\n" % (i, u, v)
    text += "\t\t}\n\t\t*MESH_NUMTVFACES %d\n\t\t*MESH_TFACELIST {\n" % len(faces)
    for i, (a, b, c, _) in enumerate(faces):
        text += "\t\t\t*MESH_TFACE %d\t%d\t%d\t%d\n" % (i, a, b, c)
    text += "\t\t}\n\t\t*MESH_NORMALS {\n"
    for i, (a, b, c, _) in enumerate(faces):
        text += "\t\t\t*MESH_FACENORMAL %d\t0.0000\t0.0000\t1.0000\n" % i
        for v in (a, b, c):
            text += "\t\t\t\t*MESH_VERTEXNORMAL %d\t0.5774\t-0.5774\t0.5774\n" % v
    text += "\t\t}\n\t}\n}\n"
    return text


def meshes():
    write("ase", "tetrahedron.ase", tetrahedron().encode())
    broken = (
        "*MESH_VERTEX 0 1e39 -1e39 nan\n"
        "*MESH_VERTEX\n"
        "*MESH_FACE 0: A: -5 B: 99999 C: 2147483647 AB: 1 BC: 1 CA: 1 *MESH_SMOOTHING 1 "
        "*MESH_MTLID 1\n"
        "*MESH_FACE 1: A: 0 B: 0\n"
        "*MESH_TVERT 0 inf -inf\n"
        "*MESH_TFACE 0 -1 7 3\n"
        "*MESH_VERTEXNORMAL 2147483647 1 1 1\n"
        "*MESH_VERTEXNORMAL -3 1 1 1\n"
        "*MESH_VERTEXNORMAL x\n" + "*MESH_VERTEXX" * 12 + "\n"
    )
    write("ase", "broken-records.ase", broken.encode())


def music():
    """Header: dataOffset, length class (0 as is, 1 area size - k, 2 area size + k), k."""
    ogg_start = b"OggS\x00\x02" + bytes(20) + b"\x01vorbis"

    def seed(name, offset, length_class, k, body):
        write("music", name, struct.pack("<IBH", offset, length_class, k) + body)

    seed("small.bin", 0x700000, 0, 0, ogg_start)
    seed("empty.bin", 0x700000, 0, 0, b"")
    seed("fills-the-area.bin", 0x700000, 1, 0, ogg_start)
    seed("one-byte-too-long.bin", 0x700000, 2, 1, ogg_start)
    seed("partial-last-chunk.bin", 0x700000, 1, 12345, ogg_start)
    seed("offset-at-the-end.bin", 0xF7FFFF, 0, 0, b"xy")
    seed("offset-outside-the-area.bin", 0x200000, 0, 0, ogg_start)


if __name__ == "__main__":
    pictures()
    meshes()
    music()
