#!/usr/bin/env python3
"""Draws the page image of the bundled sample export (examples/hero.png).

The atlas (examples/hero.atlas) is the source of the layout: every region is drawn into its
bounds, and a region marked "rotate: 90" is stored turned a quarter turn counter-clockwise, the
way the runtimes read it back (the image's top edge runs up the left side of its page area).
Only the Python standard library is used; the output is byte-for-byte reproducible.

Usage: scripts/make-sample.py [--atlas examples/hero.atlas] [--output examples/hero.png]
"""

import argparse
import math
import pathlib
import struct
import zlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
SUBSAMPLES = 4  # per axis, for smooth edges
OUTLINE = 1.6   # outline width in pixels

SKIN = ((247, 201, 160), (150, 95, 60))
HAIR = ((92, 56, 30), (52, 30, 14))
SHIRT = ((66, 133, 244), (28, 66, 150))
SLEEVE = ((96, 164, 250), (28, 66, 150))
BELT = ((122, 82, 40), (64, 40, 16))
BADGE = ((252, 212, 64), (170, 120, 20))
TROUSERS = ((58, 58, 104), (26, 26, 56))
SHOE = ((112, 62, 30), (60, 30, 10))
WHITE = ((255, 255, 255), (60, 60, 70))
DARK = ((32, 32, 44), (32, 32, 44))
MOUTH = ((186, 62, 62), (120, 30, 30))


# ----- signed distances (negative inside), in image pixels with y down -----

def rounded_box(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def distance(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return distance


def ellipse(cx, cy, rx, ry):
    def distance(x, y):
        return (math.hypot((x - cx) / rx, (y - cy) / ry) - 1.0) * min(rx, ry)
    return distance


def within(shape, clip):
    return lambda x, y: max(shape(x, y), clip(x, y))


# ----- the parts: layers of (shape, (fill, outline)) painted in order -----

def head_layers():
    return [
        (ellipse(29, 34, 24, 24), SKIN),                    # face
        # Hair over the top and the back of the head (the figure faces right).
        (within(ellipse(29, 33, 26, 27), lambda x, y: min(y - 19, max(x - 17, y - 42))), HAIR),
        (ellipse(24, 36, 4.5, 6), SKIN),                    # ear
        (ellipse(51, 38, 4, 4), SKIN),                      # nose
        (ellipse(41, 31, 5, 5.5), WHITE),                   # eye
        (ellipse(43, 31.5, 2.2, 2.6), DARK),                # pupil, looking ahead
        (rounded_box(37, 45, 47, 49, 2), MOUTH),
    ]


def torso_layers():
    return [
        (rounded_box(1, 1, 47, 67, 10), SHIRT),
        (within(rounded_box(1, 1, 47, 67, 10), lambda x, y: 55 - y), BELT),
        (ellipse(31, 24, 5.5, 5.5), BADGE),
    ]


def pelvis_layers():
    return [(rounded_box(1, 1, 43, 25, 8), TROUSERS)]


def arm_layers():
    return [
        (rounded_box(1, 1, 15, 46, 6), SLEEVE),
        (ellipse(8, 51, 7, 7.5), SKIN),                     # hand
    ]


def leg_layers():
    return [
        (rounded_box(1, 1, 19, 60, 6), TROUSERS),
        (rounded_box(1, 56, 20, 69, 5), SHOE),              # toe forward, to the right
    ]


PARTS = {
    "head": head_layers,
    "torso": torso_layers,
    "pelvis": pelvis_layers,
    "arm": arm_layers,
    "leg": leg_layers,
}


def layer_colour(layers, x, y):
    """Straight RGBA of the topmost layer covering (x, y), or None."""
    colour = None
    for shape, (fill, outline) in layers:
        distance = shape(x, y)
        if distance < 0:
            colour = outline if distance > -OUTLINE else fill
    return colour


def render_part(layers, width, height):
    """width x height straight-alpha RGBA pixels, rows top to bottom."""
    pixels = []
    samples = SUBSAMPLES * SUBSAMPLES
    for py in range(height):
        row = []
        for px in range(width):
            red = green = blue = covered = 0
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    colour = layer_colour(layers, px + (sx + 0.5) / SUBSAMPLES, py + (sy + 0.5) / SUBSAMPLES)
                    if colour:
                        red, green, blue, covered = red + colour[0], green + colour[1], blue + colour[2], covered + 1
            if covered:
                row.append((round(red / covered), round(green / covered), round(blue / covered),
                            round(255 * covered / samples)))
            else:
                row.append((0, 0, 0, 0))
        pixels.append(row)
    return pixels


# ----- atlas and page -----

def read_atlas(path):
    """Page size and regions (name, x, y, width, height, rotated) of a one-page atlas."""
    size, regions, region = None, [], None
    for line in path.read_text(encoding="utf-8").splitlines()[1:]:
        key, colon, value = (part.strip() for part in line.partition(":"))
        if not colon:
            region = {"name": key, "rotate": False}
            regions.append(region)
        elif region is None and key == "size":
            size = tuple(int(v) for v in value.split(","))
        elif region is not None and key == "bounds":
            region["bounds"] = tuple(int(v) for v in value.split(","))
        elif region is not None and key == "rotate":
            region["rotate"] = value in ("90", "true")
    return size, regions


def place(page, part, x, y, rotated):
    height, width = len(part), len(part[0])
    for iy in range(height):
        for ix in range(width):
            # A quarter turn counter-clockwise: image top-left lands at the area's bottom-left.
            px, py = (x + iy, y + width - 1 - ix) if rotated else (x + ix, y + iy)
            page[py][px] = part[iy][ix]


def png_bytes(page):
    width, height = len(page[0]), len(page)
    raw = bytearray()
    for row in page:
        raw.append(0)  # no filter
        for pixel in row:
            raw.extend(pixel)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--atlas", type=pathlib.Path, default=ROOT / "examples" / "hero.atlas")
    parser.add_argument("--output", type=pathlib.Path, default=ROOT / "examples" / "hero.png")
    arguments = parser.parse_args()

    (page_width, page_height), regions = read_atlas(arguments.atlas)
    page = [[(0, 0, 0, 0)] * page_width for _ in range(page_height)]
    for region in regions:
        x, y, width, height = region["bounds"]
        place(page, render_part(PARTS[region["name"]](), width, height), x, y, region["rotate"])
    arguments.output.write_bytes(png_bytes(page))
    print(f"wrote {arguments.output} ({page_width}x{page_height}, {len(regions)} regions)")


if __name__ == "__main__":
    main()
