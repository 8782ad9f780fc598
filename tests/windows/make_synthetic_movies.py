#!/usr/bin/env python3
"""make_synthetic_movies.py DIR: writes Hap movies of the codecs that ffmpeg cannot
encode (HapA, HapM, Hap7, HapH signed and unsigned) into DIR. Their texture blocks are
pseudo-random but fixed, and their sizes are not multiples of 4, so that every decoder,
the clipping at the right and bottom edges and the downscaler all have work to do."""
import os
import random
import struct
import sys


def atom(kind, *parts):
    body = b"".join(parts)
    return struct.pack(">I4s", 8 + len(body), kind) + body


def section(kind, payload):
    return struct.pack("<I", len(payload))[:3] + bytes([kind]) + payload


def blocks(rng, width, height):
    count = ((width + 3) // 4) * ((height + 3) // 4)
    return bytes(rng.getrandbits(8) for _ in range(count * 16))


def bc4_blocks(rng, width, height):
    count = ((width + 3) // 4) * ((height + 3) // 4)
    return bytes(rng.getrandbits(8) for _ in range(count * 8))


def movie(fourcc, width, height, samples, rate=25):
    header = atom(b"ftyp", b"qt  ", struct.pack(">I", 0), b"qt  ")
    mdat_start = len(header)
    offsets, position = [], mdat_start + 8
    for sample in samples:
        offsets.append(position)
        position += len(sample)
    mdat = atom(b"mdat", *samples)
    count = len(samples)
    time_header = lambda kind: atom(kind, struct.pack(">I I I I I", 0, 0, 0, rate, count), bytes(16))
    description = (struct.pack(">I4s6xH", 86, fourcc, 1) + bytes(16) + struct.pack(">HH", width, height)
                   + struct.pack(">IIIH", 0x00480000, 0x00480000, 0, 1) + bytes(32)
                   + struct.pack(">Hh", 24, -1))
    stbl = atom(b"stbl",
                atom(b"stsd", struct.pack(">II", 0, 1), description),
                atom(b"stsz", struct.pack(">III", 0, 0, count), *(struct.pack(">I", len(s)) for s in samples)),
                atom(b"stsc", struct.pack(">IIIII", 0, 1, 1, 1, 1)),
                atom(b"stco", struct.pack(">II", 0, count), *(struct.pack(">I", o) for o in offsets)))
    handler = atom(b"hdlr", struct.pack(">I4s4s", 0, b"mhlr", b"vide"), bytes(13))
    trak = atom(b"trak", atom(b"mdia", time_header(b"mdhd"), handler, atom(b"minf", stbl)))
    return header + mdat + atom(b"moov", time_header(b"mvhd"), trak)


def main():
    directory = sys.argv[1]
    os.makedirs(directory, exist_ok=True)
    rng = random.Random(20240607)
    width, height = 102, 58
    frames = {
        "hapa_synthetic_102x58.mov": (b"HapA", lambda: section(0xA1, bc4_blocks(rng, width, height))),
        "hapm_synthetic_102x58.mov": (b"HapM", lambda: section(0x0D, section(0xAF, blocks(rng, width, height))
                                                               + section(0xA1, bc4_blocks(rng, width, height)))),
        "hap7_synthetic_102x58.mov": (b"Hap7", lambda: section(0xAC, blocks(rng, width, height))),
        "haph_unsigned_synthetic_102x58.mov": (b"HapH", lambda: section(0xA2, blocks(rng, width, height))),
        "haph_signed_synthetic_102x58.mov": (b"HapH", lambda: section(0xA3, blocks(rng, width, height))),
    }
    for name, (fourcc, frame) in frames.items():
        data = movie(fourcc, width, height, [frame() for _ in range(3)])
        with open(os.path.join(directory, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main()
