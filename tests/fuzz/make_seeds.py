#!/usr/bin/env python3
"""Writes the fuzzers' seed corpora in corpus/ (committed; rerun only to change them).

Tiny real images of every format the readers know, made by ImageMagick and exiftool, plus a
few of the malformed test files. The fuzz tests run on copies in the build tree."""
import os
import shutil
import subprocess
import tempfile

here = os.path.dirname(os.path.abspath(__file__))
exif_dir = os.path.join(here, "corpus", "exif")
header_dir = os.path.join(here, "corpus", "image_header")
malformed = os.path.join(here, "..", "data", "malformed")
for folder in (exif_dir, header_dir):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def make(name, *convert_args, orientation=None, taken=None, thumbnail=False):
    """A 3x2 image through ImageMagick, optionally tagged with an orientation, or a date taken and
    a camera model, or given an embedded 3x2 thumbnail, by exiftool."""
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, name)
        subprocess.run(["convert", "-size", "3x2", "xc:#3366cc", "-strip", *convert_args, path], check=True)
        if orientation is not None:
            subprocess.run(["exiftool", "-q", "-overwrite_original", f"-Orientation#={orientation}", path],
                           check=True)
        if taken is not None:
            subprocess.run(["exiftool", "-q", "-overwrite_original", f"-DateTimeOriginal={taken}",
                            "-Model=Camera Model", path], check=True)
        if thumbnail:
            small = os.path.join(tmp, "small.jpg")
            subprocess.run(["convert", "-size", "3x2", "xc:#cc6633", "-strip", small], check=True)
            subprocess.run(["exiftool", "-q", "-overwrite_original", f"-ThumbnailImage<={small}", path], check=True)
        return open(path, "rb").read()


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


images = {
    "plain.jpg": make("plain.jpg"),
    "exif-6.jpg": make("exif-6.jpg", orientation=6),
    "exif-taken.jpg": make("exif-taken.jpg", taken="2019:07:04 09:08:07"),
    "exif-thumbnail.jpg": make("exif-thumbnail.jpg", orientation=6, thumbnail=True),
    "exif-taken.tif": make("exif-taken.tif", "-compress", "none", taken="2019:07:04 09:08:07"),
    "little-endian.tif": make("little-endian.tif", "-define", "tiff:endian=lsb", "-compress", "none"),
    "big-endian-8.tif": make("big-endian-8.tif", "-define", "tiff:endian=msb", "-compress", "none", orientation=8),
    "plain.png": make("plain.png"),
    "plain.gif": make("plain.gif"),
    "plain.bmp": make("plain.bmp"),
    "core-header.bmp": make("core-header.bmp", "-define", "bmp:format=bmp2"),
}
for name in ("exif-6.jpg", "exif-taken.jpg", "exif-thumbnail.jpg", "exif-taken.tif", "plain.jpg", "little-endian.tif", "big-endian-8.tif"):
    write(exif_dir, name, images[name])
for name, data in images.items():
    write(header_dir, name, data)

for name in ("exif-huge-count.jpg", "exif-offset-past-end.jpg", "exif-orientation-ascii.jpg", "truncated.jpg"):
    shutil.copy(os.path.join(malformed, name), exif_dir)
for name in ("bomb-65000.jpg", "bomb-65000.png", "png-signature-only.png"):
    shutil.copy(os.path.join(malformed, name), header_dir)
