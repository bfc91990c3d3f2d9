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
cmake --build build/release --target builder_rar_packing_tests rarx >/dev/null
ctest --test-dir build/release -R '^builder_packing_regressions$' --output-on-failure

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build/windows
# One naming style across both trees (about two minutes on two cores), and
# one layout of the code.
scripts/tidy.sh build/native build/windows
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
scripts/wine-session build/windows \
    ctest --test-dir build/windows --output-on-failure -j2 --timeout 300
# The sample setup signed with --sign, installed under Wine.
scripts/test-signed-setup.sh

# Short libFuzzer runs over the RAR library (clang, ASan + UBSan): whole
# archives seeded with the corpus, then packed data fed straight to the older
# decoders, seeded with what the seed tool cuts out of the corpus, then the
# encoder's round trip. A crash is written to build/fuzz/; its input belongs in
# rar/fuzz/regressions, decoder-regressions or encoder-regressions, which the
# ordinary native tests replay.
cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUPKIT_FUZZ=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined,fuzzer-no-link -fno-sanitize-recover=undefined" \
    >/dev/null
cmake --build build/fuzz --target rar_fuzz rar_decoder_fuzz rar_fuzz_seeds rar_encoder_fuzz \
    builder_setup_listing_fuzz builder_product_ini_fuzz
mkdir -p build/fuzz/work rar/fuzz/regressions
build/fuzz/rar/rar_fuzz -max_total_time=60 -rss_limit_mb=2048 -timeout=60 \
    -artifact_prefix=build/fuzz/ build/fuzz/work ../shared/rar-corpus/good \
    ../shared/rar-corpus/bad rar/fuzz/regressions
mkdir -p build/fuzz/decoder-seeds build/fuzz/decoder-work rar/fuzz/decoder-regressions
build/fuzz/rar/rar_fuzz_seeds build/fuzz/decoder-seeds ../shared/rar-corpus/good/* \
    ../shared/rar-corpus/bad/*
build/fuzz/rar/rar_decoder_fuzz -max_total_time=30 -max_len=32768 -rss_limit_mb=2048 -timeout=60 \
    -artifact_prefix=build/fuzz/decoder- build/fuzz/decoder-work build/fuzz/decoder-seeds \
    rar/fuzz/decoder-regressions
mkdir -p build/fuzz/encoder-work rar/fuzz/encoder-regressions
build/fuzz/rar/rar_encoder_fuzz -max_total_time=20 -max_len=65536 -rss_limit_mb=2048 -timeout=60 \
    -artifact_prefix=build/fuzz/encoder- build/fuzz/encoder-work rar/fuzz/encoder-regressions
# The builder's readers of files it did not make: a setup given to `list` and
# a product.ini. A crash goes to builder/fuzz/setup-seeds or product-ini-seeds.
mkdir -p build/fuzz/listing-work build/fuzz/ini-work
build/fuzz/builder/fuzz/builder_setup_listing_fuzz -max_total_time=20 -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix=build/fuzz/listing- build/fuzz/listing-work builder/fuzz/setup-seeds
build/fuzz/builder/fuzz/builder_product_ini_fuzz -max_total_time=20 -rss_limit_mb=2048 -timeout=30 \
    -artifact_prefix=build/fuzz/ini- build/fuzz/ini-work builder/fuzz/product-ini-seeds
