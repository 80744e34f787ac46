#!/bin/bash
# Long fuzzing: runs each libFuzzer harness of the native build, one at a
# time, for a number of executions or seconds, and prints a table of what
# each did. The corpus a harness grows lives in build/fuzz-corpus/<name>/
# (the committed seeds in fuzz/corpus/<name>/ are read, never written);
# crash, leak, timeout and out-of-memory inputs go to
# build/fuzz-findings/<name>/, the run's output to build/fuzz-logs/<name>.log.
#
#   tools/fuzz.sh [--runs N | --seconds S] [NAME...]
#
# Default: --runs 1000000 over every harness. The native build must exist
# (tools/test.sh or cmake --build build/native). Exits non-zero on a finding.
set -u
cd "$(dirname "$0")/.."
root=$(pwd)
native=${QUORVEX_NATIVE_DIR:-$root/build/native}

limit=(-runs=1000000)
names=()
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) limit=(-runs="$2"); shift 2 ;;
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    -h|--help) sed -n '2,12p' "$0"; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) names+=("$1"); shift ;;
    esac
done
if [ ${#names[@]} -eq 0 ]; then
    for f in fuzz/*_fuzz.cpp; do
        n=$(basename "$f" _fuzz.cpp)
        names+=("$n")
    done
fi

# The figures of one finished run, from its log: executions, coverage,
# features and corpus entries of the last status line.
field() {   # field LOG PATTERN: the last value printed after PATTERN
    grep -o "$2[0-9]*" "$1" | tail -n 1 | sed "s/^$2//"
}

rows=()
found=0
for n in "${names[@]}"; do
    bin=$native/${n}_fuzz
    if [ ! -x "$bin" ]; then
        echo "fuzz.sh: $bin is missing (build the native build first)" >&2
        exit 2
    fi
    corpus=$root/build/fuzz-corpus/$n
    findings=$root/build/fuzz-findings/$n
    log=$root/build/fuzz-logs/$n.log
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    echo "== $n (${limit[*]})"
    start=$(date +%s)
    "$bin" "${limit[@]}" -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$n" >"$log" 2>&1
    rc=$?
    secs=$(( $(date +%s) - start ))
    execs=$(field "$log" "stat::number_of_executed_units: ")
    cov=$(field "$log" "cov: ")
    ft=$(field "$log" "ft: ")
    entries=$(ls "$corpus" | wc -l)
    crashes=$(ls "$findings" | wc -l)
    # 72: libFuzzer stopped by an interrupt, which is no finding.
    if [ "$crashes" -ne 0 ] || { [ "$rc" -ne 0 ] && [ "$rc" -ne 72 ]; }; then found=1; fi
    rows+=("$(printf '%-14s %10s %6s %7s %7s %8s %6s' "$n" "${execs:-?}" "${cov:-?}" "${ft:-?}" \
        "$entries" "$crashes" "$secs")")
    echo "${rows[-1]}"
done

echo
printf '%-14s %10s %6s %7s %7s %8s %6s\n' harness executions cov ft corpus findings secs
printf '%s\n' "${rows[@]}"
if [ "$found" -ne 0 ]; then
    echo "findings: see build/fuzz-findings/ and build/fuzz-logs/" >&2
    exit 1
fi
