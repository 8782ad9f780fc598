#!/usr/bin/env python3
"""Rewrites a movie's frame size in its sample description and track header.

ffmpeg's Hap encoder only takes sizes that are multiples of 4; a movie made at
the next multiple and relabelled with a smaller size is what an encoder that
pads its textures writes.
"""
import struct
import sys


def main():
    source, target, width, height = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    data = bytearray(open(source, 'rb').read())
    stsd = data.find(b'stsd')
    tkhd = data.find(b'tkhd')
    if stsd < 0 or tkhd < 0:
        sys.exit(f'{source}: no sample description or track header')
    # First sample description entry: width and height at payload bytes 40 and 42.
    struct.pack_into('>HH', data, stsd + 4 + 40, width, height)
    # Track header: 16.16 fixed-point width and height close the payload.
    version = data[tkhd + 4]
    struct.pack_into('>II', data, tkhd + 4 + (84 if version == 1 else 72), width << 16, height << 16)
    open(target, 'wb').write(data)


if __name__ == '__main__':
    main()
