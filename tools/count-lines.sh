#!/usr/bin/env bash
# Counts the non-blank, non-comment lines of C, C++, Objective-C and Python in the tracked files of
# src/ and tests/ and prints both and their ratio. Comment lines are those that start with "//" or
# "#" (Python), and whole lines inside a "/* ... */" block that starts a line.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
    git ls-files "$1" | grep -E '\.(c|cc|cpp|h|hpp|m|mm|py)$' | xargs -r awk '
        FNR == 1 { py = (FILENAME ~ /\.py$/); blk = 0 }
        { s = $0; gsub(/^[ \t]+|[ \t]+$/, "", s) }
        s == "" { next }
        py { if (s !~ /^#/) n++; next }
        blk { if (index(s, "*/")) blk = 0; next }
        s ~ /^\/\// { next }
        s ~ /^\/\*/ { if (!index(s, "*/")) blk = 1; next }
        { n++ } END { print n + 0 }' | awk '{ n += $1 } END { print n + 0 }'  # xargs may split the list
}

product=$(count 'src/*')
tests=$(count 'tests/*')
awk -v p="$product" -v t="$tests" 'BEGIN {
    printf "product code (src/): %d lines\ntest code (tests/):  %d lines\nratio tests/product: %.2f\n",
        p, t, (p > 0 ? t / p : 0) }'
