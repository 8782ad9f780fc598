#!/usr/bin/env python3
"""Writes the cheap hostile inputs that worst_case.sh measures into DIR.

Each input is small on disk or compresses to almost nothing, yet claims as much
work as the format's caps allow: runs of 8-byte atoms, the largest chunk
counts, the largest frame with a one-block texture for every texture format,
the largest sample tables, and the largest movie atom of zeros. Inputs that
already exist are kept. Prints the names, one a line, in the order written.

usage: make_worst_case_inputs.py DIR
"""
import os
import struct
import sys

MIB = 1 << 20
MAX_MOVIE_PAYLOAD = 64 * MIB
MAX_SAMPLE = 128 * MIB
MAX_TABLE = 16777216
MAX_EDGE = 16384
TINY_ATOM = struct.pack(">I4s", 8, b"free")

# Movie atom bytes around one track's tables other than the one made large:
# mvhd, trak, mdia, hdlr, minf, stbl, stsd and the small tables, with room to spare.
TABLE_OVERHEAD = 1024


def atom(kind, payload):
    return struct.pack(">I4s", 8 + len(payload), kind.encode()) + payload


def time_header(kind, time_scale, duration):
    return atom(kind, bytes(4) + struct.pack(">III", 0, 0, time_scale) +
                struct.pack(">I", duration) + bytes(16))


def sample_description(fourcc, width, height):
    entry = (struct.pack(">I4s", 86, fourcc.encode()) + bytes(6) + struct.pack(">H", 1) +
             bytes(16) + struct.pack(">HH", width, height) +
             struct.pack(">IIIH", 0x00480000, 0x00480000, 0, 1) + bytes(32) +
             struct.pack(">Hh", 24, -1))
    return atom("stsd", struct.pack(">II", 0, 1) + entry)


def sizes_table(sizes, constant=0, count=None):
    count = len(sizes) // 4 if count is None else count
    return atom("stsz", struct.pack(">III", 0, constant, count) + sizes)


def runs_table(runs, count):
    return atom("stsc", struct.pack(">II", 0, count) + runs)


def offsets_table(offsets, count):
    return atom("stco", struct.pack(">II", 0, count) + offsets)


def movie_atom(fourcc, width, height, stsz, stsc, stco):
    stbl = atom("stbl", sample_description(fourcc, width, height) + stsz + stsc + stco)
    mdia = atom("mdia", time_header("mdhd", 25, 1) +
                atom("hdlr", bytes(4) + b"mhlrvide" + bytes(13)) + atom("minf", stbl))
    return atom("moov", time_header("mvhd", 25, 1) + atom("trak", mdia))


def one_frame_movie(fourcc, width, height, frame, before=b""):
    """`before`, then a media data atom holding `frame`, then the movie atom."""
    offset = len(before) + 8
    moov = movie_atom(fourcc, width, height, sizes_table(struct.pack(">I", len(frame))),
                      runs_table(struct.pack(">III", 1, 1, 1), 1),
                      offsets_table(struct.pack(">I", offset), 1))
    return before + atom("mdat", frame) + moov


def section(kind, payload):
    if 0 < len(payload) < 1 << 24:
        return struct.pack("<I", len(payload) | kind << 24) + payload
    return struct.pack("<BBBBI", 0, 0, 0, kind, len(payload)) + payload


def bc1_frame(width, height):
    """A plain BC1 texture of red and blue blocks: a real picture."""
    blocks = (width // 4) * (height // 4)
    red, blue = struct.pack("<HHI", 0xF800, 0xF800, 0), struct.pack("<HHI", 0x001F, 0x001F, 0)
    return section(0xAB, b"".join(red if i % 3 else blue for i in range(blocks)))


def chunked_frame(count):
    """A BC1 texture of `count` empty plain chunks: 5 bytes a chunk."""
    compressors = section(0x02, b"\x0a" * count)
    sizes = section(0x03, bytes(4 * count))
    return section(0xCB, section(0x01, compressors + sizes))


def largest_table_movie(kind):
    """A movie atom filled to the cap by one table, the others one entry long."""
    room = MAX_MOVIE_PAYLOAD - TABLE_OVERHEAD
    one_run = runs_table(struct.pack(">III", 1, 1, 1), 1)
    one_chunk = offsets_table(struct.pack(">I", 0), 1)
    if kind == "sizes":
        count = room // 4
        return movie_atom("Hap1", 64, 64, sizes_table(bytes(4 * count)),
                          runs_table(struct.pack(">III", 1, count, 1), 1), one_chunk)
    if kind == "runs":
        # Every run but the last covers no chunk, so the lookup walks them all.
        count = room // 12
        runs = struct.pack(">III", 1, 1, 1) * count
        return movie_atom("Hap1", 64, 64, sizes_table(b"", constant=16, count=1),
                          runs_table(runs, count), one_chunk)
    # Chunk offsets: widened to 8 bytes in memory, twice their payload.
    count = room // 4
    return movie_atom("Hap1", 64, 64, sizes_table(b"", constant=16, count=count), one_run,
                      offsets_table(bytes(4 * count), count))


def write(path, data):
    with open(path + ".tmp", "wb") as out:
        out.write(data)
    os.replace(path + ".tmp", path)


def write_sparse(path, data, size):
    """`data` at the start of a file of `size` bytes, the rest a hole of zeros."""
    with open(path + ".tmp", "wb") as out:
        out.write(data)
        out.truncate(size)
    os.replace(path + ".tmp", path)


def inputs():
    tiny_atoms = lambda size: TINY_ATOM * (size // 8)
    yield "atoms_100MiB_no_movie", lambda p: write(p, tiny_atoms(100 * MIB))
    yield "atoms_50MiB_then_movie", lambda p: write(
        p, one_frame_movie("Hap1", 64, 64, bc1_frame(64, 64), tiny_atoms(50 * MIB)))

    chunks_20m = 20000000
    chunks_max = (MAX_SAMPLE - 32) // 5  # four long section headers, 5 bytes a chunk
    for name, count in (("chunks_20M", chunks_20m), ("chunks_max", chunks_max)):
        yield name, lambda p, c=count: write(p, one_frame_movie("Hap1", 64, 64, chunked_frame(c)))

    # One block, texture type byte (plain), codec: the rest of the texture is zeros.
    formats = (("bc1", 0xAB, 8, "Hap1"), ("bc3", 0xAE, 16, "Hap5"), ("ycocg", 0xAF, 16, "HapY"),
               ("bc4", 0xA1, 8, "HapA"), ("bc7", 0xAC, 16, "Hap7"),
               ("bc6h_unsigned", 0xA2, 16, "HapH"), ("bc6h_signed", 0xA3, 16, "HapH"))
    for name, kind, block, fourcc in formats:
        frame = section(kind, bytes(block))
        yield "claim_16384_" + name, lambda p, f=frame, c=fourcc: write(
            p, one_frame_movie(c, MAX_EDGE, MAX_EDGE, f))
    two_textures = section(0x0D, section(0xAF, bytes(16)) + section(0xA1, bytes(8)))
    yield "claim_16384_ycocg_alpha", lambda p: write(
        p, one_frame_movie("HapM", MAX_EDGE, MAX_EDGE, two_textures))

    for kind in ("sizes", "runs", "offsets"):
        yield "table_" + kind + "_64MiB", lambda p, k=kind: write(p, largest_table_movie(k))
    # 16,777,216 samples of one constant size in one chunk: the middle one lies
    # 100 MB into a file that is a hole.
    moov = movie_atom("Hap1", 64, 64, sizes_table(b"", constant=12, count=MAX_TABLE),
                      runs_table(struct.pack(">III", 1, MAX_TABLE, 1), 1),
                      offsets_table(struct.pack(">I", 4096), 1))
    yield "table_constant_16M_samples", lambda p: write_sparse(p, moov, 4096 + 12 * MAX_TABLE)

    yield "moov_64MiB_of_zeros", lambda p: write(p, atom("moov", bytes(MAX_MOVIE_PAYLOAD)))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__.strip().splitlines()[-1])
    directory = sys.argv[1]
    os.makedirs(directory, exist_ok=True)
    for name, make in inputs():
        path = os.path.join(directory, name + ".mov")
        if not os.path.exists(path):
            make(path)
        print(name)


if __name__ == "__main__":
    main()
