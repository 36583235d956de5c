#!/usr/bin/env bash
# Installs the Debian packages the Windows build needs: the mingw-w64 cross
# compiler (posix threads, for std::thread), Wine to run its tests, msitools
# for the installer package and dpkg-dev for `apt-get source`, which fetches
# the third-party libraries' Debian sources (tools/windows-third-party.sh).
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine64 msitools dpkg-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-windows-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
