#!/usr/bin/env bash
# soak-packing.sh [TREE...]
# Packs large real trees at every level and solid setting, extracts every
# archive with our library (rarx) and with the official one (node-unrar-js,
# run as a black box), and compares every file with its source. Not part of
# the test command: it takes tens of minutes. Trees (default: all):
#   fpc        Free Pascal's sources (Debian package fpc-source-3.2.2)
#   lazarus    Lazarus' sources, forms and resources (lazarus-src-2.2)
#   wine-a/-b  32-bit PE DLLs of Debian's wine32, in two halves
#   mingw      the PE DLLs of Debian's mingw-w64 toolchain packages
#   mixed      generated: text, code cut from real DLLs, tables and random
#              data in files from a few bytes to several megabytes
# Prints one line per archive (tree, level, solid, files, payload bytes,
# archive bytes, seconds to pack and read back, mismatches with ours and with
# the official library) and a table of totals; exits 1 on any mismatch.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
for p in fpc-source-3.2.2 lazarus-src-2.2; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$p" >/dev/null
done

# A tree of its own, so that other builds meanwhile do not change what runs.
build=build/soak/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target pack_folder rarx >/dev/null
work=$(mkdir -p build/soak && cd build/soak && pwd)
trees=("$@")
# SOAK_SETTINGS: the level/solid pairs to run, ";" between (default: all five).
IFS=';' read -r -a settings <<<"${SOAK_SETTINGS:-store solid;default solid;default alone;best solid;best alone}"
[ ${#trees[@]} -gt 0 ] || trees=(fpc lazarus wine-a wine-b mingw mixed)

# Only what an archive of a payload can hold: regular files with ASCII names.
tidy() {
    find "$1" -type l -delete
    find "$1" -depth -name '*[! -~]*' -exec rm -rf {} +
}

copy_dlls() { # FOLDER FILTER: the DLLs listed on stdin, by their own names
    mkdir -p "$1"
    while read -r f; do cp -n "$f" "$1/" 2>/dev/null || true; done
}

make_tree() {
    local name=$1 dir=$work/trees/$1
    [ -d "$dir" ] && return
    mkdir -p "$work/trees"
    case $name in
    fpc) cp -r /usr/share/fpcsrc/3.2.2 "$dir" ;;
    lazarus) cp -rL /usr/lib/lazarus/2.2.6 "$dir" ;;
    wine-a) find /usr/lib/i386-linux-gnu/wine/i386-windows -name '*.dll' | sort | awk 'NR % 2 == 1' | copy_dlls "$dir" ;;
    wine-b) find /usr/lib/i386-linux-gnu/wine/i386-windows -name '*.dll' | sort | awk 'NR % 2 == 0' | copy_dlls "$dir" ;;
    mingw) { find /usr/lib/gcc/i686-w64-mingw32 /usr/i686-w64-mingw32 /usr/lib/gcc/x86_64-w64-mingw32 \
               /usr/x86_64-w64-mingw32 -name '*.dll' 2>/dev/null || true; } | sort | copy_dlls "$dir" ;;
    mixed) python3 - "$dir" <<'PY'
import os, random, sys
out = sys.argv[1]
rng = random.Random(27)
code = b"".join(open(os.path.join(d, f), "rb").read()
                for d in ["/usr/lib/i386-linux-gnu/wine/i386-windows"]
                for f in sorted(os.listdir(d))[:40] if f.endswith(".dll"))
words = [w.encode() for w in "begin end; procedure function var const type TObject Self inherited if then else while do Result := Inc(I); { comment } // unit interface implementation uses".split()]
def text(n):
    parts, size = [], 0
    while size < n:
        line = b" " * rng.randrange(0, 8, 2) + b" ".join(rng.choice(words) for _ in range(rng.randrange(1, 10))) + b"\r\n"
        parts.append(line); size += len(line)
    return b"".join(parts)[:n]
def table(n):
    v, parts = rng.randrange(1 << 20), []
    for _ in range(n // 4 + 1):
        v = (v + rng.randrange(64)) & 0xFFFFFFFF; parts.append(v.to_bytes(4, "little"))
    return b"".join(parts)[:n]
def piece(n):
    kind = rng.randrange(5)
    if kind == 0: return text(n)
    if kind == 1:
        at = rng.randrange(max(1, len(code) - n)); return code[at:at + n]
    if kind == 2: return table(n)
    if kind == 3: return rng.randbytes(n)
    return bytes([rng.randrange(256)]) * n
total = 0
for i in range(3000):
    size = int(rng.choice([20, 400, 4000, 40000, 400000, 3000000]) * rng.random()) + 1
    data = b"".join(piece(max(1, size // 3)) for _ in range(rng.choice([1, 1, 3])))
    path = os.path.join(out, "d%02d" % (i % 37), "f%04d.%s" % (i, rng.choice(["pas", "dcu", "bpl", "res", "dat", "txt"])))
    os.makedirs(os.path.dirname(path), exist_ok=True)
    open(path, "wb").write(data)
    total += len(data)
    if total > 220 * 1024 * 1024: break
PY
    ;;
    *) echo "unknown tree $name" >&2; exit 2 ;;
    esac
    tidy "$dir"
}

# "sha256 size name" per file below a folder, sorted by name.
listing() {
    (cd "$1" && find . -type f -printf '%P\0' | sort -z | xargs -0 -r sha256sum |
        while read -r sum name; do echo "$sum $(stat -c %s "$name") $name"; done)
}

results=$work/results.tsv
: >"$results"
failed=0
for tree in "${trees[@]}"; do
    make_tree "$tree"
    src=$work/trees/$tree
    expected=$work/$tree.expected
    listing "$src" >"$expected"
    files=$(wc -l <"$expected")
    bytes=$(awk '{ s += $2 } END { print s + 0 }' "$expected")
    for setting in "${settings[@]}"; do
        set -- $setting
        archive=$work/$tree-$1-$2.rar
        start=$(date +%s.%N)
        if ! "$build/builder/tests/pack_folder" "$src" "$archive" "$1" "$2"; then
            echo "$tree $1 $2: packing or reading back failed" >&2
            failed=1
            continue
        fi
        seconds=$(awk "BEGIN { print $(date +%s.%N) - $start }")
        rm -rf "$work/out"
        "$build/rar/rarx" x "$archive" "$work/out" >/dev/null || true
        ours=$(listing "$work/out" | diff "$expected" - | grep -c '^[<>]' || true)
        node builder/tests/unrar_oracle.js build/node/node_modules "$archive" 2>"$work/official.err" |
            sed 's/\\/\//g' | sort -k3 >"$work/official.txt" || true
        official=$(diff <(sort -k3 "$expected") "$work/official.txt" | grep -c '^[<>]' || true)
        size=$(stat -c %s "$archive")
        printf '%s\t%s\t%s\t%s\t%s\t%s\t%.1f\t%s\t%s\n' "$tree" "$1" "$2" "$files" "$bytes" "$size" \
            "$seconds" "$ours" "$official" | tee -a "$results"
        [ "$ours" = 0 ] && [ "$official" = 0 ] || failed=1
        rm -rf "$work/out" "$archive"
    done
done

echo
echo "| level | solid | archives | files | payload MB | archive MB | pack s | mismatches (ours / official) |"
echo "|---|---|---:|---:|---:|---:|---:|---|"
awk -F'\t' '{k=$2" | "$3; n[k]++; f[k]+=$4; b[k]+=$5; a[k]+=$6; s[k]+=$7; o[k]+=$8; u[k]+=$9}
    END {for (k in n) printf "| %s | %d | %d | %.0f | %.0f | %.0f | %d / %d |\n", k, n[k], f[k], b[k]/1048576, a[k]/1048576, s[k], o[k], u[k]}' \
    "$results" | sort
exit $failed
