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

# A short libFuzzer run over the RAR library (clang, ASan + UBSan), seeded with
# the corpus; inputs it finds crashing are kept in rar/fuzz/regressions.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUPKIT_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" \
    >/dev/null
cmake --build build/fuzz --target rar_fuzz
mkdir -p build/fuzz/work rar/fuzz/regressions
build/fuzz/rar/rar_fuzz -max_total_time=60 -rss_limit_mb=2048 -timeout=20 \
    -artifact_prefix=build/fuzz/ build/fuzz/work ../shared/rar-corpus/good \
    ../shared/rar-corpus/bad rar/fuzz/regressions
