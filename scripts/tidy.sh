#!/usr/bin/env bash
# The naming check of the repository's .clang-tidy over every source the
# native tree compiles, then over the sources only the Windows tree compiles
# (the setup side), read as the cross compiler reads them. Prints the
# findings and fails when there is any. TIDY_CHECKS widens it to other checks
# of .clang-tidy, which have older findings still open.
# Usage: scripts/tidy.sh [native tree] [windows tree]; both must be configured.
set -euo pipefail
cd "$(dirname "$0")/.."
native=${1:-build/native}
windows=${2:-build/windows}
jobs=${TIDY_JOBS:-2}
checks=${TIDY_CHECKS:--*,readability-identifier-naming}
findings=$(mktemp)
trap 'rm -f "$findings"' EXIT

sources() {
    jq -r '.[].file' "$1/compile_commands.json" | grep "^$PWD/" | grep -v '/googletest/' | grep '\.cpp$' | sort -u
}

sources "$native" |
    xargs -r -n 4 -P "$jobs" clang-tidy -p "$native" --quiet --checks="$checks" \
        --extra-arg=-fsized-deallocation 2>/dev/null \
        >>"$findings" || true

if [ -f "$windows/compile_commands.json" ]; then
    cross=$(jq -r '.[0].command' "$windows/compile_commands.json" | cut -d' ' -f1)
    extra=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-fsized-deallocation)
    while read -r dir; do
        extra+=("--extra-arg=-isystem$dir")
    done < <("$cross" -E -x c++ - -v </dev/null 2>&1 |
        sed -n '/search starts here:/,/End of search list/p' | grep '^ ')
    comm -13 <(sources "$native") <(sources "$windows") |
        xargs -r -n 4 -P "$jobs" clang-tidy -p "$windows" --quiet \
            --checks="$checks" "${extra[@]}" 2>/dev/null >>"$findings" ||
        true
fi

if grep -aE 'warning:|error:' "$findings" | sort -u | grep .; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: clean"
