#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
# The hardening job: the metafile engine under libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer for a bounded time, then the tests of everything that reads or
# writes files without a window (the engine, the picture service, the converter; the tests
# labelled "sanitized") built in the same tree with the same sanitizers, so that the engine is
# compiled once for both. Any crash, leak, sanitizer report, timeout or out-of-memory fails it.
#
#   fuzz/run-ci.sh                 both parts
#   FUZZ_SECONDS=600 fuzz/run-ci.sh   a longer fuzzing run
#   fuzz/run-ci.sh fuzz | tests    one part only
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
jobs="${JOBS:-2}"
fuzzSeconds="${FUZZ_SECONDS:-180}"

export LSAN_OPTIONS="suppressions=$root/fuzz/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_fuzz() {
    cmake --preset fuzz
    cmake --build build/fuzz --target fuzz_wmf make_seeds -j "$jobs"
    local work="build/fuzz/ci"
    rm -rf "$work"
    mkdir -p "$work/corpus" "$work/artifacts"
    fuzz/collect-seeds.sh "$work/seeds"
    # The regression inputs first, each on its own: they must all pass before fuzzing.
    build/fuzz/fuzz/fuzz_wmf -runs=0 -rss_limit_mb=2048 -timeout=10 fuzz/regressions 2>&1 | tail -n 3
    echo "fuzzing for $fuzzSeconds s"
    if ! ASAN_OPTIONS="detect_leaks=1" build/fuzz/fuzz/fuzz_wmf \
            -dict=fuzz/wmf.dict -max_len=262144 -rss_limit_mb=2048 -timeout=10 \
            -max_total_time="$fuzzSeconds" -print_final_stats=1 \
            -artifact_prefix="$work/artifacts/" "$work/corpus" "$work/seeds" \
            > "$work/fuzz.log" 2>&1; then
        grep -v '^#' "$work/fuzz.log" | tail -n 60
        echo "fuzzing found a fault; the input is in $work/artifacts:" >&2
        ls "$work/artifacts" >&2
        echo "add it to fuzz/regressions once it is fixed" >&2
        return 1
    fi
    grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)' "$work/fuzz.log"
}

run_tests() {
    cmake --preset fuzz
    cmake --build build/fuzz --target sanitized_tests -j "$jobs"
    ASAN_OPTIONS="detect_leaks=1" ctest --test-dir build/fuzz -L sanitized --output-on-failure -j "$jobs"
}

case "${1:-all}" in
fuzz) run_fuzz ;;
tests) run_tests ;;
all) run_fuzz && run_tests ;;
*) echo "usage: $0 [fuzz|tests|all]" >&2; exit 2 ;;
esac
