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
  echo "install-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
