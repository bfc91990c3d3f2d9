#!/usr/bin/env bash
# Builds both trees from scratch-or-cache and runs every test: the portable
# libraries natively, the Windows programs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUPKIT_SANITIZE=ON >/dev/null
cmake --build build/native
ctest --test-dir build/native --output-on-failure -j2 --timeout 300
scripts/bench-hook.sh build/release

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/windows
scripts/wine-session build/windows \
    ctest --test-dir build/windows --output-on-failure -j2 --timeout 300
