#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks every include of the project's code against the layer table
# (src/layers.txt): a folder's files include only the folders its row names,
# and a row names only folders above it. One line per include that runs
# upward, naming both files.
src=${1:?usage: layering_test.sh SRC_FOLDER}
awk '
FNR == NR && /^[a-z_]+:/ {
    layer = $1; sub(":", "", layer)
    for (i = 2; i <= NF; i++) {
        if (!($i in row)) { printf "src/layers.txt: %s names %s, which is not above it\n", layer, $i; bad = 1 }
        uses[layer, $i] = 1
    }
    row[layer] = 1
}
FNR != NR && match($0, /^#include "[a-z_]+\//) {
    n = split(FILENAME, part, "/"); folder = part[n - 1]; used = substr($0, 11, RLENGTH - 11)
    if (used != folder && !((folder, used) in uses)) {
        target = substr($0, 11); sub(/".*/, "", target)
        printf "src/%s/%s includes src/%s, which %s may not use (src/layers.txt)\n", folder, part[n], target, folder
        bad = 1
    }
}
END { exit bad }
' "$src/layers.txt" "$src"/*/*.h "$src"/*/*.cpp
