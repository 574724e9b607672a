#!/bin/sh
# Runs a program of the build under Wine in a prefix made for this one run, after planting a Unix
# symbolic link to a folder in it, as a standard user would plant a junction:
#   linked-prefix-run.sh PREFIX LINK TARGET program.exe args...
# LINK and TARGET are relative to the prefix's drive_c (for example ProgramData/Kavrenco/Sarvelio
# and Decoy). TARGET is created holding the file marker.txt; LINK's parent folders are created.
# Wine reports such a link as a reparse point (attributes 0x410) and follows it when opened.
# The prefix is removed first and afterwards unless KEEP_PREFIX is set. Exit status: the program's.
set -u
prefix=$1 link=$2 target=$3
shift 3
here=$(cd "$(dirname "$0")" && pwd)
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
rm -rf "$prefix" "$prefix.session" "$prefix.lock"
export WINEPREFIX="$prefix"
"$here/wine-run.sh" cmd /c exit 0 >/dev/null 2>&1 || true   # boots the prefix
drive="$prefix/drive_c"
mkdir -p "$drive/$target" "$(dirname "$drive/$link")"
echo "the folder the link leads to" > "$drive/$target/marker.txt"
ln -s "$drive/$target" "$drive/$link"
"$here/wine-run.sh" "$@"
status=$?
if [ -z "${KEEP_PREFIX:-}" ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$prefix" "$prefix.session" "$prefix.lock"
fi
exit $status
