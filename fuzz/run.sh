#!/usr/bin/env bash
# Runs the fuzz targets: fuzz/run.sh BUILD_DIR SECONDS
# SECONDS is the whole run, shared evenly by the targets, one after the other:
#   bmp_fuzzer        one bitmap through scan, map, write and read back (inputs <= 4096 bytes)
#   workspace_fuzzer  a palette file and two or three bitmaps through the Workspace: one
#                     table, sort, merge, output at 16 or 256 colors (inputs <= 8192 bytes)
#   palette_fuzzer    one palette file through the content decoder and every writer
#                     (inputs <= 4096 bytes)
#   png_fuzzer        one PNG image through scan, map, PNG and bitmap output, checked
#                     against libspng's decode of the whole image (inputs <= 4096 bytes)
# Seed corpora of small valid inputs are written into BUILD_DIR/fuzz-corpus/TARGET. Prints
# the executions and the findings of each target; crashing inputs are kept in
# BUILD_DIR/fuzz-findings/TARGET. Exits non-zero when there is a finding.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build=$1
seconds=$2
seeder="$build/fuzz/bmp_seed_corpus"
targets=(bmp_fuzzer workspace_fuzzer palette_fuzzer png_fuzzer)
declare -A max_len=([bmp_fuzzer]=4096 [workspace_fuzzer]=8192 [palette_fuzzer]=4096 [png_fuzzer]=4096)

for tool in "$seeder" "${targets[@]/#/$build/fuzz/}"; do
    if [[ ! -x $tool ]]; then
        echo "$tool is missing; build the fuzz preset first (make fuzz)" >&2
        exit 1
    fi
done

mkdir -p "$build/fuzz-corpus/bmp_fuzzer" "$build/fuzz-corpus/workspace_fuzzer" \
    "$build/fuzz-corpus/palette_fuzzer" "$build/fuzz-corpus/png_fuzzer"
"$seeder" "$build/fuzz-corpus/bmp_fuzzer" "$build/fuzz-corpus/workspace_fuzzer" \
    "$build/fuzz-corpus/png_fuzzer"

share=$((seconds / ${#targets[@]}))
((share > 0)) || share=1
failed=0
for target in "${targets[@]}"; do
    corpus="$build/fuzz-corpus/$target"
    findings="$build/fuzz-findings/$target"
    log="$build/fuzz-$target.log"
    mkdir -p "$findings"
    # Findings of earlier runs stay; only files newer than this mark are this run's.
    mark="$build/fuzz-run-$target.mark"
    touch "$mark"

    status=0
    "$build/fuzz/$target" -max_len="${max_len[$target]}" -max_total_time="$share" \
        -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 || status=$?

    runs=$(grep -Eo 'Done [0-9]+ runs' "$log" | grep -Eo '[0-9]+' || true)
    if [[ -z $runs ]]; then
        runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' ||
            true)
    fi
    cov=$(grep -Eo 'cov: [0-9]+' "$log" | tail -n 1 | grep -Eo '[0-9]+' || true)
    found=$(find "$findings" -type f -newer "$mark" \( -name 'crash-*' -o -name 'leak-*' \
        -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)

    echo "$target:"
    echo "  executions: ${runs:-unknown} in ${share} s"
    echo "  coverage:   ${cov:-unknown} edges"
    echo "  corpus:     $(find "$corpus" -type f | wc -l) files"
    echo "  findings:   $found (in $findings)"
    if [[ $status -ne 0 || $found -ne 0 ]]; then
        echo "$target stopped with status $status; the end of $log:" >&2
        tail -n 40 "$log" >&2
        failed=1
    fi
done
exit $failed
