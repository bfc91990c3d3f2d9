#!/usr/bin/env bash
# screenshots.sh [BUILD_DIR]
# Regenerates the pictures of the setup's dialogs in docs/: the destination
# dialog, the folder browser it opens and the progress dialog, as Wine shows
# them on a display of its own. BUILD_DIR is the Windows build tree (default
# build/windows); it is configured and the picture program built as needed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/windows}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build" --target ui_screens
program=$(cd "$build" && pwd)/tests/ui_e2e/ui_screens.exe

# A Wine prefix of its own, so that the pictures show a fresh machine rather
# than what the tests left in the build tree's prefix.
shots=$(mkdir -p "$build/screenshots" && cd "$build/screenshots" && pwd)
rm -f "$shots"/*.bmp
scripts/wine-session "$shots" sh -c 'wine "$1" "$(winepath -w "$2")"' sh "$program" "$shots"

mkdir -p docs
for picture in destination browser progress; do
    convert "$shots/$picture.bmp" -strip "docs/$picture.png"
done
echo "docs/destination.png docs/browser.png docs/progress.png written"
