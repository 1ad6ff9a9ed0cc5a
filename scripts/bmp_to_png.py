#!/usr/bin/python3
"""Converts an uncompressed 24-bit BMP file into a PNG file, so that the
painted notice can be looked at with any picture viewer."""
import struct
import sys
import zlib


def main(source, target):
    data = open(source, "rb").read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise SystemExit("only 24-bit bitmaps")
    row_bytes = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source_row = y if height < 0 else abs(height) - 1 - y
        row = data[offset + source_row * row_bytes: offset + source_row * row_bytes + width * 3]
        rgb = bytearray(row)
        rgb[0::3], rgb[2::3] = row[2::3], row[0::3]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    open(target, "wb").write(png)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
