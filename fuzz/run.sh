#!/usr/bin/env bash
# Runs the bitmap fuzzer: fuzz/run.sh BUILD_DIR SECONDS
# Writes a seed corpus of small valid bitmaps into BUILD_DIR/fuzz-corpus, fuzzes for SECONDS
# with inputs of up to 4096 bytes, and prints the executions and the findings. Crashing
# inputs are kept in BUILD_DIR/fuzz-findings. Exits non-zero when there is a finding.
set -euo pipefail

if [[ $# -ne 2 ]]; then
    echo "usage: $0 BUILD_DIR SECONDS" >&2
    exit 2
fi
build=$1
seconds=$2
fuzzer="$build/fuzz/bmp_fuzzer"
seeder="$build/fuzz/bmp_seed_corpus"
corpus="$build/fuzz-corpus"
findings="$build/fuzz-findings"
log="$build/fuzz.log"

for tool in "$fuzzer" "$seeder"; do
    if [[ ! -x $tool ]]; then
        echo "$tool is missing; build the fuzz preset first (make fuzz)" >&2
        exit 1
    fi
done

mkdir -p "$corpus" "$findings"
"$seeder" "$corpus"
# Findings of earlier runs stay; only files newer than this mark are this run's.
mark="$build/fuzz-run.mark"
touch "$mark"

status=0
"$fuzzer" -max_len=4096 -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" >"$log" 2>&1 || status=$?

runs=$(grep -Eo 'Done [0-9]+ runs' "$log" | grep -Eo '[0-9]+' || true)
if [[ -z $runs ]]; then
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || true)
fi
found=$(find "$findings" -type f -newer "$mark" \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
    -o -name 'oom-*' \) | wc -l)

echo "executions: ${runs:-unknown} in ${seconds} s"
echo "corpus:     $(find "$corpus" -type f | wc -l) files"
echo "findings:   $found (in $findings)"
if [[ $status -ne 0 || $found -ne 0 ]]; then
    echo "the fuzzer stopped with status $status; the end of $log:" >&2
    tail -n 40 "$log" >&2
    exit 1
fi
