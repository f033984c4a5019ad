#!/usr/bin/env python3
"""Writes the JPEGs with embedded EXIF thumbnails in images/ (committed; rerun only to change them).

Each picture is four coloured quadrants, so any turn or flip shows. The photo and its embedded
thumbnail use different colours, so a reader can tell which of the two it was given. Needs
ImageMagick's own convert (the imagemagick package) and exiftool."""
import os
import shutil
import subprocess
import tempfile

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "images")
convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else shutil.which("convert")

# Upright quadrants: top left, top right, bottom left, bottom right.
PHOTO = ["#DC1E1E", "#1EC81E", "#1E1EDC", "#808080"]
THUMB = ["#1EDCDC", "#DC1EDC", "#DCDC1E", "#141414"]
# How a camera held at each tag stores the upright picture: the turn that undoes the tag.
STORED_TURN = {1: 0, 3: 180, 6: 270}


def quadrants(path, width, height, colours, turn, bars=0):
    """Writes the upright quadrants turned into their stored position; `bars` rows of black above and
    below, as a camera letterboxes a wide photo into a 4:3 thumbnail."""
    w2, h2 = width // 2, (height - 2 * bars) // 2
    tiles = [["-size", f"{w2}x{h2}", f"xc:{c}"] for c in colours]
    args = [convert, "(", *tiles[0], *tiles[1], "+append", ")", "(", *tiles[2], *tiles[3], "+append", ")",
            "-append"]
    if bars:
        args += ["-background", "black", "-gravity", "center", "-extent", f"{width}x{height}"]
    args += ["-rotate", str(turn), "-quality", "95", "-strip", path]
    subprocess.run(args, check=True)


def photo_with_thumbnail(name, width, height, orientation, thumb_width, thumb_height, bars=0):
    with tempfile.TemporaryDirectory() as work:
        thumb = os.path.join(work, "thumb.jpg")
        quadrants(thumb, thumb_width, thumb_height, THUMB, STORED_TURN[orientation], bars)
        out = os.path.join(here, name)
        quadrants(out, width, height, PHOTO, STORED_TURN[orientation])
        subprocess.run(["exiftool", "-q", "-overwrite_original", "-n", f"-Orientation={orientation}",
                        f"-ThumbnailImage<={thumb}", out], check=True)


photo_with_thumbnail("thumb-embedded.jpg", 640, 480, 1, 160, 120)
photo_with_thumbnail("thumb-embedded-o6.jpg", 640, 480, 6, 160, 120)
photo_with_thumbnail("thumb-embedded-o3.jpg", 640, 480, 3, 160, 120)
# A 16:9 photo whose 4:3 thumbnail holds it between black bars.
photo_with_thumbnail("thumb-letterboxed.jpg", 640, 360, 1, 160, 120, bars=15)

# A decompression bomb (a header claiming 65000 x 65000 pixels) carrying a thumbnail of its shape:
# the photo cannot be opened, so it must not seem to open through its thumbnail.
with tempfile.TemporaryDirectory() as work:
    thumb = os.path.join(work, "thumb.jpg")
    quadrants(thumb, 120, 120, THUMB, 0)
    out = os.path.join(here, "thumb-bomb.jpg")
    shutil.copy(os.path.join(here, "..", "malformed", "bomb-65000.jpg"), out)
    subprocess.run(["exiftool", "-q", "-overwrite_original", f"-ThumbnailImage<={thumb}", out], check=True)
