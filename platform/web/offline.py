#!/usr/bin/env python3
"""Finishes the browser game's folder: the service worker, naming every file of the page and a
version made of their contents, and the zip for game portals (index.html at its root).

Usage: offline.py SW_TEMPLATE DIST ZIP
"""
import hashlib
import json
import os
import struct
import sys
import zipfile
import zlib


def squeeze_png(path):
    """Packs a PNG's pixels with the best deflate: the icon generator writes them unpacked."""
    data = open(path, 'rb').read()
    at, chunks, pixels = 8, [], b''
    while at + 8 <= len(data):
        length, kind = struct.unpack_from('>I4s', data, at)
        body = data[at + 8:at + 8 + length]
        if kind == b'IDAT':
            pixels += body
        else:
            chunks.append((kind, body))
        at += 12 + length
    packed = zlib.compress(zlib.decompress(pixels), 9)
    if len(packed) >= len(pixels):
        return

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
    out = data[:8] + chunk(*chunks[0]) + chunk(b'IDAT', packed) + b''.join(chunk(k, b) for k, b in chunks[1:])
    with open(path, 'wb') as f:
        f.write(out)


def main():
    template, dist, zip_path = sys.argv[1:4]
    for name in os.listdir(dist):
        if name.endswith('.png'):
            squeeze_png(os.path.join(dist, name))
    files = sorted(name for name in os.listdir(dist) if name != 'sw.js' and os.path.isfile(os.path.join(dist, name)))
    digest = hashlib.sha256()
    for name in files:
        digest.update(name.encode() + b'\0' + open(os.path.join(dist, name), 'rb').read())
    version = digest.hexdigest()[:16]
    # The folder itself is the page: it is asked for as ./ when the game starts from a home screen.
    text = open(template).read().replace('@VERSION@', version).replace('@FILES@', json.dumps(['./'] + files))
    with open(os.path.join(dist, 'sw.js'), 'w') as out:
        out.write(text)
    with zipfile.ZipFile(zip_path + '.tmp', 'w', zipfile.ZIP_DEFLATED) as archive:
        for name in files + ['sw.js']:
            info = zipfile.ZipInfo(name, date_time=(1980, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            archive.writestr(info, open(os.path.join(dist, name), 'rb').read())
    os.replace(zip_path + '.tmp', zip_path)
    print(f'offline copy {version}: {len(files) + 1} files; {zip_path}')


if __name__ == '__main__':
    main()
