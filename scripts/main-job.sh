#!/usr/bin/env bash
# The main job: builds the setup stub and the sample product's setup file
# from examples/, runs it under Wine with a robot that answers OK to every
# window, and prints what the user saw, then the setup's exit code.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The build trees; the default is the one the README's test command uses too.
build=${SETUPKIT_BUILD_DIR:-build}

product=$(dirname "$(ls examples/*/product.ini 2>/dev/null | head -n 1)")
if [ ! -f "$product/product.ini" ]; then
    echo "main-job: no product description (examples/*/product.ini)" >&2
    exit 1
fi

echo "== building the Windows programs" >&2
cmake -S . -B "$build/windows" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build "$build/windows" --target setup unrar answer_ok >/dev/null

# The builder is portable and runs here, natively, as a vendor would run it.
echo "== building the setup builder" >&2
cmake -S . -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSETUPKIT_SANITIZE=ON >/dev/null
cmake --build "$build/native" --target setupkit-build >/dev/null

out=$build/main-job
rm -rf "$out"
mkdir -p "$out"
echo "== making $out/setup.exe from $product" >&2
"$build/native/builder/setupkit-build" --product "$product" --stub "$build/windows/setup/setup.exe" \
    --unrar "$build/windows/rar/unrar.dll" -o "$out/setup.exe"

# A Wine prefix of its own, made afresh, so that every run starts from a
# machine on which nothing is installed yet.
echo "== running the setup under Wine; the robot answers OK" >&2
setup_exe="Z:$(cd "$out" && pwd)/setup.exe"
scripts/wine-session "$out" wine "$build/windows/tests/tools/answer_ok.exe" "${setup_exe//\//\\}"
