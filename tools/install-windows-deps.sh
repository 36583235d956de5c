#!/usr/bin/env bash
# Installs the Debian packages the Windows build needs: the mingw-w64 cross
# compiler (posix threads, for std::thread), Wine to run its tests, wixl and
# msitools for the installer package and dpkg-dev for `apt-get source`, which fetches
# the third-party libraries' Debian sources (tools/windows-third-party.sh).
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
  wine64 wixl msitools dpkg-dev
)

source "$(dirname "$0")/apt-install.sh"
install_missing_packages install-windows-deps "${PACKAGES[@]}"
