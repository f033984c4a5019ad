#!/usr/bin/env bash
# Before the package suite: builds the packages with scripts/package, makes an "older" installer
# from the same files with a lower version, and unpacks the zip into a fresh folder.
# Usage: prepare_packages.sh SOURCE_DIR WORK_DIR
set -euo pipefail
root=$1
work=$2
"$root/scripts/package"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$root/build/mingw-release/CMakeCache.txt")
rm -rf "$work"
mkdir -p "$work/portable"
cp "$root/build/dist/Orvane-$version-setup.exe" "$work/setup.exe"
"$root/scripts/lib/make-installer" 0.9.0 "$root/build/mingw-release/package/Orvane-$version-win64" "$work/older-setup.exe"
unzip -q "$root/build/dist/Orvane-$version-win64.zip" -d "$work/portable"
