#!/usr/bin/env python3
"""make_samples.py - writes the sample JPEG that embeds an XMP packet.

Usage: make_samples.py PACKET.xmp OUT.jpg

The image is an 8x8 mid-grey baseline JPEG, small enough to commit, with the packet in an APP1
segment as cameras and editors store it. Every decoder reads it; olvane-host only needs the packet.
"""
import struct
import sys

XMP_SIGNATURE = b"http://ns.adobe.com/xap/1.0/\x00"


def segment(marker, payload):
    return struct.pack(">BBH", 0xFF, marker, len(payload) + 2) + payload


def jpeg_with_packet(packet):
    if len(packet) + len(XMP_SIGNATURE) > 65533:
        raise ValueError("packet too large for one APP1 segment")
    out = b"\xFF\xD8"  # SOI
    out += segment(0xE0, b"JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00")
    out += segment(0xE1, XMP_SIGNATURE + packet)
    out += segment(0xDB, b"\x00" + b"\x01" * 64)  # one quantisation table, all ones
    out += segment(0xC0, b"\x08\x00\x08\x00\x08\x01\x01\x11\x00")  # 8x8, one grey component
    # Huffman tables with one one-bit code each: DC category 0 and the AC end of block.
    counts = b"\x01" + b"\x00" * 15
    out += segment(0xC4, b"\x00" + counts + b"\x00" + b"\x10" + counts + b"\x00")
    out += segment(0xDA, b"\x01\x01\x00\x00\x3F\x00")
    # The one block: DC difference 0 ("0"), end of block ("0"), padded with ones.
    out += b"\x3F"
    out += b"\xFF\xD9"  # EOI
    return out


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__.strip().splitlines()[2])
    with open(sys.argv[1], "rb") as f:
        packet = f.read()
    with open(sys.argv[2], "wb") as f:
        f.write(jpeg_with_packet(packet))


if __name__ == "__main__":
    main()
