#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Tessaline need.
# Idempotent: when every package is already present it only checks and returns.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    juce-modules-source
    libasound2-dev libfreetype-dev libx11-dev libxext-dev libxinerama-dev libxrandr-dev libxcursor-dev
    libgtest-dev googletest libbenchmark-dev
    clang libclang-rt-14-dev
    xvfb xauth xdotool imagemagick x11-utils ccache
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
