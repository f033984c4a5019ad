#!/usr/bin/env bash
# Checks the watermark text's tokens on photos made the way cameras make them: exiftool writes
# the date taken and the camera's model, touch sets a file's last change. Each output with tokens
# must be the very picture that the same text typed out by hand gives.
# Usage: tokens_check.sh PATH/TO/orvane-cli.exe SOURCE_DIR
set -uo pipefail

exe=${1:?usage: tokens_check.sh orvane-cli.exe source-dir}
source_dir=${2:?usage: tokens_check.sh orvane-cli.exe source-dir}
winrun="$source_dir/scripts/winrun"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Wine maps the current folder to a drive letter, so the program is given relative names.
cd "$work" || exit 1

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
mark=(--layout center --rotation 0 --opacity 1 --color FF0000 --no-fit --size 14)

# Writes OUTPUT from INPUT with TEXT; false when the program fails.
stamp() { "$winrun" "$exe" "${mark[@]}" --overwrite --text "$3" "$1" -o "$2" >/dev/null; }

# The two files are the same picture, pixel for pixel.
same_picture() {
  local differing
  differing=$(compare -metric AE "$1" "$2" null: 2>&1) || true
  [ "$differing" = 0 ]
}

# Expands TEXT on INPUT and compares it with LITERAL typed out.
check() {
  local input=$1 text=$2 literal=$3
  if ! stamp "$input" tokens.png "$text" || ! stamp "$input" literal.png "$literal"; then
    fail "orvane-cli failed on '$input' with '$text'"
    return
  fi
  same_picture tokens.png literal.png || fail "'$text' on '$input' is not '$literal'"
  # The check would pass for a program that draws nothing: the literal text must show.
  same_picture tokens.png "$input" && fail "'$text' on '$input' drew nothing"
}

# A camera's JPEG, 600 x 400 and tagged to be shown on its side (upright 400 x 600), with the date
# it was taken and a model padded with blanks, as some cameras write it.
convert -size 600x400 xc:'#405060' 'IMG 0001.JPG' || { echo "FAIL: convert could not make the input" >&2; exit 1; }
exiftool -q -overwrite_original -n -Orientation=6 -DateTimeOriginal='2019:07:04 09:08:07' -Model='Canon EOS R5  ' \
  'IMG 0001.JPG'
if [ "$(exiftool -s3 -DateTimeOriginal 'IMG 0001.JPG')" != "2019:07:04 09:08:07" ]; then
  echo "FAIL: the input carries no date taken; the check cannot run" >&2
  exit 1
fi
touch -d '2023-01-02 12:00:00' 'IMG 0001.JPG'
check 'IMG 0001.JPG' '{name}.{ext} {width}x{height} {date} {year} [{camera}] {n} {n:3}' \
  'IMG 0001.JPG 400x600 2019-07-04 2019 [Canon EOS R5] 1 001'
check 'IMG 0001.JPG' '{{x}} {size} {n:x} {' '{x} {size} {n:x} {'

# A PNG without EXIF, its name in Chinese with a space: the date is the file's last change.
cjk='照片 一.png'
convert -size 500x300 xc:'#304030' "$cjk" && touch -d '2021-03-05 12:00:00' "$cjk"
check "$cjk" '{name}|{ext}|{date}|{year}|{camera}|' '照片 一|png|2021-03-05|2021||'

# A batch numbers its images in their order, whatever finishes first with two at once: the first
# is by far the largest, so the second and third finish before it. A slice numbers them alike.
mkdir -p batch
convert -size 3000x2000 plasma:fractal batch/a.png
convert -size 300x200 xc:'#203040' batch/b.png
convert -size 300x200 xc:'#402030' batch/c.png
if "$winrun" "$exe" "${mark[@]}" --text 'No. {n:3}' -j 2 batch -o out >/dev/null &&
  "$winrun" "$exe" "${mark[@]}" --text 'No. {n:3}' --slice 2/2 batch -o slice >/dev/null; then
  number=0
  for file in a b c; do
    number=$((number + 1))
    stamp "batch/$file.png" expected.png "No. 00$number" || fail "orvane-cli failed on batch/$file.png"
    same_picture "out/$file-watermarked.png" expected.png || fail "batch/$file.png is not numbered 00$number"
  done
  same_picture slice/b-watermarked.png out/b-watermarked.png || fail "the slice numbers batch/b.png otherwise"
  [ -e slice/a-watermarked.png ] && fail "slice 2/2 wrote the first image"
else
  fail "the batch failed"
fi

if [ "$failures" -gt 0 ]; then
  echo "cli_tokens_check: $failures check(s) failed" >&2
  exit 1
fi
echo "cli_tokens_check: all checks passed"
