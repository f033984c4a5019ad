#!/usr/bin/env python3
"""Writes the small decodable pictures in images/ (committed; rerun only to change them).

Needs ImageMagick's own convert (the imagemagick package); a stand-in on PATH may flatten alpha,
so /usr/bin/convert is preferred."""
import os
import shutil
import struct
import subprocess
import zlib

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "images")
os.makedirs(here, exist_ok=True)
convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else shutil.which("convert")


def make(name, raw_format, size, raw, *options, prefix=""):
    subprocess.run([convert, "-size", size, "-depth", "8", raw_format + ":-", *options,
                    prefix + os.path.join(here, name)], input=raw, check=True)


# 2 x 2: red, green / blue, and a fourth pixel that differs per format.
red, green, blue = (255, 0, 0), (0, 255, 0), (0, 0, 255)
make("quad.png", "rgba", "2x2",
     bytes([*red, 255, *green, 255, *blue, 255, 200, 100, 50, 128]), "-strip", prefix="PNG32:")
make("quad.bmp", "rgb", "2x2", bytes([*red, *green, *blue, 255, 255, 255]), "-type", "TrueColor", prefix="BMP3:")
make("quad.gif", "rgba", "2x2", bytes([*red, 255, *green, 255, *blue, 255, 0, 0, 0, 0]))
make("solid.jpg", "rgb", "8x8", bytes([0x33, 0x66, 0xCC] * 64), "-quality", "100", "-strip")

# 16 x 16 of varied pixels, so its compressed data is long enough to cut in the middle.
make("ramp.png", "rgb", "16x16",
     bytes(v for y in range(16) for x in range(16) for v in (x * 16, y * 16, (x * y * 7) % 256)), "-strip")


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(width, height, bit_depth=8, color_type=6, rows=b"\0" * 64):
    ihdr = struct.pack(">IIBBBBB", width, height, bit_depth, color_type, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(rows)) +
            chunk(b"IEND", b""))


def write(name, data):
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)


# Headers that lie or break, with valid checksums: a width beyond any raster this process makes,
# a bit depth PNG does not have, and compressed data that is not zlib.
write("bomb-wide.png", png(0x40000000, 1))
write("bad-bit-depth.png", png(2, 2, bit_depth=7))
ihdr = struct.pack(">IIBBBBB", 2, 2, 8, 6, 0, 0, 0)
write("bad-zlib.png", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", b"\x12\x34" + b"\xAB" * 30) +
      chunk(b"IEND", b""))

# A bitmap header claiming 100000 x 100000 pixels of 32 bits with no pixel data behind it.
info = struct.pack("<IiiHHIIiiII", 40, 100000, 100000, 1, 32, 0, 0, 2835, 2835, 0, 0)
write("bomb-100000.bmp", b"BM" + struct.pack("<IHHI", 14 + len(info), 0, 0, 14 + len(info)) + info)
