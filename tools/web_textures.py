#!/usr/bin/env python3
"""Writes a 24-bit BMP texture again as an 8-bit palettised BMP, for the web page's download.

    python3 web_textures.py [--half-height] SOURCE.bmp TARGET.bmp

The program's own BMP loader reads palettised files, and the textures hold few hues, so 256
colours chosen by median cut keep every pixel within a few levels of its source (the floor's
exactly) at a third of the bytes. --half-height also averages each pair of rows into one: the
limb's texture is squeezed most along them on screen, so the picture loses least there (the
browser test's pictures still match the desktop's). Only Python's standard library: the web
build runs wherever Emscripten, which needs Python, does.
"""
import struct
import sys

PALETTE_SIZE = 256


def read_bmp24(path):
    data = open(path, 'rb').read()
    if data[:2] != b'BM':
        sys.exit(f'{path}: not a BMP file')
    offset, = struct.unpack_from('<I', data, 10)
    header_size, width, height, planes, bits, compression = struct.unpack_from('<IiiHHI', data, 14)
    if header_size < 40 or bits != 24 or compression != 0 or width <= 0 or height == 0:
        sys.exit(f'{path}: not an uncompressed 24-bit BMP')
    rows = abs(height)
    stride = (width * 3 + 3) // 4 * 4
    pixels = []  # (blue, green, red) in the file's row order
    for row in range(rows):
        start = offset + row * stride
        line = data[start:start + width * 3]
        pixels.extend(zip(line[0::3], line[1::3], line[2::3]))
    return width, height, pixels


def half_height(width, height, pixels):
    """Each pair of rows averaged into one (rounded), so the texture keeps a power-of-two size."""
    rows = abs(height)
    halved = []
    for row in range(0, rows - 1, 2):
        lower = pixels[row * width:(row + 1) * width]
        upper = pixels[(row + 1) * width:(row + 2) * width]
        halved.extend(tuple((a + b + 1) // 2 for a, b in zip(p, q)) for p, q in zip(lower, upper))
    return width, (rows // 2) * (1 if height > 0 else -1), halved


def median_cut(counts):
    """Splits the colours (a dict colour -> count) into at most PALETTE_SIZE boxes, each time the
    box whose widest channel spreads furthest, weighted by its pixels, at its weighted median."""
    boxes = [list(counts)]

    def spread(box):
        widest = max(max(c[k] for c in box) - min(c[k] for c in box) for k in range(3))
        return widest * sum(counts[c] for c in box) if len(box) > 1 else -1

    spreads = [spread(boxes[0])]
    while len(boxes) < PALETTE_SIZE:
        index = max(range(len(boxes)), key=lambda i: spreads[i])
        if spreads[index] <= 0:
            break
        box = boxes[index]
        channel = max(range(3), key=lambda k: max(c[k] for c in box) - min(c[k] for c in box))
        box.sort(key=lambda c: c[channel])
        half = sum(counts[c] for c in box) / 2
        seen = 0
        for cut, colour in enumerate(box):
            seen += counts[colour]
            if seen >= half:
                break
        cut = min(max(cut + 1, 1), len(box) - 1)
        boxes[index:index + 1] = [box[:cut], box[cut:]]
        spreads[index:index + 1] = [spread(box[:cut]), spread(box[cut:])]
    return boxes


def palettise(pixels):
    counts = {}
    for colour in pixels:
        counts[colour] = counts.get(colour, 0) + 1
    palette, index_of = [], {}
    for box in median_cut(counts):
        total = sum(counts[c] for c in box)
        mean = tuple(round(sum(c[k] * counts[c] for c in box) / total) for k in range(3))
        for colour in box:
            index_of[colour] = len(palette)
        palette.append(mean)
    # Each colour to the nearest palette entry, which its own box's mean need not be.
    nearest = {}
    for colour in counts:
        best = index_of[colour]
        best_distance = sum((a - b) ** 2 for a, b in zip(colour, palette[best]))
        if best_distance > 0:
            for i, entry in enumerate(palette):
                distance = sum((a - b) ** 2 for a, b in zip(colour, entry))
                if distance < best_distance:
                    best, best_distance = i, distance
        nearest[colour] = best
    return palette, [nearest[c] for c in pixels]


def write_bmp8(path, width, height, palette, indices):
    stride = (width + 3) // 4 * 4
    rows = abs(height)
    image = bytearray()
    for row in range(rows):
        line = bytes(indices[row * width:(row + 1) * width])
        image += line + bytes(stride - width)
    colours = bytearray()
    for blue, green, red in palette:
        colours += bytes((blue, green, red, 0))
    offset = 14 + 40 + len(colours)
    header = struct.pack('<2sIHHI', b'BM', offset + len(image), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(image), 2835, 2835,
                       len(palette), len(palette))
    with open(path, 'wb') as out:
        out.write(header + info + colours + image)


def main():
    args = sys.argv[1:]
    halve = args[:1] == ['--half-height']
    if halve:
        args = args[1:]
    if len(args) != 2:
        sys.exit('usage: web_textures.py [--half-height] SOURCE.bmp TARGET.bmp')
    width, height, pixels = read_bmp24(args[0])
    if halve:
        width, height, pixels = half_height(width, height, pixels)
    palette, indices = palettise(pixels)
    write_bmp8(args[1], width, height, palette, indices)


if __name__ == '__main__':
    main()
