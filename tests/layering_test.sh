#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks every include of the project's code against the layer table
# (src/layers.txt): a folder's files may include only the folders its row
# names, and a row may name only folders above it. Prints one line per
# include that runs upward, naming both files.
src=${1:?usage: layering_test.sh SRC_FOLDER}
awk -v src="$src" '
FNR == NR {
    if ($0 ~ /^[a-z_]+:/) {
        layer = $1; sub(":", "", layer)
        for (i = 2; i <= NF; i++) {
            if (!(($i) in row)) { printf "src/layers.txt: %s names %s, which is not above it\n", layer, $i; bad = 1 }
            uses[layer, $i] = 1
        }
        row[layer] = 1
    }
    next
}
match($0, /^#include "[a-z_]+\//) {
    n = split(FILENAME, part, "/"); folder = part[n - 1]
    used = substr($0, 11, RLENGTH - 11)
    if (!(folder in row)) { printf "%s: its folder %s has no row in src/layers.txt\n", FILENAME, folder; bad = 1 }
    else if (used != folder && !((folder, used) in uses)) {
        target = substr($0, 11); sub(/".*/, "", target)
        printf "src/%s/%s includes src/%s, which %s may not use (src/layers.txt)\n", folder, part[n], target, folder
        bad = 1
    }
}
END { exit bad }
' "$src/layers.txt" "$src"/*/*.h "$src"/*/*.cpp
