#!/bin/sh
# The installer program, driven through its wizard's real buttons, installs the demo payload
# into a Wine prefix booted for this run: the wizard reaches its end page, the installation log
# ends with the log-file step "OK", and Uninstall.ulog and the Uninstall key exist.
#   quick-install-test.sh PREFIX WIZARD_DRIVER INSTALLER
set -u
prefix=$1; driver=$2; installer=$3
here=$(cd "$(dirname "$0")/../../cmake" && pwd)
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
out=$(KEEP_PREFIX=1 "$here/fresh-prefix-run.sh" "$prefix" "$driver" quick "$(winpath "$installer")" 2>&1)
rc=$?
printf '%s\n' "$out"
status=0
[ $rc -eq 0 ] || { echo "FAIL: the wizard driver ended with $rc"; status=1; }
printf '%s\n' "$out" | tr -d '\r' | grep -q '^Installation Data Writing\.\.\.OK$' ||
  { echo "FAIL: no successful log-file step in the installation log"; status=1; }
[ -f "$prefix/drive_c/Program Files/Kavrenco/Sarvelix 6/Uninstall.ulog" ] ||
  { echo "FAIL: no Uninstall.ulog"; status=1; }
WINEPREFIX=$prefix "$here/wine-run.sh" reg query \
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sarvelio 6' /v UninstallString >/dev/null 2>&1 ||
  { echo "FAIL: no Uninstall key"; status=1; }
WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
rm -rf "$prefix" "$prefix.session" "$prefix.lock"
exit $status
