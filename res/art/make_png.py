#!/usr/bin/env python3
"""Turn the pixel grids in this folder (*.txt) into PNG files under res/.

Each grid file holds:
    out   <path relative to res/>      e.g. bitmaps/130.png
    size  <width> <height>             checked against the grid
    mode  rgb | rgba
    color <char> <RRGGBB or RRGGBBAA>  one line per character used;
                                       anything after the colour is a note
    grid                               followed by one line per pixel row;
                                       a blank line ends the block
Several grid blocks are placed side by side (used for image strips).
Lines starting with '#' outside a grid are comments.

Usage (from the repository root):  python3 res/art/make_png.py
Output is deterministic: the same grids always give the same bytes.
"""
import os
import struct
import sys
import zlib

ART = os.path.dirname(os.path.abspath(__file__))
RES = os.path.dirname(ART)


def load(path):
    pic = {"colors": {}, "blocks": []}
    block = None
    with open(path, encoding="ascii") as f:
        for n, line in enumerate(f.read().splitlines(), 1):
            if block is not None:
                if line.strip():
                    block.append(line.strip())
                    continue
                block = None
                continue
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            key, *args = line.split()
            if key == "out":
                pic["out"] = args[0]
            elif key == "size":
                pic["size"] = (int(args[0]), int(args[1]))
            elif key == "mode":
                pic["mode"] = args[0]
            elif key == "color":
                pic["colors"][args[0]] = bytes.fromhex(args[1])
            elif key == "grid":
                block = []
                pic["blocks"].append(block)
            else:
                sys.exit(f"{path}:{n}: unknown keyword '{key}'")
    return pic


def pixels(pic, path):
    blocks = pic["blocks"]
    height = len(blocks[0])
    if any(len(b) != height for b in blocks):
        sys.exit(f"{path}: grid blocks differ in height")
    rows = ["".join(b[y] for b in blocks) for y in range(height)]
    if any(len(r) != len(rows[0]) for r in rows):
        sys.exit(f"{path}: rows differ in width")
    if (len(rows[0]), height) != pic["size"]:
        sys.exit(f"{path}: grid is {len(rows[0])}x{height}, expected {pic['size']}")
    depth = 4 if pic["mode"] == "rgba" else 3
    out = []
    for y, row in enumerate(rows):
        line = bytearray()
        for x, ch in enumerate(row):
            if ch not in pic["colors"]:
                sys.exit(f"{path}: no color for '{ch}' at {x},{y}")
            c = pic["colors"][ch]
            line += c[:depth] if len(c) >= depth else c + b"\xff"
        out.append(bytes(line))
    return out


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def png(width, height, rows, rgba):
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if rgba else 2, 0, 0, 0)
    raw = b"".join(b"\x00" + r for r in rows)  # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    for name in sorted(os.listdir(ART)):
        if not name.endswith(".txt"):
            continue
        path = os.path.join(ART, name)
        pic = load(path)
        rows = pixels(pic, path)
        w, h = pic["size"]
        target = os.path.join(RES, pic["out"])
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as f:
            f.write(png(w, h, rows, pic["mode"] == "rgba"))
        print(f"{name} -> res/{pic['out']} ({w}x{h} {pic['mode']})")


if __name__ == "__main__":
    main()
