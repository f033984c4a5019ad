#!/usr/bin/env bash
# Checks orvane-cli's handling of a camera's orientation tag, colour profile and resolution with
# tools that share no code with it: ImageMagick makes and reads the images, exiftool the tags.
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

# A wide-gamut phone photo scanned for print: Display P3 profile and 300 dpi, embedded by
# ImageMagick. Every JPEG, PNG and TIFF copy keeps the profile byte for byte and the resolution,
# from a JPEG source and from a PNG one (whose profile is compressed).
profile="$source_dir/tests/data/display-p3.icc"
convert -size 400x300 gradient:red-blue -density 300 -units PixelsPerInch -profile "$profile" p3.jpg &&
  convert p3.jpg p3.png || { echo "FAIL: convert could not make the P3 inputs" >&2; exit 1; }
if [ "$(exiftool -s3 -icc_profile:ProfileDescription p3.png)" != "Display P3 (Orvane test profile)" ]; then
  echo "FAIL: the P3 input carries no profile; the check cannot run" >&2
  exit 1
fi
for source in p3.jpg p3.png; do
  for ext in jpg png tif; do
    output="${source/./-}-out.$ext"
    if "$winrun" "$exe" "$source" -o "$output" >/dev/null; then
      exiftool -b -icc_profile "$output" >profile.icc
      cmp -s profile.icc "$profile" || fail "$output ($source) does not carry the source's P3 profile"
      dpi=$(identify -units PixelsPerInch -format '%x %y' "$output" 2>/dev/null)
      awk -v d="$dpi" 'BEGIN { split(d, v, " "); exit !(v[1] > 299.5 && v[1] < 300.5 && v[2] > 299.5 && v[2] < 300.5) }' ||
        fail "$output ($source) has a resolution of '$dpi' pixels per inch, expected 300 300"
    else
      fail "orvane-cli $source -o $output exited with $?"
    fi
  done
done

if [ "$failures" -gt 0 ]; then
  echo "cli_exiftool_check: $failures check(s) failed" >&2
  exit 1
fi
echo "cli_exiftool_check: all checks passed"
