#!/usr/bin/env python3
"""Writes the small seed corpora of the fuzz targets (run once; the files are committed)."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    # The high-score seeds serve the in-memory target and the through-the-file one alike.
    if target == "highscores":
        put("highscores_file", name, data)
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body + (b"\0" if len(body) % 2 else b"")


def wave(chunks, riff_size=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if riff_size is None else riff_size) + body


def fmt(channels=1, rate=22050, bits=8):
    align = channels * bits // 8
    return chunk(b"fmt ", struct.pack("<HHIIHH", 1, channels, rate, rate * align, align, bits))


def waves():
    put("wave", "pcm8_mono.wav", wave([fmt(), chunk(b"data", bytes(range(0, 256, 16)))]))
    put("wave", "pcm16_stereo.wav", wave([fmt(2, 44100, 16), chunk(b"data", b"\1\0\2\0" * 6)]))
    put("wave", "list_first_odd.wav",
        wave([chunk(b"LIST", b"INFOabc"), fmt(), chunk(b"data", b"\x80" * 7)]))
    put("wave", "data_before_fmt.wav", wave([chunk(b"data", b"\x80\x81"), fmt()]))
    put("wave", "riff_size_too_big.wav", wave([fmt(), chunk(b"data", b"\x80" * 4)], 0xFFFFFFF0))
    put("wave", "data_size_too_big.wav", wave([fmt()]) + b"data" + struct.pack("<I", 0x7FFFFFFF) + b"\x80")


def bmp(width, height, bits, pixels, palette=b"", compression=0, masks=b""):
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels),
                       2835, 2835, len(palette) // 4, 0)
    offset = 14 + len(info) + len(masks) + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return header + info + masks + palette + pixels


def os2_bmp(width, height, bits, pixels, palette=b""):
    """The old 12-byte header: 16-bit sizes and three-byte palette entries."""
    info = struct.pack("<IHHHH", 12, width, height, 1, bits)
    offset = 14 + len(info) + len(palette)
    header = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return header + info + palette + pixels


def bitmaps():
    grey = b"".join(bytes([i, i, i, 0]) for i in (0, 85, 170, 255))
    put("bmp", "bits1.bmp", bmp(3, 2, 1, b"\xA0\0\0\0\x40\0\0\0", grey[:8]))
    put("bmp", "bits4.bmp", bmp(3, 2, 4, b"\x01\x20\0\0\x32\x10\0\0", grey))
    put("bmp", "bits8.bmp", bmp(2, 2, 8, b"\x00\x03\0\0\x02\x01\0\0", grey))
    put("bmp", "bits24_topdown.bmp", bmp(2, -2, 24, b"\x1F\0\xF8\xFF\xFF\xFF\0\0" * 2))
    put("bmp", "bits16_bitfields.bmp",
        bmp(2, 2, 16, b"\x1F\xF8\xE0\x07" * 2, compression=3,
            masks=struct.pack("<III", 0xF800, 0x07E0, 0x001F)))
    put("bmp", "bits32.bmp", bmp(1, 2, 32, b"\x10\x20\x30\x00\x40\x50\x60\x00"))
    # Run-length rows, bottom first: stored indices (padded to even), a run cut at the row's
    # end, a move right, the ends of a row and of the picture.
    put("bmp", "rle8.bmp", bmp(5, 3, 8, bytes([0, 3, 2, 3, 1, 0, 9, 1, 0, 0, 0, 2, 2, 0, 2, 3, 0, 0,
                                                3, 1, 1, 2, 1, 3, 0, 1]), grey, compression=1))
    put("bmp", "rle4.bmp", bmp(5, 3, 4, bytes([0, 3, 0x23, 0x10, 9, 0x11, 0, 0, 0, 2, 2, 0, 2, 0x33, 0, 0,
                                                0, 5, 0x11, 0x12, 0x30, 0, 0, 1]), grey, compression=2))
    triples = b"".join(grey[i:i + 3] for i in range(0, len(grey), 4))
    put("bmp", "os2_bits8.bmp", os2_bmp(3, 2, 8, b"\x00\x01\x02\0\x03\x02\x01\0", triples))
    put("bmp", "os2_bits24.bmp", os2_bmp(2, 2, 24, b"\0\0\xFF\xFF\0\0\0\0\0\xFF\0\0\0\0\0\0"))


def records():
    rows = [("Kivo", 10000), ("Rusk", 10000), ("Ambo", 10000), ("Tesmira", 10000), ("Pelvard", 10000)]
    table = "".join(f"{n}\r\n{s}\r\n" for n, s in rows).encode()
    put("highscores", "default.dat", table)
    put("highscores", "bare_lf_signs.dat", b"Ona\n+900\nBee\n\n  -800\nCal\n0\nDov\n2147483647\nEli\n-2147483648\n")
    put("highscores", "long_names_bytes.dat",
        b"ABCDEFGHIJKLMNOP\r\n5\r\n\xC4rger\xE9\xFF\r\n4\r\n\r\n3\r\n a b \r\n2\r\nx\r1\r\n")
    put("highscores", "incomplete.dat", b"A\r\n5\r\nB\r\nfive\r\n")
    put("formations", "ten.dat", open(os.path.join(HERE, "..", "data", "qfel.dat"), "rb").read())
    put("formations", "odd_kinds.dat", b"0 1 2 3 4 -1\n99999999999 +2 3\n\t7\r\n")
    put("formations", "stops_early.dat", b"1 2 3 x 1 1\n")


if __name__ == "__main__":
    waves()
    bitmaps()
    records()
