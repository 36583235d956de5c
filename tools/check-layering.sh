#!/usr/bin/env bash
# Checks the layout rules the compiler cannot see, over the source tree:
#  1. A subsystem's internal headers (<subsystem>/internal/) are included
#     only by the subsystem itself, relative to the including file
#     ("internal/x.h", or "../internal/x.h" from its testing/ folder); a path
#     such as "connector/internal/x.h" is refused.
#  2. Product code (every file of the subsystem folders except tests and
#     their testing/ folders) includes no test helper (tests/support/ or a
#     testing/ folder).
#  3. No code outside platform/ asks which operating system it is built for.
# Prints each breach and exits 1 when there is one.
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

product="platform shell transport collection connector report ui"
status=0
breach() {
  echo "check-layering: $1" >&2
  sed 's/^/  /' >&2
  status=1
}

sources() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -not -path '*/node_modules/*'; }

found=$(sources $product tools tests bench | xargs grep -nE '#include "[^"]*internal/' |
  grep -vE '#include "(\.\./)?internal/' || true)
[ -z "$found" ] || breach "internal headers included from outside their subsystem" <<<"$found"

found=$(sources $product | grep -vE '(_test\.cpp|/testing/)' |
  xargs grep -nE '#include "(tests/support/|[^"]*/testing/)' || true)
[ -z "$found" ] || breach "product code includes test helpers" <<<"$found"

found=$(sources shell transport collection connector report ui tools tests bench |
  xargs grep -nE '^\s*#\s*(if|ifdef|ifndef|elif)\b.*(_WIN32|_WIN64|__linux__|__APPLE__|__unix__|_POSIX_|__FreeBSD__|_MSC_VER)' ||
  true)
[ -z "$found" ] || breach "operating-system conditions outside platform/" <<<"$found"

exit $status
