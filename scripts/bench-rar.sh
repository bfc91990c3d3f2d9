#!/usr/bin/env bash
# Decodes every good corpus archive by the RAR library, by libarchive (linked
# into the same benchmark program) and by the unar tool (one whole process per
# run), and prints a markdown table of speeds, ratios and the library's memory
# against its budget, then the aggregates.
#   scripts/bench-rar.sh [RUNS]   (time: best of RUNS, default 3; memory and
#                                  correctness: one further run each)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
corpus=../shared/rar-corpus
build=${BENCH_DIR:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSETUPKIT_SANITIZE=OFF >/dev/null
cmake --build "$build" --target rar_bench rar_heap_counter_tests rar_bench_tests >/dev/null
# The figures are only as good as the heap counter, the budget and the table.
ctest --test-dir "$build" -R '^rar_(heap_counter|bench)_tests$' >/dev/null
bench="$build/rar/bench/rar_bench"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date +%s)
mkdir -p "$work/expect"

# One line per good archive: archive, format, method label, expected bytes,
# largest dictionary of a packed entry (KB), has PPMd (0/1); and the sorted
# digests of its non-empty entries in expect/NAME. Links carry no data of
# their own here: the benchmark program decodes none.
awk -F'\t' -v expect="$work/expect" '
    NR == 1 || $1 !~ /^good\// { next }
    {
        a = $1
        if (!(a in format)) { order[++n] = a; format[a] = $2; solid[a] = $5; bytes[a] = 0; dict[a] = 0 }
        if ($7 == "1") next
        if ($11 != "store" && $11 != "-") {
            if (index(" " dec[a] " ", " " $11 " ") == 0) dec[a] = dec[a] (dec[a] == "" ? "" : " ") $11
            if ($10 + 0 > dict[a]) dict[a] = $10 + 0
        }
        if ($12 ~ /ppmd/) ppmd[a] = 1
        if ($12 ~ /audio/) audio[a] = 1
        if ($12 ~ /link:/ || $8 == "-") next
        bytes[a] += $8
        if ($8 + 0 > 0) print $9 > (expect "/" substr(a, 6))
    }
    END {
        for (i = 1; i <= n; i++) {
            a = order[i]
            label = dec[a] == "" ? "store" : dec[a]
            if (ppmd[a]) label = label "+ppmd"
            if (audio[a]) label = label "+audio"
            if (format[a] == "rar14") label = label ", 1.4 format"
            if (solid[a] == "1") label = label ", solid"
            printf "%s\t%s\t%s\t%d\t%s\t%d\n", a, format[a], label, bytes[a],
                (dict[a] ? dict[a] : "-"), ppmd[a] ? 1 : 0
        }
    }' "$corpus/MANIFEST.tsv" >"$work/archives.tsv"
for f in "$work"/expect/*; do sort -o "$f" "$f"; done

# ok when every expected digest was delivered; else short or wrong.
verdict() { # expected-digests delivered-digests delivered-bytes expected-bytes
    if [ -z "$(comm -23 "$1" "$2")" ]; then echo ok
    elif [ "$3" -lt "$4" ]; then echo short
    else echo wrong; fi
}

field() { awk -v k="$1" '$1 == k { print $2 }' "$2"; }

digests() { awk '$1 == "digest" { print $2 }' "$1" | sort; }

unar_once() { # archive scratch -> CPU seconds of the whole process
    local TIMEFORMAT='%3U %3S' took
    rm -rf "$2" && mkdir -p "$2"
    took=$({ time unar -q -f -o "$2" "$1" </dev/null >/dev/null 2>&1; } 2>&1) || true
    awk -v t="$took" 'BEGIN { split(t, f, " "); printf "%.3f", f[1] + f[2] }'
}

min() { awk -v x="$1" -v y="$2" 'BEGIN { print (x == "-" || y < x) ? y : x }'; }

# unar's figures include starting the process: this is its cost on the
# smallest archive, for the reader to weigh against the table.
tiny=$(awk -F'\t' '$2 != "rar14" { print $1 }' "$work/archives.tsv" |
    while read -r a; do printf '%s %s\n' "$(stat -c %s "$corpus/$a")" "$a"; done | sort -n | awk 'NR == 1')
tiny_time=-
for _ in $(seq "$runs"); do tiny_time=$(min "$tiny_time" "$(unar_once "$corpus/${tiny#* }" "$work/unar")"); done

# Sets ours (ok/wrong/failed) and ours_figures (heap, RSS before and peak,
# window, PPMd model) from the counted, digest-checked run.
check_ours() { # path expected-digests expected-bytes
    ours_figures="- - - - -"
    if ! "$bench" check ours "$1" >"$work/ours" 2>"$work/ours.err"; then
        echo "ours failed on $1: $(head -c 200 "$work/ours.err")" >&2
        ours=failed
        return
    fi
    digests "$work/ours" >"$work/ours.digests"
    ours=$(verdict "$2" "$work/ours.digests" "$(field bytes "$work/ours")" "$3")
    [ "$ours" = ok ] || ours=wrong
    ours_figures=$(for k in heap rss-before rss-peak window ppmd-model; do field $k "$work/ours"; done)
}

# Sets la and la_bytes.
check_libarchive() { # path expected-digests expected-bytes
    "$bench" check libarchive "$1" >"$work/la" 2>/dev/null || true
    digests "$work/la" >"$work/la.digests"
    la_bytes=$(field bytes "$work/la")
    la_bytes=${la_bytes:-0}
    la=$(verdict "$2" "$work/la.digests" "$la_bytes" "$3")
}

# Sets un and un_bytes from what the last unar run left in the scratch folder.
check_unar() { # expected-digests expected-bytes
    un_bytes=$(find "$work/unar" -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
    find "$work/unar" -type f -size +0 -exec sha256sum {} + | cut -d' ' -f1 | sort >"$work/unar.digests"
    un=$(verdict "$1" "$work/unar.digests" "$un_bytes" "$2")
}

# Raw figures, one line per archive, for the table below. Each run times
# the three decoders one after the other, so a burst of load on this shared
# machine falls on all of them alike.
: >"$work/results.tsv"
while IFS=$'\t' read -r a format label bytes dict ppmd; do
    name=${a#good/}
    path="$corpus/$a"
    expected="$work/expect/$name"
    [ -f "$expected" ] || : >"$expected"
    la=cannot la_bytes=0 un=cannot un_bytes=0 ours_t=- la_t=- un_t=-

    check_ours "$path" "$expected" "$bytes"
    if [ "$format" != rar14 ] && ! [[ "$label" =~ v15|v20 ]]; then
        check_libarchive "$path" "$expected" "$bytes"
    fi
    for run in $(seq "$runs"); do
        [ "$ours" = failed ] || ours_t=$(min "$ours_t" "$("$bench" time ours "$path" | cut -d' ' -f2)")
        [ "$la" = cannot ] || la_t=$(min "$la_t" "$("$bench" time libarchive "$path" | cut -d' ' -f2)")
        if [ "$format" != rar14 ]; then
            un_t=$(min "$un_t" "$(unar_once "$path" "$work/unar")")
            [ "$run" != 1 ] || check_unar "$expected" "$bytes"
        fi
    done
    rm -rf "$work/unar"

    printf '%s\n' "$name" "$label" "$bytes" "$dict" "$ppmd" "$ours" "$ours_t" $ours_figures \
        "$la" "$la_bytes" "$la_t" "$un" "$un_bytes" "$un_t" | paste -sd'\t' >>"$work/results.tsv"
done <"$work/archives.tsv"

elapsed=$(($(date +%s) - started))
peers=$(dpkg-query -W -f='${Package} ${Version}, ' libarchive13 unar 2>/dev/null || true)
awk -F'\t' -v runs="$runs" -v peers="${peers%, }" -v tiny="${tiny#* }" -v tiny_time="$tiny_time" \
    -v load_before="$load_before" -v load_after="$(cut -d' ' -f1-3 /proc/loadavg)" \
    -v elapsed="$elapsed" -f rar/bench/bench_table.awk "$work/results.tsv"
