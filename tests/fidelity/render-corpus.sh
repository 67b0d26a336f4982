#!/bin/sh
# SPDX-License-Identifier: Apache-2.0
# SPDX-FileCopyrightText: 2026 Quillfern
# render-corpus.sh WMF_RENDER CORPUS_DIR OUT_DIR [W H]
# Renders every .wmf of CORPUS_DIR with wmf-render into OUT_DIR/NAME.bmp; files that
# fail are listed in OUT_DIR/failures.txt with their message.
set -u
render=$1 corpus=$2 out=$3 w=${4:-1024} h=${5:-768}
mkdir -p "$out"
: > "$out/failures.txt"
for f in "$corpus"/*.wmf; do
    name=$(basename "$f" .wmf)
    if ! msg=$(timeout 60 "$render" "$f" "$out/$name.bmp" "$w" "$h" 2>&1); then
        echo "$name: $msg" >> "$out/failures.txt"
    fi
done
