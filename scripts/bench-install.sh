#!/usr/bin/env bash
# bench-install.sh [--rounds N] [--compare DIR] [small] [many] [large]
# Times whole installs under Wine: the setupkit setup against NSIS installers
# of the same generated payload, our unrar.dll alone and `cp -r`, in
# interleaved rounds, and prints a markdown table of medians (see the README's
# Performance section). --compare DIR adds a row for another setup.exe and
# unrar.dll. The large payload takes many minutes; not part of CI.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v makensis >/dev/null || { apt-get update >/dev/null && apt-get install -y nsis >/dev/null; }
scripts/install-deps.sh
[ -f build/windows/build.ninja ] || cmake -S . -B build/windows -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
[ -f build/native/build.ninja ] || cmake -S . -B build/native -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUPKIT_SANITIZE=ON >/dev/null
cmake --build build/windows --target setup unrar uninstall press_ok unrar_all show_box >/dev/null
cmake --build build/native --target setupkit-build >/dev/null

scripts/wine-session build/windows python3 scripts/bench_install.py \
    --work build/bench-install --windows build/windows \
    --builder build/native/builder/setupkit-build \
    --stub build/windows/setup/setup.exe --unrar build/windows/rar/unrar.dll \
    --uninstaller build/windows/uninstall/UnInstall.exe "$@"
