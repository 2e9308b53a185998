#!/usr/bin/env python3
"""Makes a contact sheet of the show: frames captured with demo-capture at
chosen demo times, shrunk to half size and laid out in a grid, written as a
PNG. Run from the folder that holds data/.

    scripts/contact-sheet.py BUILD_DIR OUT.png [MS ...]
"""
import os
import struct
import subprocess
import sys
import tempfile
import zlib

TIMES = [20000, 46000, 53000, 64000, 75000, 100000, 125000, 150000,
         170000, 177000, 195000, 215000, 236000, 242000, 245500, 249000]
COLUMNS = 4


def frame_rgb(path):
    data = open(path, 'rb').read()
    pixels = struct.unpack('<76800H', data)
    rows = []
    for y in range(0, 240, 2):
        row = bytearray()
        for x in range(0, 320, 2):
            p = pixels[y * 320 + x]
            r, g, b = p >> 11, (p >> 5) & 63, p & 31
            row += bytes(((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2)))
        rows.append(row)
    return rows


def write_png(path, width, height, rows):
    raw = b''.join(b'\x00' + bytes(r) for r in rows)

    def chunk(kind, body):
        return (struct.pack('>I', len(body)) + kind + body +
                struct.pack('>I', zlib.crc32(kind + body) & 0xFFFFFFFF))

    with open(path, 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n')
        f.write(chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b'IDAT', zlib.compress(raw, 9)))
        f.write(chunk(b'IEND', b''))


def main():
    build, out = sys.argv[1], sys.argv[2]
    times = [int(t) for t in sys.argv[3:]] or TIMES
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([os.path.join(build, 'demo-capture'), '--raw', '--out', tmp,
                        '--until', str(max(times)), '--at', ','.join(map(str, times))],
                       check=True, stderr=subprocess.DEVNULL)
        frames = [frame_rgb(os.path.join(tmp, 'frame-%d.rgb565' % t)) for t in times]
    rows_of_frames = (len(frames) + COLUMNS - 1) // COLUMNS
    gap = 2
    width = COLUMNS * 160 + (COLUMNS - 1) * gap
    height = rows_of_frames * 120 + (rows_of_frames - 1) * gap
    sheet = [bytearray(b'\x20' * (width * 3)) for _ in range(height)]
    for n, frame in enumerate(frames):
        left = (n % COLUMNS) * (160 + gap) * 3
        top = (n // COLUMNS) * (120 + gap)
        for y, row in enumerate(frame):
            sheet[top + y][left:left + 480] = row
    write_png(out, width, height, sheet)


if __name__ == '__main__':
    main()
