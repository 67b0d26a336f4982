#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
# Builds the benchmarks (preset "bench": an optimised build) and runs them all: the
# conversion benchmarks against the floor, the peers, the memory bound, the start-up time
# and the largest conversion's memory, then prints their tables. Full outputs stay in
# build/bench/results/.
#
#   bench/run.sh [--files N] [--peer-files N]
#     --files N       files of the corpus for the benchmarks and the memory check (default: all)
#     --peer-files N  files for the peer comparison, which takes seconds per file (default: 12)
set -euo pipefail
cd "$(dirname "$0")/.."

files=0
peer_files=12
while [ $# -gt 0 ]; do
    case "$1" in
    --files) files="$2"; shift 2 ;;
    --peer-files) peer_files="$2"; shift 2 ;;
    *) echo "usage: $0 [--files N] [--peer-files N]" >&2; exit 2 ;;
    esac
done

cmake --preset bench > /dev/null
# Two jobs: the machines this runs on have two cores.
cmake --build --preset bench --target bench_conversion wmf-render pictorate pictorate-convert -- -j2

results=build/bench/results
mkdir -p "$results"
status=0

echo "Conversion benchmarks (rows in $results/conversion.txt) ..."
build/bench/bench/bench_conversion --files="$files" --benchmark_color=false > "$results/conversion.txt" || status=1
echo "Conversion benchmarks, Enhanced Metafiles (rows in $results/conversion-emf.txt) ..."
build/bench/bench/bench_conversion --emf --files="$files" --benchmark_color=false > "$results/conversion-emf.txt" \
    || status=1
echo "Peers ..."
python3 bench/peers.py --files "$peer_files" > "$results/peers.txt" || status=1
echo "Memory ..."
python3 bench/memory.py --files "$files" > "$results/memory.txt" || status=1
echo "Start-up ..."
python3 bench/startup.py > "$results/startup.txt" || status=1
echo "The converter's start-up and thumbnails ..."
python3 bench/convertstartup.py > "$results/convertstartup.txt" || status=1
echo "The largest conversion (a 3.2 GB bitmap in a temporary folder) ..."
python3 bench/largest.py > "$results/largest.txt" || status=1

sed -n '1p;/^== Summary/,$p' "$results/conversion.txt"
sed -n '1p;/^== Summary/,$p' "$results/conversion-emf.txt"
cat "$results/peers.txt" "$results/memory.txt" "$results/startup.txt" "$results/convertstartup.txt" \
    "$results/largest.txt"
exit $status
