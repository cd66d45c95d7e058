#!/bin/sh
# Builds the artwork renderer with the system Qt and renders resources/*.svg to PNG.
# Usage: tools/render-art/render-art.sh [contact-sheet.png]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
# shellcheck disable=SC2046
g++ -std=c++20 -O1 -fPIC -o "$out/render-art" "$here/render-art.cpp" \
    $(pkg-config --cflags --libs Qt6Svg Qt6Gui Qt6Core)
"$out/render-art" "$repo/resources" "$@"
