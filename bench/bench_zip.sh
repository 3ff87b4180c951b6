#!/bin/sh
# Packs and unpacks a 50 MB mixed tree (text, binary, 3000 small files) at level 9 and level 0 with
# the archive classes (zip_driver) and with Info-ZIP (zip -9 / zip -0, unzip) in the same run, best
# of RUNS each; then the peak memory of unpacking an entry whose ZIP64 header claims 4 GB.
#
#   bench/bench_zip.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-build}
runs=${2:-3}
driver="$build/bin/zip_driver"
if [ ! -x "$driver" ]; then
    echo "bench_zip.sh: build the zip_driver target first ($driver is missing)" >&2
    exit 1
fi
driver=$(readlink -f "$driver")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 - "$work/tree" <<'PY'
import os, random, sys
root = sys.argv[1]
rnd = random.Random(42)
words = [''.join(rnd.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rnd.randint(2, 10))) for _ in range(5000)]
os.makedirs(root + '/text'); os.makedirs(root + '/bin')
for i in range(30):          # 30 x 0.5 MB of text
    with open(f'{root}/text/doc{i:02}.txt', 'w') as f:
        n = 0
        while n < 500_000:
            line = ' '.join(rnd.choice(words) for _ in range(12)) + '\n'
            f.write(line); n += len(line)
for i in range(10):          # 10 x 2 MB of random bytes
    with open(f'{root}/bin/random{i}.bin', 'wb') as f:
        f.write(rnd.randbytes(2_000_000))
for i in range(5):           # 5 x 1 MB of structured binary (records with counters and padding)
    with open(f'{root}/bin/records{i}.dat', 'wb') as f:
        f.write(b''.join(n.to_bytes(8, 'little') + rnd.randbytes(8) + bytes(16) for n in range(32768)))
for i in range(3000):        # 3000 small files of 1-6 KB in 30 directories
    d = f'{root}/small/d{i % 30:02}'
    os.makedirs(d, exist_ok=True)
    with open(f'{d}/f{i:04}.txt', 'w') as f:
        f.write(' '.join(rnd.choice(words) for _ in range(rnd.randint(150, 900))))
PY
echo "tree: $(du -sb "$work/tree" | cut -f1) bytes in $(find "$work/tree" -type f | wc -l) files"

# best_of KIND COMMAND: runs the command RUNS times (clearing $work/out, and $work/a.zip when KIND is
# create), prints the best wall time and the best CPU time (user + system) in seconds. The CPU time is
# the fairer figure on a loaded machine; both are printed.
best_of() {
    best_wall=""
    best_cpu=""
    i=0
    while [ $i -lt "$runs" ]; do
        rm -rf "$work/out"
        [ "$1" = create ] && rm -f "$work/a.zip"
        mkdir -p "$work/out"
        /usr/bin/time -f '%e %U %S' -o "$work/t" sh -c "$2" >/dev/null
        wall=$(cut -d' ' -f1 "$work/t")
        cpu=$(awk '{ print $2 + $3 }' "$work/t")
        if [ -z "$best_wall" ] || [ "$(echo "$wall < $best_wall" | bc -l)" = 1 ]; then best_wall=$wall; fi
        if [ -z "$best_cpu" ] || [ "$(echo "$cpu < $best_cpu" | bc -l)" = 1 ]; then best_cpu=$cpu; fi
        i=$((i + 1))
    done
    printf '%.3f %.3f' "$best_wall" "$best_cpu"
}

ratio() { printf '%.2f' "$(echo "$1 / $2" | bc -l)"; }
# report WHAT OURS THEIRS THEIR_NAME: "wall ... cpu ..." with ratios ours / theirs.
report() {
    set -- "$1" $2 $3 "$4"
    echo "$1: wall ours ${2}s, $6 ${4}s, ratio $(ratio "$2" "$4"); cpu ours ${3}s, $6 ${5}s, ratio $(ratio "$3" "$5")"
}

for level in 9 0; do
    ours_c=$(best_of create "'$driver' create '$work/a.zip' '$work/tree' $level")
    ours_size=$(stat -c %s "$work/a.zip")
    ours_x=$(best_of extract "'$driver' extract '$work/a.zip' '$work/out'")
    diff -r "$work/tree" "$work/out" >/dev/null || { echo "level $level: extracted tree differs" >&2; exit 1; }
    unzip -tq "$work/a.zip" >/dev/null || { echo "level $level: unzip -t rejects our archive" >&2; exit 1; }
    cp "$work/a.zip" "$work/ours.zip"
    iz_c=$(best_of create "cd '$work/tree' && zip -qr -$level '$work/a.zip' .")
    iz_size=$(stat -c %s "$work/a.zip")
    iz_x=$(best_of extract "unzip -q '$work/a.zip' -d '$work/out'")
    echo "level $level archive size: ours $ours_size bytes, zip -$level $iz_size bytes"
    report "level $level create " "$ours_c" "$iz_c" "zip -$level"
    report "level $level extract" "$ours_x" "$iz_x" "unzip"
done

# An entry whose ZIP64 headers claim 4 GB (4294967296 bytes) but hold 1 MB: unpacking must stay small
# in memory and end in a ZipException (status 2) instead of trusting the claim.
python3 - "$work/claim.zip" <<'PY'
import struct, sys, zlib
data = b'x' * 1_000_000
claim = 4 * 1024**3
name = b'claims-4GB.bin'
crc = zlib.crc32(data)
extra = struct.pack('<HHQQ', 1, 16, claim, len(data))
local = struct.pack('<IHHHHHIIIHH', 0x04034b50, 45, 0, 0, 0, 0x21, crc, 0xffffffff, 0xffffffff, len(name), len(extra)) + name + extra
central = struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 45, 45, 0, 0, 0, 0x21, crc, 0xffffffff, 0xffffffff, len(name), len(extra), 0, 0, 0, 0, 0) + name + extra
body = local + data
end = struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 1, 1, len(central), len(body), 0)
open(sys.argv[1], 'wb').write(body + central + end)
PY
rm -rf "$work/out" && mkdir -p "$work/out"
status=0
/usr/bin/time -v "$driver" extract "$work/claim.zip" "$work/out" 2>"$work/time.txt" || status=$?
peak=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt")
echo "4 GB claim: exit status $status ($(grep ZipException "$work/time.txt" || echo no exception)), peak RSS ${peak} KB"
rm -rf "$work/out" && mkdir -p "$work/out"
/usr/bin/time -v "$driver" extract "$work/ours.zip" "$work/out" 2>"$work/time.txt" >/dev/null
echo "50 MB tree extract (level 0 archive): peak RSS $(sed -n 's/.*Maximum resident set size (kbytes): //p' "$work/time.txt") KB"
