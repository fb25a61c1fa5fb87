#!/usr/bin/env bash
# Times the command-line tool on a batch against a durable copy of the same files.
#   bench/batch.sh CLI_PATH [WORKDIR]
# Makes two sets of 32 bitmaps of 1024 x 1024 (24-bit, and 8-bit with a palette per file) in
# a temporary folder under WORKDIR (default: $TMPDIR or /tmp), removed at the end. For each
# set it runs, interleaved, a plain `cp -r` of the set, a durable copy (`cp -r`, then
# `sync -d` of every copied file) and `tintwell-cli -q -f -o OUT set/*.bmp`, and prints the
# medians and the tool's ratio to the durable copy against its target. The tool makes each
# output durable before naming it, so the durable copy is the honest floor; the plain copy
# shows what the page cache alone would allow.
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
runs=${BATCH_RUNS:-5}

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
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Seconds for copying set $1 to $2 with cp -r; with $3 = durable, also for `sync -d` of every
# copied file, so the data is on disk as the tool's outputs are.
time_copy() {
    local dir=$1 out=$2 mode=${3:-plain} start
    rm -rf "$out"
    start=$(now)
    cp -r "$dir" "$out"
    if [ "$mode" = durable ]; then
        sync -d "$out"/*.bmp
    fi
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
    case $name in
        a) label="A 24-bit" target=1.05 ;;
        b) label="B 8-bit" target=1.25 ;;
    esac
    # Warm the page cache, so every side reads from memory.
    cat "$dir"/*.bmp >/dev/null

    plain=() durable=() tool=()
    for ((i = 0; i < runs; i++)); do
        plain+=("$(time_copy "$dir" "$tmp/out-copy")")
        durable+=("$(time_copy "$dir" "$tmp/out-copy" durable)")
        if ! t=$(time_tool "$dir" "$tmp/out-tool"); then
            exit 1
        fi
        tool+=("$t")
    done
    plain_s=$(median "${plain[@]}")
    durable_s=$(median "${durable[@]}")
    tool_s=$(median "${tool[@]}")

    files=$(find "$dir" -maxdepth 1 -name '*.bmp' | wc -l)
    bytes=$(cat "$dir"/*.bmp | wc -c)
    mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')
    ratio=$(awk -v c="$durable_s" -v t="$tool_s" 'BEGIN { printf "%.2f", (c > 0 ? t / c : 0) }')
    plain_ratio=$(awk -v c="$plain_s" -v t="$tool_s" 'BEGIN { printf "%.2f", (c > 0 ? t / c : 0) }')
    if awk -v r="$ratio" -v t="$target" 'BEGIN { exit !(r <= t) }'; then
        within=yes
    else
        within=no
        verdict=1
    fi
    rows+=("$(printf '%-10s %5s %7s %8s %10s %11s %7s %8s %7s %4s' "$label" "$files" "$mb" \
        "$plain_s" "$durable_s" "$tool_s" "$ratio" "${target}x" "$within" "$plain_ratio")")
done

echo
printf '%-10s %5s %7s %8s %10s %11s %7s %8s %7s %4s\n' set files MB "cp s" "durable s" \
    "tintwell s" ratio target within "/cp"
printf '%s\n' "${rows[@]}"
echo
if [ "$verdict" -eq 0 ]; then
    echo "batch.sh: both sets within their targets (medians of $runs interleaved runs)"
else
    echo "batch.sh: NOT within the target on every set (medians of $runs interleaved runs)"
fi
