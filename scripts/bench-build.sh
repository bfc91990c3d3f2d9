#!/usr/bin/env bash
# bench-build.sh [source] [large]
# Packs the same payloads with our builder (--store, default, --best) and with
# makensis (zlib, lzma solid), checks that our library extracts every archive
# we write, times our decoding of it, and prints a markdown table (see the
# README's Compression section). Payloads:
#   source  the C++ library headers of the compiler, /usr/include/c++/12
#           (Debian package libstdc++-12-dev): source text, like a component
#           library's sources
#   large   4,000 files / 200 MiB, half text, half random, generated from the
#           install benchmark's fixed seed (scripts/bench_install.py)
# Times are wall clock and CPU (user + system) of one run each; the machine
# is shared, so CPU time is the steadier figure.
set -euo pipefail
cd "$(dirname "$0")/.."
payloads=("$@")
[ ${#payloads[@]} -gt 0 ] || payloads=(source large)

command -v makensis >/dev/null || { apt-get update >/dev/null && apt-get install -y nsis >/dev/null; }
build=${BENCH_DIR:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUPKIT_SANITIZE=OFF >/dev/null
cmake --build "$build" --target setupkit-build rarx rar_bench >/dev/null
work=build/bench-build
mkdir -p "$work"
work=$(cd "$work" && pwd)

make_payload() {
    local name=$1 folder=$work/$1
    [ -d "$folder" ] && return
    case $name in
    source) cp -r /usr/include/c++/12 "$folder" ;;
    large)
        python3 -c 'import sys; from pathlib import Path; sys.path.insert(0, "scripts")
import bench_install as b; b.make_payload(Path(sys.argv[1]), 4000, 200 * b.MIB, 399)' "$folder"
        ;;
    *) echo "unknown payload $name" >&2; exit 2 ;;
    esac
}

# Runs a command, prints "wall cpu" seconds.
timed() {
    /usr/bin/time -f '%e %U %S' -o "$work/time" "$@" >/dev/null
    awk '{ printf "%.1f %.1f", $1, $2 + $3 }' "$work/time"
}

nsis() {
    local folder=$1 compression=$2 out=$3
    cat >"$work/bench.nsi" <<NSI
Unicode true
Name "Setupkit Bench"
OutFile "$out"
InstallDir "C:\\bench\\target"
RequestExecutionLevel user
$compression
Page instfiles
Section
  SetOutPath "\$INSTDIR"
  File /r "$folder/*"
SectionEnd
NSI
    timed makensis -V1 "$work/bench.nsi"
}

row() { # payload, what, size, bytes, wall cpu, decode
    awk -v p="$1" -v w="$2" -v s="$3" -v b="$4" -v t="$5" -v d="$6" 'BEGIN {
        split(t, time, " ")
        printf "| %s | %s | %d | %.3f | %s | %s | %s |\n", p, w, s, s / b, time[1], time[2], d }'
}

echo "| payload | packed by | bytes | ratio | build s | build CPU s | our decoding MB/s |"
echo "|---|---|---:|---:|---:|---:|---:|"
for name in "${payloads[@]}"; do
    make_payload "$name"
    folder=$work/$name
    bytes=$(find "$folder" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
    files=$(find "$folder" -type f | wc -l)
    label="$name ($files files, $(awk -v b="$bytes" 'BEGIN { printf "%.1f MB", b / 1e6 }'))"
    for level in store default best; do
        archive=$work/$name-$level.rar
        times=$(timed "$build/builder/setupkit-build" --rar "$folder" -o "$archive" \
            $([ $level = default ] || echo "--$level"))
        "$build/rar/rarx" t "$archive" >/dev/null
        read -r out seconds < <("$build/rar/bench/rar_bench" time ours "$archive")
        speed=$(awk -v b="$out" -v s="$seconds" 'BEGIN { printf "%.0f", b / s / 1e6 }')
        row "$label" "setupkit ${level/default/default level}" "$(stat -c %s "$archive")" \
            "$bytes" "$times" "$speed"
    done
    for kind in zlib lzma; do
        compression="SetCompressor zlib"
        [ $kind = lzma ] && compression="SetCompressor /SOLID lzma"
        exe=$work/$name-nsis-$kind.exe
        times=$(nsis "$folder" "$compression" "$exe")
        row "$label" "makensis $kind$([ $kind = lzma ] && echo ' solid')" "$(stat -c %s "$exe")" \
            "$bytes" "$times" "-"
    done
done
