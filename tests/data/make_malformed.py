#!/usr/bin/env python3
"""Writes the malformed-input corpus in malformed/ (committed; rerun only to change it).

Each file is small and exercises one way a source can lie or break."""
import os
import struct
import subprocess
import tempfile
import zlib

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "malformed")
os.makedirs(here, exist_ok=True)


def write(name, data):
    with open(os.path.join(here, name), "wb") as f:
        f.write(data)


def small_jpeg():
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "s.jpg")
        subprocess.run(["convert", "-size", "16x16", "xc:#3366cc", "-strip", path], check=True)
        return open(path, "rb").read()


def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


jpeg = small_jpeg()
# A JPEG whose frame header claims 65000 x 65000: decoding it would take gigabytes.
sof = jpeg.find(b"\xff\xc0")
bomb = bytearray(jpeg)
bomb[sof + 5:sof + 9] = struct.pack(">HH", 65000, 65000)
write("bomb-65000.jpg", bytes(bomb))

# A PNG whose header claims 65000 x 65000 (valid checksums), with one tiny compressed row.
ihdr = struct.pack(">IIBBBBB", 65000, 65000, 8, 2, 0, 0, 0)
png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(b"\0" * 64)) + chunk(b"IEND", b"")
write("bomb-65000.png", png)

write("empty.png", b"")
write("truncated.jpg", jpeg[: len(jpeg) // 2])
write("not-an-image.jpg", b"This is a text file, not a picture.\n" * 4)
write("png-signature-only.png", b"\x89PNG\r\n\x1a\n")

# EXIF blocks that lie: an IFD count far beyond the segment, an IFD offset past the end, and an
# orientation entry of the wrong type, each in an otherwise decodable JPEG.
def with_exif(tiff):
    body = b"Exif\0\0" + tiff
    return jpeg[:2] + b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body + jpeg[2:]

write("exif-huge-count.jpg", with_exif(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 0xFFFF) + b"\0" * 12))
write("exif-offset-past-end.jpg", with_exif(b"II*\0" + struct.pack("<I", 0x7FFFFFF0)))
write("exif-orientation-ascii.jpg",
      with_exif(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 1) +
                struct.pack("<HHII", 0x0112, 2, 4, 0x00363636) + b"\0\0\0\0"))
write("exif-orientation-9.jpg",
      with_exif(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 1) +
                struct.pack("<HHIHH", 0x0112, 3, 1, 9, 0) + b"\0\0\0\0"))

# A PNG whose header declares no columns at all.
write("zero-width.png", b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 0, 16, 8, 2, 0, 0, 0)) +
      chunk(b"IDAT", zlib.compress(b"\0" * 16)) + chunk(b"IEND", b""))

# Colour profiles that lie: JPEG ICC chunks numbered 1 and 3 of 2, and a PNG whose iCCP chunk
# inflates to 20 MiB (past the 16 MiB any real profile stays under) from 20 KiB.
def icc_chunk(sequence, count, body):
    data = b"ICC_PROFILE\0" + bytes([sequence, count]) + body
    return b"\xff\xe2" + struct.pack(">H", len(data) + 2) + data

write("icc-chunks-lying.jpg", jpeg[:2] + icc_chunk(1, 2, b"a" * 100) + icc_chunk(3, 2, b"b" * 100) + jpeg[2:])


def small_png():
    raw = b"".join(b"\0" + b"\x33\x66\xcc" * 16 for _ in range(16))
    return (chunk(b"IHDR", struct.pack(">IIBBBBB", 16, 16, 8, 2, 0, 0, 0)), chunk(b"IDAT", zlib.compress(raw)),
            chunk(b"IEND", b""))


ihdr_chunk, idat_chunk, iend_chunk = small_png()
bomb_profile = chunk(b"iCCP", b"bomb\0\0" + zlib.compress(b"\0" * (20 << 20), 9))
write("iccp-bomb.png", b"\x89PNG\r\n\x1a\n" + ihdr_chunk + bomb_profile + idat_chunk + iend_chunk)
