#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: when everything is present it only checks and returns.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang clang-format libclang-rt-14-dev
  libcurl4-openssl-dev libssl-dev openssl libpugixml-dev libcpp-httplib-dev
  libgtest-dev googletest libgmock-dev libbenchmark-dev
  libsqlite3-dev libclamav-dev libyara-dev
  tinyproxy curl bfs xxd bc time python3-jsonschema
  nodejs chromium
)

source "$(dirname "$0")/apt-install.sh"
install_missing_packages install-deps "${PACKAGES[@]}"
