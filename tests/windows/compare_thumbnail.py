#!/usr/bin/env python3
"""compare_thumbnail.py BMP PNG | --pairs LIST: exit 0 when each 32-bit top-down BMP
written by orvelle-thumbhost holds exactly the pixels of its 8-bit RGBA or RGB PNG,
once its B, G, R, A bytes are read as R, G, B, A. LIST has one "BMP PNG" pair a line."""
import struct
import sys
import zlib


def read_bmp(path):
    data = open(path, "rb").read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP")
    offset, = struct.unpack_from("<I", data, 10)
    _, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if bits != 32 or compression != 0 or height >= 0:
        raise ValueError(f"{path}: not a 32-bit top-down BMP")
    height = -height
    bgra = data[offset:offset + width * height * 4]
    if len(bgra) != width * height * 4:
        raise ValueError(f"{path}: truncated pixels")
    rgba = bytearray(bgra)
    rgba[0::4], rgba[2::4] = bgra[2::4], bgra[0::4]
    return width, height, bytes(rgba)


def unfilter(rows, width, height, channels):
    stride = width * channels
    out = bytearray()
    previous = bytearray(stride)
    position = 0
    for _ in range(height):
        kind = rows[position]
        line = bytearray(rows[position + 1:position + 1 + stride])
        position += 1 + stride
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            corner = previous[i - channels] if i >= channels else 0
            if kind == 1:
                line[i] = (line[i] + left) & 0xFF
            elif kind == 2:
                line[i] = (line[i] + up) & 0xFF
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 0xFF
            elif kind == 4:
                estimate = left + up - corner
                pa, pb, pc = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
                nearest = left if pa <= pb and pa <= pc else (up if pb <= pc else corner)
                line[i] = (line[i] + nearest) & 0xFF
            elif kind != 0:
                raise ValueError(f"unknown PNG filter {kind}")
        out += line
        previous = line
    return bytes(out)


def read_png(path):
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    position, idat, header = 8, b"", None
    while position < len(data):
        length, kind = struct.unpack_from(">I4s", data, position)
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"{path}: only 8-bit RGB or RGBA without interlacing is read")
    channels = 4 if colour == 6 else 3
    pixels = unfilter(zlib.decompress(idat), width, height, channels)
    if channels == 3:
        opaque = bytearray()
        for i in range(0, len(pixels), 3):
            opaque += pixels[i:i + 3] + b"\xff"
        pixels = bytes(opaque)
    return width, height, pixels


def difference(bmp_path, png_path):
    """None when the two hold the same pixels, else what differs."""
    bmp, png = read_bmp(bmp_path), read_png(png_path)
    if bmp[:2] != png[:2]:
        return f"size differs: bitmap {bmp[0]}x{bmp[1]}, PNG {png[0]}x{png[1]}"
    if bmp[2] == png[2]:
        return None
    index = next(i for i in range(0, len(png[2]), 4) if bmp[2][i:i + 4] != png[2][i:i + 4])
    pixel = index // 4
    return (f"pixel ({pixel % png[0]}, {pixel // png[0]}) differs: bitmap RGBA "
            f"{bmp[2][index:index + 4].hex()}, PNG {png[2][index:index + 4].hex()}")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--pairs":
        pairs = [line.split() for line in open(sys.argv[2]) if line.strip()]
    elif len(sys.argv) == 3:
        pairs = [sys.argv[1:]]
    else:
        sys.exit("usage: compare_thumbnail.py BMP PNG | --pairs LIST")
    failed = False
    for bmp_path, png_path in pairs:
        problem = difference(bmp_path, png_path)
        if problem:
            print(f"{bmp_path}: {problem}")
            failed = True
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
