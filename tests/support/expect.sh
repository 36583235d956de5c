# Assertions for the shell-script tests (sourced): each failed check is
# printed and counted in `failures`; the script decides at its end.
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

expect_eq() { # what, expected, actual
  [ "$2" == "$3" ] || fail "$1: expected [$2], got [$3]"
}

expect_contains() { # what, text, needle
  case "$2" in
    *"$3"*) ;;
    *) fail "$1: [$3] not in [$2]" ;;
  esac
}
