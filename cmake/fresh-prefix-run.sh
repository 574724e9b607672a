#!/bin/sh
# Runs a program of the build under Wine in a prefix made for this one run:
#   fresh-prefix-run.sh [--link LINK TARGET] PREFIX program.exe args...
# The prefix is removed first (leftovers of an earlier run), made as a copy of a prefix booted
# once for all the runs beside it (PREFIX's folder/template; booting takes many times longer than
# copying), run through wine-run.sh, and removed again afterwards unless KEEP_PREFIX is set.
# --link plants a Unix symbolic link to a folder before the run, as a standard user would plant a
# junction: LINK and TARGET are relative to the prefix's drive_c (for example
# ProgramData/Kavrenco/Sarvelio and Decoy); TARGET is created holding the file marker.txt, LINK's
# parent folders are created. Wine reports such a link as a reparse point (attributes 0x410) and
# follows it when opened.
# Exit status: the program's.
set -u
link= target=
if [ "${1:-}" = --link ]; then
  link=$2 target=$3
  shift 3
fi
prefix=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
template=$(dirname "$prefix")/template

# Ends the prefix's server; its end writes the prefix's registry to disk.
stop() {
  WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$1 wineserver -w >/dev/null 2>&1 || true
}
remove() {
  stop "$1"
  rm -rf "$1" "$1.session" "$1.lock"
}

remove "$prefix"
mkdir -p "$(dirname "$prefix")"
# The runs beside it make and copy the template one at a time. The lock is a file of its own:
# "$template.lock" is wine-run.sh's lock of the template prefix, and removing the template
# removes it.
(
  flock 8
  if [ ! -f "$template.ready" ]; then
    remove "$template"
    WINEPREFIX=$template "$here/wine-run.sh" cmd /c exit 0 </dev/null >/dev/null 2>&1 8>&- || true  # boots it
    stop "$template" 8>&-
    [ -f "$template/system.reg" ] && : > "$template.ready"
  fi
  cp -a "$template" "$prefix"
  cp "$template.session" "$prefix.session" 2>/dev/null || true
) 8>"$template.copying"

if [ -n "$link" ]; then
  drive="$prefix/drive_c"
  mkdir -p "$drive/$target" "$(dirname "$drive/$link")"
  echo "the folder the link leads to" > "$drive/$target/marker.txt"
  ln -s "$drive/$target" "$drive/$link"
fi

export WINEPREFIX="$prefix"
"$here/wine-run.sh" "$@"
status=$?
[ -n "${KEEP_PREFIX:-}" ] || remove "$prefix"
exit $status
