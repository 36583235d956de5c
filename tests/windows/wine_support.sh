# Running the Windows client under Wine from the shell-script tests
# (sourced; expects expect.sh). The caller sets `wine` (the wine64 loader)
# and exports WINEPREFIX; no display is used.

unset DISPLAY WAYLAND_DISPLAY
export WINEDEBUG=${WINEDEBUG:--all}
# A known locale, whatever the machine's: Wine then takes English (United
# States), whose ANSI code page is 1252.
export LANG=C.UTF-8 LC_ALL=C.UTF-8

# windows_path PATH: a Linux absolute path as Wine's drive Z: shows it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# wine_run SECONDS PROGRAM [ARGUMENT...]: runs a Windows program, its
# standard input closed; the exit code is the program's (124 when it ran
# out of time).
wine_run() {
  local limit=$1
  shift
  timeout --kill-after=10 "$limit" "$wine" "$@" </dev/null
}

# registry_dword KEY VALUE: the number of a REG_DWORD value as `reg query`
# prints it (0x...), empty when the key or value is missing.
registry_dword() {
  wine_run 60 reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    awk -v name="$2" '$1 == name && $2 == "REG_DWORD" { print $3 }'
}
