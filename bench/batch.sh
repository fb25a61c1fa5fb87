#!/usr/bin/env bash
# Times the command-line tool on a batch against plain copying of the same files.
#   bench/batch.sh CLI_PATH [WORKDIR]
# Makes two sets of 32 bitmaps of 1024 x 1024 (24-bit, and 8-bit with a palette per file) in
# a temporary folder under WORKDIR (default: $TMPDIR or /tmp), removed at the end. For each
# set it takes the best of 3 runs of copying every file with cat, one cat per file, and of
# `tintwell-cli -q -f -o OUT set/*.bmp`, and prints the ratio against the 3x target.
# Exit status: 0 when every run worked (whatever the ratio), 1 when something failed.
set -euo pipefail
shopt -s inherit_errexit

usage() {
    echo "usage: bench/batch.sh CLI_PATH [WORKDIR]" >&2
    exit 2
}

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
    usage
fi
cli=$1
workdir=${2:-${TMPDIR:-/tmp}}
runs=3
target=3

if [ ! -x "$cli" ]; then
    echo "batch.sh: no command-line tool at $cli" >&2
    exit 1
fi
cli=$(cd "$(dirname "$cli")" && pwd)/$(basename "$cli")

# The workload generator is built beside the tool: BUILD/src/app/tintwell-cli and
# BUILD/bench/tintwell-make-workload.
build=$(cd "$(dirname "$cli")/../.." && pwd)
maker=$build/bench/tintwell-make-workload
if [ ! -x "$maker" ]; then
    echo "batch.sh: building tintwell-make-workload in $build"
    cmake --build "$build" --target tintwell-make-workload >/dev/null
fi

tmp=$(mktemp -d "$workdir/tintwell-batch.XXXXXX")
trap 'rm -rf "$tmp"' EXIT

echo "batch.sh: writing the workload into $tmp"
"$maker" "$tmp"

now() { echo "$EPOCHREALTIME"; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
smaller() { awk -v a="$1" -v b="$2" 'BEGIN { print ((b < a) ? b : a) }'; }

# Seconds for copying every file of set $1 into $2 with one cat per file.
time_copy() {
    local dir=$1 out=$2 f start
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    for f in "$dir"/*.bmp; do
        cat "$f" >"$out/${f##*/}"
    done
    elapsed "$start" "$(now)"
}

# Seconds for the tool writing every file of set $1 into $2; fails when the tool fails or
# leaves a file out.
time_tool() {
    local dir=$1 out=$2 start end status=0
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    "$cli" -q -f -o "$out" "$dir"/*.bmp || status=$?
    end=$(now)
    if [ "$status" -ne 0 ]; then
        echo "batch.sh: tintwell-cli exited with $status on $dir" >&2
        return 1
    fi
    local want have
    want=$(find "$dir" -maxdepth 1 -name '*.bmp' | wc -l)
    have=$(find "$out" -maxdepth 1 -name '*.bmp' | wc -l)
    if [ "$want" -ne "$have" ]; then
        echo "batch.sh: tintwell-cli wrote $have of $want files for $dir" >&2
        return 1
    fi
    elapsed "$start" "$end"
}

rows=()
verdict=0
for name in a b; do
    dir=$tmp/$name
    # Warm the page cache, so both sides read from memory.
    cat "$dir"/*.bmp >/dev/null

    best_copy="" best_tool=""
    for ((i = 0; i < runs; i++)); do
        t=$(time_copy "$dir" "$tmp/out-copy")
        best_copy=$(smaller "${best_copy:-$t}" "$t")
        if ! t=$(time_tool "$dir" "$tmp/out-tool"); then
            exit 1
        fi
        best_tool=$(smaller "${best_tool:-$t}" "$t")
    done

    files=$(find "$dir" -maxdepth 1 -name '*.bmp' | wc -l)
    bytes=$(cat "$dir"/*.bmp | wc -c)
    mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')
    ratio=$(awk -v c="$best_copy" -v t="$best_tool" 'BEGIN { printf "%.2f", (c > 0 ? t / c : 0) }')
    if awk -v r="$ratio" -v t="$target" 'BEGIN { exit !(r <= t) }'; then
        within=yes
    else
        within=no
        verdict=1
    fi
    case $name in
        a) label="A 24-bit" ;;
        b) label="B 8-bit" ;;
    esac
    rows+=("$(printf '%-10s %5s %8s %10s %14s %7s %7s' "$label" "$files" "$mb" "$best_copy" \
        "$best_tool" "$ratio" "$within")")
done

echo
printf '%-10s %5s %8s %10s %14s %7s %7s\n' set files MB "copy s" "tintwell s" ratio "<=${target}x"
printf '%s\n' "${rows[@]}"
echo
if [ "$verdict" -eq 0 ]; then
    echo "batch.sh: both sets within the ${target}x target (best of $runs runs)"
else
    echo "batch.sh: NOT within the ${target}x target on every set (best of $runs runs)"
fi
