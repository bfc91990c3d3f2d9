#!/usr/bin/env bash
# Decodes every corpus archive whose methods the RAR library covers, by the
# library and by libarchive, and prints MB/s, their ratio and peak memory.
#   scripts/bench-rar.sh [RUNS]   (best of RUNS, default 3)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
corpus=../shared/rar-corpus
cmake -S . -B "${BENCH_DIR:-build/bench}" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "${BENCH_DIR:-build/bench}" --target rar_bench >/dev/null
bench="${BENCH_DIR:-build/bench}/rar/rar_bench"

# Archives whose every entry is stored, v29 or v50 without the later 2.9 features.
archives=$(awk -F'\t' 'NR > 1 && $1 ~ /^good\// {
        bad = ($11 != "store" && $11 != "v29" && $11 != "v50" && $11 != "-") ||
              $12 ~ /ppmd|vm-custom/ || $2 == "rar14"
        if (bad) skip[$1] = 1; seen[$1] = 1; if ($11 == "v29" || $11 == "v50") packed[$1] = 1
    } END { for (a in seen) if (!skip[a] && packed[a]) print a }' "$corpus/MANIFEST.tsv" | sort)

best() { # engine archive -> "bytes seconds peak"
    local out bestline="" bestt=""
    for _ in $(seq "$runs"); do
        out=$("$bench" "$1" "$2" 2>/dev/null) || { echo "0 0 0"; return; }
        t=$(echo "$out" | cut -d' ' -f2)
        if [ -z "$bestt" ] || awk "BEGIN{exit !($t < $bestt)}"; then bestt=$t; bestline=$out; fi
    done
    echo "$bestline"
}

printf "| archive | unpacked KB | ours MB/s | libarchive MB/s | ratio | ours peak MB | libarchive peak MB |\n"
printf "|---|---:|---:|---:|---:|---:|---:|\n"
total_ours=0; total_la=0; total_bytes=0
for a in $archives; do
    read -r bytes t1 m1 <<<"$(best ours "$corpus/$a")"
    read -r bytes2 t2 m2 <<<"$(best libarchive "$corpus/$a")"
    [ "$bytes" -gt 0 ] || { printf "| %s | - | failed | | | | |\n" "${a#good/}"; continue; }
    awk -v a="${a#good/}" -v b="$bytes" -v b2="$bytes2" -v t1="$t1" -v t2="$t2" -v m1="$m1" -v m2="$m2" 'BEGIN {
        s1 = b / 1048576 / (t1 > 0 ? t1 : 1e-9); s2 = b2 / 1048576 / (t2 > 0 ? t2 : 1e-9)
        note = (b2 != b) ? " (libarchive: " b2 " bytes)" : ""
        printf "| %s%s | %d | %.1f | %.1f | %.2f | %.1f | %.1f |\n", a, note, b / 1024, s1, s2, (s2 > 0 ? s1 / s2 : 0), m1 / 1024, m2 / 1024
    }'
    total_bytes=$((total_bytes + bytes))
    total_ours=$(awk -v x="$total_ours" -v y="$t1" 'BEGIN{print x + y}')
    total_la=$(awk -v x="$total_la" -v y="$t2" 'BEGIN{print x + y}')
done
awk -v b="$total_bytes" -v t1="$total_ours" -v t2="$total_la" 'BEGIN {
    printf "\nAggregate: ours %.1f MB/s, libarchive %.1f MB/s, ratio %.2f\n", b / 1048576 / t1, b / 1048576 / t2, t2 / t1 }'
