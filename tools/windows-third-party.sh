#!/usr/bin/env bash
# Builds the third-party libraries of the Windows cross build into
# build/windows/third-party (include/, lib/, lib/cmake/):
#   pugixml      static library, from Debian's source package
#   cpp-httplib  header-only, from Debian's source package (its CMake config)
#   GoogleTest   gtest and gmock, from /usr/src/googletest (package googletest)
# The sources are the versions the Linux build uses. They are fetched with
# `apt-get source` through a private deb-src list and apt state inside the
# build folder, so the system's apt configuration is neither used nor
# changed; apt checks the .dsc and tarball hashes against the signed
# Sources index, and the versions are pinned below. Nothing is committed.
# Run again to rebuild; a finished build is skipped (remove the folder to
# start over).
set -euo pipefail
cd "$(dirname "$0")/.."

PUGIXML_VERSION=1.13-0.2
HTTPLIB_VERSION=0.11.4+ds-1+deb12u1
# SHA-256 of each .dsc; the .dsc in turn lists the hashes of its tarballs,
# which dpkg-source checks while unpacking.
PUGIXML_DSC_SHA256=f0ef481b50b6d01b04269fe109a2cace8d9dad6f6eb089f1c9aac5a0913aa7c2
HTTPLIB_DSC_SHA256=a4dde747bbde7cc9fa62cdf50d61140a0eaefb7f1383497ef2d48daf3bf5f9ec
MIRROR=${DRAVANTA_DEBIAN_MIRROR:-http://deb.debian.org/debian}
SECURITY_MIRROR=${DRAVANTA_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
KEYRING=/usr/share/keyrings/debian-archive-keyring.gpg

root=$PWD
out=$root/build/windows/third-party
work=$out/work
toolchain=$root/cmake/mingw-w64-x86_64.cmake
jobs=${DRAVANTA_JOBS:-2}

if [ -f "$out/.done" ]; then
  exit 0
fi

# The Linux build's headers must be the same versions, or the two builds
# would test different libraries.
check_linux_version() {
  local package=$1 expected=$2 installed
  installed=$(dpkg-query -W -f='${Version}' "$package" 2>/dev/null || true)
  if [ "$installed" != "$expected" ]; then
    echo "windows-third-party: $package is '$installed' here, this script pins $expected" >&2
    exit 1
  fi
}
check_linux_version libpugixml-dev "$PUGIXML_VERSION"
check_linux_version libcpp-httplib-dev "$HTTPLIB_VERSION"
[ -d /usr/src/googletest ] || { echo "windows-third-party: /usr/src/googletest missing (package googletest)" >&2; exit 1; }

rm -rf "$work"
mkdir -p "$work/apt/state/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts" \
  "$work/src"
cat >"$work/apt/sources.list" <<LIST
deb-src [signed-by=$KEYRING] $MIRROR bookworm main
deb-src [signed-by=$KEYRING] $SECURITY_MIRROR bookworm-security main
LIST
apt_options=(
  -o "Dir::Etc::sourcelist=$work/apt/sources.list"
  -o "Dir::Etc::sourceparts=$work/apt/parts"
  -o "Dir::State=$work/apt/state"
  -o "Dir::Cache=$work/apt/cache"
  -o "APT::Sandbox::User=root"
)

echo "=== fetching Debian sources"
apt-get "${apt_options[@]}" -qq update
(cd "$work/src" && apt-get "${apt_options[@]}" -qq source --download-only \
  "pugixml=$PUGIXML_VERSION" "cpp-httplib=$HTTPLIB_VERSION")
(cd "$work/src" && sha256sum --quiet --check - <<SUMS
$PUGIXML_DSC_SHA256  pugixml_$PUGIXML_VERSION.dsc
$HTTPLIB_DSC_SHA256  cpp-httplib_$HTTPLIB_VERSION.dsc
SUMS
) || { echo "windows-third-party: a .dsc does not match its pinned hash" >&2; exit 1; }
# (dpkg-source warns that it cannot check the uploader's signature: the
# uploaders' keys are not on this machine; the signed archive index and the
# pinned hashes above vouch for the files.)
for dsc in "$work/src"/*.dsc; do
  (cd "$work/src" && dpkg-source --require-strong-checksums -x "$dsc" >/dev/null)
done
pugixml_src=$(find "$work/src" -maxdepth 1 -type d -name 'pugixml-*' | head -1)
httplib_src=$(find "$work/src" -maxdepth 1 -type d -name 'cpp-httplib-*' | head -1)
[ -n "$pugixml_src" ] && [ -n "$httplib_src" ] || { echo "windows-third-party: unpacked sources not found" >&2; exit 1; }

# configure_and_install NAME SOURCE [CMAKE OPTIONS...]
configure_and_install() {
  local name=$1 source=$2
  shift 2
  echo "=== building $name for Windows"
  cmake -S "$source" -B "$work/build-$name" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$out" -DBUILD_SHARED_LIBS=OFF "$@" >/dev/null
  cmake --build "$work/build-$name" -j "$jobs" >/dev/null
  cmake --install "$work/build-$name" >/dev/null
}

configure_and_install pugixml "$pugixml_src" -DPUGIXML_BUILD_TESTS=OFF
configure_and_install cpp-httplib "$httplib_src" -DHTTPLIB_COMPILE=OFF \
  -DHTTPLIB_USE_OPENSSL_IF_AVAILABLE=OFF -DHTTPLIB_USE_ZLIB_IF_AVAILABLE=OFF \
  -DHTTPLIB_USE_BROTLI_IF_AVAILABLE=OFF
configure_and_install googletest /usr/src/googletest -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON

touch "$out/.done"
echo "=== third-party libraries in $out"
