#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
# Collects the seed inputs for the fuzzer into one folder (default build/fuzz/seeds):
# the shared corpus of real and malformed metafiles, Windows and Enhanced (when it is there), the committed
# test metafiles (Windows and Enhanced), the small seed set in fuzz/seeds, the regression inputs, and the
# metafiles the test builder makes (written by the make_seeds program when it is built), EMF+
# among them. Files over the fuzzer's length limit are left out: libFuzzer would cut them anyway.
# Enhanced Metafiles over it that carry EMF+ are kept cut to the limit, since their EMF+
# header and objects come first and the records before the cut still play.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build/fuzz/seeds}"
maxBytes="${MAX_SEED_BYTES:-262144}"
mkdir -p "$out"

copy_from() {
    [ -d "$1" ] || return 0
    find "$1" -type f \( -iname '*.wmf' -o -iname '*.emf' -o -iname '*.apm' -o -iname '*.bin' -o -path '*/regressions/*' \) \
        ! -name '*.md' -size -"$((maxBytes + 1))"c -print0 |
        while IFS= read -r -d '' file; do
            # Names by content, so that collecting twice adds nothing.
            cp -n "$file" "$out/$(sha1sum "$file" | cut -c1-40)"
        done
    find "$1" -type f -iname '*.emf' -size +"$maxBytes"c -print0 |
        while IFS= read -r -d '' file; do
            if grep -q 'EMF+' "$file"; then
                head -c "$maxBytes" "$file" >"$out/cut-$(sha1sum "$file" | cut -c1-40)"
            fi
        done
}

copy_from "$root/../shared/corpus"
copy_from "$root/tests/data/wmf"
copy_from "$root/tests/data/emf"
copy_from "$root/fuzz/seeds"
copy_from "$root/fuzz/regressions"
if [ -x "$root/build/fuzz/fuzz/make_seeds" ]; then
    "$root/build/fuzz/fuzz/make_seeds" "$out"
fi
echo "$(find "$out" -type f | wc -l) seeds in $out"
