#!/usr/bin/env python3
"""Rewrites 24-bit BMP pictures as 16-bit RGB565 ones for the browser game's download.

Usage: bmp565.py SOURCE_FOLDER TARGET_FOLDER
The game keeps the top bits of each channel of a 24-bit picture, and widens a 16-bit one's
channels back to 8 bits, whose top bits are the same; so both files give the same game pixels,
and the 16-bit one is half the bytes for the page to unpack and the game to read.
Pictures of other depths are copied as they are.
"""
import os
import shutil
import struct
import sys


def convert(data):
    offset, = struct.unpack_from('<I', data, 10)
    width, height, planes, bits, compression = struct.unpack_from('<iiHHI', data, 18)
    if bits != 24 or compression != 0 or width <= 0 or height == 0:
        return None
    rows = abs(height)
    source_stride = (width * 3 + 3) & ~3
    target_stride = (width * 2 + 3) & ~3
    pixels = bytearray(target_stride * rows)
    high_of_red = bytes(v & 0xF8 for v in range(256))
    high_of_green = bytes(v >> 5 for v in range(256))
    low_of_green = bytes(((v >> 2) & 7) << 5 for v in range(256))
    low_of_blue = bytes(v >> 3 for v in range(256))
    for y in range(rows):
        row = data[offset + y * source_stride:][:width * 3]
        blue, green, red = row[0::3], row[1::3], row[2::3]
        # The two parts of each byte have no bit in common, so adding them as numbers joins them.
        low = (int.from_bytes(green.translate(low_of_green), 'big') +
               int.from_bytes(blue.translate(low_of_blue), 'big')).to_bytes(width, 'big')
        high = (int.from_bytes(red.translate(high_of_red), 'big') +
                int.from_bytes(green.translate(high_of_green), 'big')).to_bytes(width, 'big')
        at = y * target_stride
        pixels[at:at + width * 2:2] = low
        pixels[at + 1:at + width * 2:2] = high
    header_size = 14 + 40 + 12
    header = struct.pack('<2sIHHI', b'BM', header_size + len(pixels), 0, 0, header_size)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 16, 3, len(pixels), 2835, 2835, 0, 0)
    masks = struct.pack('<III', 0xF800, 0x07E0, 0x001F)
    return header + info + masks + bytes(pixels)


def main():
    source, target = sys.argv[1], sys.argv[2]
    os.makedirs(target, exist_ok=True)
    for name in sorted(os.listdir(source)):
        data = open(os.path.join(source, name), 'rb').read()
        converted = convert(data) if name.lower().endswith('.bmp') else None
        if converted is None:
            shutil.copy(os.path.join(source, name), os.path.join(target, name))
        else:
            open(os.path.join(target, name), 'wb').write(converted)


if __name__ == '__main__':
    main()
