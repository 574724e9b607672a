#!/bin/sh
# Runs a program of the x64 build under Wine in a prefix made for this one run:
#   fresh-prefix-run.sh PREFIX program.exe args...
# The prefix is removed first (leftovers of an earlier run), booted by wine-run.sh, and removed
# again afterwards unless KEEP_PREFIX is set. Exit status: the program's.
set -u
prefix=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix" "$prefix.session" "$prefix.lock"
export WINEPREFIX="$prefix"
"$here/wine-run.sh" "$@"
status=$?
if [ -z "${KEEP_PREFIX:-}" ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix" "$prefix.session" "$prefix.lock"
fi
exit $status
