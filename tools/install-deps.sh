#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Carrowen need, if any is missing.
# Runs apt-get non-interactively, as root or through sudo.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config python3
    qt6-base-dev qt6-multimedia-dev qt6-tools-dev-tools
    libminizip-dev zlib1g-dev libcurl4-openssl-dev
    libespeak-ng-dev espeak-ng-data libsndfile1-dev libxtst-dev libx11-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xdg-utils xvfb xauth x11-utils trayer openbox pulseaudio pulseaudio-utils sox
    zip unzip iproute2 util-linux locales xclip openssl dbus-daemon
    clang libclang-rt-14-dev clang-format gobjc libgnustep-base-dev make
    poppler-utils desktop-file-utils appstream lintian dbus-daemon
)
# Extra packages named by the caller (for example CARROWEN_EXTRA_PACKAGES="gdb").
read -r -a extra <<<"${CARROWEN_EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
if ((${#missing[@]} == 0)); then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo=()
if [[ $(id -u) -ne 0 ]]; then
    sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=300 "${missing[@]}"
