#!/usr/bin/env python3
"""Writes the small .ico files the catalogue tests load. Each image is one solid colour, so a test
can tell by drawing the icon which image of the file was picked."""
import struct


def dib(size, bits, rgb):
    """A BITMAPINFOHEADER image (height doubled for the AND mask) of one colour."""
    r, g, b = rgb
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    if bits == 32:
        row = bytes([b, g, r, 255]) * size
        palette = b''
    elif bits == 8:
        palette = bytes([b, g, r, 0]) + bytes(4 * 255)
        row = bytes(size)
    elif bits == 4:
        palette = bytes([b, g, r, 0]) + bytes(4 * 15)
        row = bytes((size + 1) // 2)
    else:
        raise ValueError(bits)
    stride = (len(row) + 3) & ~3
    pixels = (row + bytes(stride - len(row))) * size
    mask_stride = ((size + 31) // 32) * 4
    mask = bytes(mask_stride * size)
    return header + palette + pixels + mask


def ico(path, images):
    entries = b''
    data = b''
    offset = 6 + 16 * len(images)
    for size, bits, rgb in images:
        blob = dib(size, bits, rgb)
        entries += struct.pack('<BBBBHHII', size % 256, size % 256, 16 if bits == 4 else 0, 0, 1, bits,
                               len(blob), offset + len(data))
        data += blob
    with open(path, 'wb') as f:
        f.write(struct.pack('<HHH', 0, 1, len(images)) + entries + data)


RED, GREEN, BLUE = (255, 0, 0), (0, 255, 0), (0, 0, 255)
ico('red.ico', [(16, 32, RED), (32, 32, RED)])
ico('blue.ico', [(16, 32, BLUE), (32, 32, BLUE)])
# The 8-bit image is the one to pick at 32 pixels: the deepest image of at most 256 colours.
ico('depths.ico', [(32, 4, BLUE), (32, 8, GREEN), (32, 32, RED), (16, 32, RED)])
