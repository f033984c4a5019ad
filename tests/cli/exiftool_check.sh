#!/usr/bin/env bash
# Checks orvane-cli's handling of a camera's orientation tag with tools that share no code with
# it: ImageMagick makes and reads the images, exiftool reads the tag.
# Usage: exiftool_check.sh PATH/TO/orvane-cli.exe SOURCE_DIR
set -uo pipefail

exe=${1:?usage: exiftool_check.sh orvane-cli.exe source-dir}
source_dir=${2:?usage: exiftool_check.sh orvane-cli.exe source-dir}
winrun="$source_dir/scripts/winrun"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Wine maps the current folder to a drive letter, so the program is given relative names.
cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

orientation_of() { exiftool -n -s3 -Orientation "$1"; }
format_of() { identify -format '%m %wx%h' "$1" 2>/dev/null; }

# A 400 x 300 stored JPEG that a camera held on its side: tag 6, upright it is 300 x 400.
convert -size 400x300 gradient:red-blue in.jpg || { echo "FAIL: convert could not make the input" >&2; exit 1; }
exiftool -q -n -Orientation=6 -overwrite_original in.jpg
if [ "$(orientation_of in.jpg)" != 6 ]; then
  echo "FAIL: the input does not carry orientation 6; the check cannot run" >&2
  exit 1
fi

# JPEG keeps the stored pixels and the tag.
if out=$("$winrun" "$exe" in.jpg -o out.jpg); then
  [[ $out == "in.jpg -> out.jpg: 400x300, orientation 6, image/jpeg q90"* ]] || fail "unexpected report for out.jpg: $out"
  [ "$(format_of out.jpg)" = "JPEG 400x300" ] || fail "out.jpg is '$(format_of out.jpg)', expected 'JPEG 400x300'"
  [ "$(orientation_of out.jpg)" = 6 ] || fail "out.jpg has orientation '$(orientation_of out.jpg)', expected 6"
else
  fail "orvane-cli in.jpg -o out.jpg exited with $?"
fi

# PNG cannot hold the tag: the pixels are saved upright and there is no tag.
if out=$("$winrun" "$exe" in.jpg -o out.png); then
  [ "$(format_of out.png)" = "PNG 300x400" ] || fail "out.png is '$(format_of out.png)', expected 'PNG 300x400'"
  [ -z "$(orientation_of out.png)" ] || fail "out.png has orientation '$(orientation_of out.png)', expected none"
else
  fail "orvane-cli in.jpg -o out.png exited with $?"
fi

# Shown upright, both outputs are the same picture, watermark included (up to JPEG loss).
if [ -f out.jpg ] && [ -f out.png ]; then
  convert out.jpg -auto-orient upright.png
  rmse=$(compare -metric RMSE upright.png out.png null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
  if [ -z "$rmse" ] || ! awk -v e="$rmse" 'BEGIN { exit !(e < 0.03) }'; then
    fail "out.jpg shown upright differs from out.png (normalised RMSE '${rmse:-?}', expected below 0.03)"
  fi
fi

if [ "$failures" -gt 0 ]; then
  echo "cli_exiftool_check: $failures check(s) failed" >&2
  exit 1
fi
echo "cli_exiftool_check: all checks passed"
