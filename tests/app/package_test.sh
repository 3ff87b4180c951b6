#!/usr/bin/env bash
# Installs the built carrowen into a temporary prefix and, from its Debian package, into an empty
# root: the desktop entry and the metainfo pass their validators, the icons have their sizes, lintian
# finds no error, the installed binary starts headless and finds its resources, and removing the
# package leaves nothing behind.   package_test.sh <build dir>
set -euo pipefail
build=$(cd "$1" && pwd)
skip() {
    echo "SKIP: $*"
    exit 77
}
for tool in desktop-file-validate appstreamcli lintian cpack dpkg dpkg-deb unshare python3; do
    command -v "$tool" >/dev/null || skip "$tool is missing"
done
[[ $(id -u) == 0 ]] || skip "needs root (a private network namespace and dpkg --root)"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Starts a carrowen headless in a network namespace of its own (no route anywhere: its default hosts
# are never looked up outside) with a fresh HOME; answers its standard error once it has saved its
# first settings.
run_headless() {
    local home
    home=$(mktemp -d -p "$tmp")
    mkdir -m 700 "$home/run"
    env -i PATH="$PATH" HOME="$home" XDG_RUNTIME_DIR="$home/run" LANG=C.UTF-8 \
        unshare --net -- "$1" 2>"$home/err" &
    local pid=$! tries=0
    while [[ ! -f $home/Documents/com.velbor.Carrowen/TestFile.txt ]] && ((tries++ < 300)); do
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [[ -f $home/Documents/com.velbor.Carrowen/TestFile.txt ]] || fail "$1 did not start: $(cat "$home/err")"
    cat "$home/err"
}

check_installed() {
    local p=$1
    desktop-file-validate "$p/share/applications/com.velbor.Carrowen.desktop" || fail "desktop entry"
    appstreamcli validate --no-net "$p/share/metainfo/com.velbor.Carrowen.metainfo.xml" >/dev/null ||
        fail "metainfo: $(appstreamcli validate --no-net "$p/share/metainfo/com.velbor.Carrowen.metainfo.xml")"
    for size in 16 22 24 32 48 64 128 256; do
        local icon=$p/share/icons/hicolor/${size}x${size}/apps/carrowen.png
        [[ $(python3 -c 'import struct, sys; print("%dx%d" % struct.unpack(">II", open(sys.argv[1], "rb").read(24)[16:24]))' \
            "$icon") == "${size}x${size}" ]] || fail "$icon"
    done
    # --help and --version print and exit at once, whatever the environment.
    [[ $("$p/bin/carrowen" --version) == "carrowen "* ]] || fail "--version"
    [[ $(env -i "$p/bin/carrowen" --help) == "Usage: carrowen"* ]] || fail "--help"
    local err
    err=$(run_headless "$p/bin/carrowen")
    [[ $err != *"no resources in"* ]] || fail "the installed binary did not find its resources: $err"
}

# 1. A temporary prefix; the binary copied where there are no resources must say so.
cmake --install "$build" --prefix "$tmp/prefix" >/dev/null
check_installed "$tmp/prefix"
mkdir -p "$tmp/bare/bin"
cp "$tmp/prefix/bin/carrowen" "$tmp/bare/bin/"
[[ $(run_headless "$tmp/bare/bin/carrowen") == *"no resources in"* ]] || fail "a binary without resources did not say so"

# 2. The Debian package, checked by lintian.
(cd "$tmp" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$tmp/pkg" >"$tmp/cpack.log") ||
    fail "cpack: $(cat "$tmp/cpack.log")"
deb=$(ls "$tmp"/pkg/*.deb)
lintian --fail-on error "$deb" || fail "lintian reports errors"
echo "$(basename "$deb"): Installed-Size $(dpkg-deb -f "$deb" Installed-Size) KiB, $(stat -c %s "$deb") bytes"

# 3. Installed into an empty root with dpkg, started, removed.
root=$tmp/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
# The root holds no other package, so the dependencies cannot be met there: forced.
dpkg --root="$root" --log=/dev/null --force-depends -i "$deb" >/dev/null 2>"$tmp/dpkg.log" ||
    fail "dpkg -i: $(cat "$tmp/dpkg.log")"
check_installed "$root/usr"
dpkg --root="$root" --log=/dev/null --purge carrowen >/dev/null || fail "dpkg --purge"
left=$(find "$root" -not -type d -not -path "$root/var/*")
[[ -z $left ]] || fail "left behind after removal: $left"
echo "PASS"
