#!/usr/bin/env bash
# Brings a fresh Debian 12 machine to the state the build and tests need.
# Safe to run again: it only goes to apt when a package is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-14-dev
    googletest libgtest-dev libbenchmark-dev libarchive-dev
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
    g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32
    wine wine32:i386 xvfb x11-utils imagemagick
    libarchive-tools unar valgrind python3 nodejs clang-tidy jq osslsigncode openssl
)

# The official UnRAR library as a black box for the packing tests: pinned,
# in the build tree, installed once.
install_unrar_oracle() {
    local prefix
    prefix="$(cd "$(dirname "$0")/.." && pwd)/build/node"
    [ -f "$prefix/node_modules/node-unrar-js/package.json" ] && return 0
    mkdir -p "$prefix"
    npm install --prefix "$prefix" --no-audit --no-fund --silent node-unrar-js@2.0.2 >/dev/null
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    install_unrar_oracle
    exit 0
fi

echo "installing: ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
install_unrar_oracle
