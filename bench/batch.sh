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
# Then a PNG set (16 indexed and 16 true-color files of 1024 x 1024, made from the bitmaps
# with ImageMagick, 200 colors in all) is timed against ImageMagick doing the same exact job:
# the unique colors of the set as one palette image, then
# `convert IN +dither -remap PALETTE PNG8:OUT` for every file, as many at once as there are
# processors. It prints both times and both outputs' total size, and checks one indexed and
# one true-color output of each side pixel for pixel against its input. Skipped without
# ImageMagick. With ImageMagick, tintwell-deflate-bench (built beside the workload maker)
# then compares the PNG writer's encoder with zlib and libdeflate, time and size, on the
# image data of the tool's PNG outputs and of real indexed art (bench/make_art_set.sh).
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

# Seconds for the tool writing every .$3 file (default bmp) of set $1 into $2; fails when the
# tool fails or leaves a file out.
time_tool() {
    local dir=$1 out=$2 ext=${3:-bmp} start end status=0
    rm -rf "$out" && mkdir -p "$out"
    start=$(now)
    "$cli" -q -f -o "$out" "$dir"/*."$ext" || status=$?
    end=$(now)
    if [ "$status" -ne 0 ]; then
        echo "batch.sh: tintwell-cli exited with $status on $dir" >&2
        return 1
    fi
    local want have
    want=$(find "$dir" -maxdepth 1 -name "*.$ext" | wc -l)
    have=$(find "$out" -maxdepth 1 -name "*.$ext" | wc -l)
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

# The PNG set: the first 16 bitmaps of set B as indexed PNG, the last 16 of set A (the
# same 200 colors) as true-color PNG.
make_png_set() {
    local png=$1 i
    mkdir -p "$png"
    for ((i = 0; i < 32; i++)); do
        if ((i < 16)); then
            printf '%s/b/b%02d.bmp\0PNG8:%s/p%02d.png\0' "$tmp" "$i" "$png" "$i"
        else
            printf '%s/a/a%02d.bmp\0PNG24:%s/p%02d.png\0' "$tmp" "$i" "$png" "$i"
        fi
    done | xargs -0 -n 2 -P "$(nproc)" convert
}

# Seconds for ImageMagick's job on set $1 into $2: the set's unique colors (each file's,
# then those of all of them together) as the palette, then every file remapped to it.
# The quoted scripts get their file names as their own arguments.
# shellcheck disable=SC2016
time_magick() {
    local dir=$1 out=$2 start end f
    rm -rf "$out" && mkdir -p "$out/colors"
    start=$(now)
    for f in "$dir"/*.png; do
        printf '%s\0%s/colors/%s\0' "$f" "$out" "$(basename "$f")"
    done | xargs -0 -n 2 -P "$(nproc)" sh -c 'convert "$0" -unique-colors "$1"'
    convert "$out"/colors/*.png +append -unique-colors "$out/palette.png"
    for f in "$dir"/*.png; do
        printf '%s\0%s/%s\0' "$f" "$out" "$(basename "$f")"
    done | xargs -0 -n 2 -P "$(nproc)" sh -c \
        'convert "$0" +dither -remap "$(dirname "$1")/palette.png" PNG8:"$1"'
    end=$(now)
    elapsed "$start" "$end"
}

# Total bytes of the PNG files directly in $1.
png_bytes() { cat "$1"/*.png | wc -c; }

# True when every pixel of $2 has the color of the same pixel of $1.
same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = 0 ]; }

png_row=""
if command -v convert >/dev/null && command -v compare >/dev/null; then
    png=$tmp/png
    echo "batch.sh: making the PNG set with ImageMagick"
    make_png_set "$png"
    cat "$png"/*.png >/dev/null
    ours=() theirs=()
    for ((i = 0; i < runs; i++)); do
        if ! t=$(time_tool "$png" "$tmp/out-png" png); then
            exit 1
        fi
        ours+=("$t")
        theirs+=("$(time_magick "$png" "$tmp/out-magick")")
    done
    for f in p00.png p31.png; do
        for side in out-png out-magick; do
            if ! same_pixels "$png/$f" "$tmp/$side/$f"; then
                echo "batch.sh: $side/$f does not keep every pixel's color" >&2
                verdict=1
            fi
        done
    done
    ours_s=$(median "${ours[@]}")
    theirs_s=$(median "${theirs[@]}")
    ours_b=$(png_bytes "$tmp/out-png")
    theirs_b=$(png_bytes "$tmp/out-magick")
    in_mb=$(awk -v b="$(png_bytes "$png")" 'BEGIN { printf "%.1f", b / 1e6 }')
    speed=$(awk -v o="$ours_s" -v t="$theirs_s" 'BEGIN { printf "%.1f", (o > 0 ? t / o : 0) }')
    if awk -v s="$speed" 'BEGIN { exit !(s >= 10) }' && [ "$ours_b" -le "$theirs_b" ]; then
        within=yes
    else
        within=no
        verdict=1
    fi
    png_row=$(printf '%-10s %5s %7s %11s %9s %8s %12s %12s %7s' "PNG 16+16" 32 "$in_mb" \
        "$ours_s" "$theirs_s" "${speed}x" "$ours_b" "$theirs_b" "$within")

    # The PNG writer's deflate encoder against zlib and libdeflate on the rows it compressed
    # for this set and on real indexed art.
    deflate_bench=$build/bench/tintwell-deflate-bench
    if [ -x "$deflate_bench" ]; then
        mkdir -p "$tmp/deflate"
        mv "$tmp/out-png" "$tmp/deflate/png-set"
        echo "batch.sh: making the indexed art set with ImageMagick"
        "$(dirname "$0")/make_art_set.sh" "$cli" "$tmp/deflate/indexed-art"
        "$deflate_bench" --benchmark_min_time=0.2 "$tmp/deflate/png-set" \
            "$tmp/deflate/indexed-art"
    fi
else
    echo "batch.sh: no ImageMagick (convert, compare): the PNG set is skipped"
fi

echo
printf '%-10s %5s %7s %8s %10s %11s %7s %8s %7s %4s\n' set files MB "cp s" "durable s" \
    "tintwell s" ratio target within "/cp"
printf '%s\n' "${rows[@]}"
if [ -n "$png_row" ]; then
    echo
    printf '%-10s %5s %7s %11s %9s %8s %12s %12s %7s\n' set files MB "tintwell s" "magick s" \
        speedup "tintwell B" "magick B" within
    echo "$png_row"
    echo "(PNG target: at least 10x ImageMagick's speed, outputs no larger in total)"
fi
echo
if [ "$verdict" -eq 0 ]; then
    echo "batch.sh: every set within its target (medians of $runs interleaved runs)"
else
    echo "batch.sh: NOT within the target on every set (medians of $runs interleaved runs)"
fi
