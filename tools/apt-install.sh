# Sourced by the install scripts. install_missing_packages NAME PACKAGE...
# installs the Debian packages not yet installed (apt-get update once, then
# apt-get install); when everything is present it only checks and returns.
# NAME introduces the message that asks for root.
install_missing_packages() {
  local name=$1
  shift
  local missing=() p
  for p in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "$name: missing packages: ${missing[*]} (run as root to install them)" >&2
    return 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
