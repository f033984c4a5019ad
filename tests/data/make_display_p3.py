#!/usr/bin/env python3
"""Writes display-p3.icc (committed; rerun only to change it): a small ICC v4 matrix/TRC display
profile with the Display P3 primaries (D50-adapted) and the sRGB tone curve, as phones tag their
photos. The tests embed it with ImageMagick and check that it survives an export byte for byte."""
import os
import struct


def s15f16(v):
    return struct.pack(">i", round(v * 65536))


def xyz(x, y, z):
    return b"XYZ " + b"\0" * 4 + s15f16(x) + s15f16(y) + s15f16(z)


def mluc(text):
    encoded = text.encode("utf-16-be")
    return b"mluc" + b"\0" * 4 + struct.pack(">II", 1, 12) + b"enUS" + struct.pack(">II", len(encoded), 28) + encoded


def pad(data):
    return data + b"\0" * (-len(data) % 4)


# sRGB curve as a parametric curve of function type 3: g, a, b, c, d.
trc = b"para" + b"\0" * 4 + struct.pack(">HH", 3, 0) + b"".join(
    s15f16(v) for v in (2.4, 1 / 1.055, 0.055 / 1.055, 1 / 12.92, 0.04045))
tags = [
    (b"desc", mluc("Display P3 (Orvane test profile)")),
    (b"cprt", mluc("No copyright, use freely")),
    (b"wtpt", xyz(0.9642, 1.0, 0.8249)),
    (b"rXYZ", xyz(0.5151, 0.2412, -0.0011)),
    (b"gXYZ", xyz(0.2920, 0.6922, 0.0419)),
    (b"bXYZ", xyz(0.1571, 0.0666, 0.7841)),
    (b"rTRC", trc), (b"gTRC", trc), (b"bTRC", trc),
]

table_size = 4 + 12 * len(tags)
offset = 128 + table_size
table = struct.pack(">I", len(tags))
data = b""
shared = {}
for signature, body in tags:
    if body not in shared:  # the three curves share one element
        shared[body] = offset + len(data)
        data += pad(body)
    table += signature + struct.pack(">II", shared[body], len(body))
size = 128 + table_size + len(data)
header = (struct.pack(">I", size) + b"\0" * 4 + struct.pack(">I", 0x04300000) + b"mntrRGB XYZ " +
          struct.pack(">6H", 2024, 1, 1, 0, 0, 0) + b"acsp" + b"\0" * 4 + struct.pack(">I", 0) + b"\0" * 8 +
          b"\0" * 8 + struct.pack(">I", 0) + s15f16(0.9642) + s15f16(1.0) + s15f16(0.8249) + b"\0" * 4 +
          b"\0" * 16 + b"\0" * 28)
assert len(header) == 128
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "display-p3.icc"), "wb") as f:
    f.write(header + table + data)
