#!/bin/sh
# The installer program, driven through its wizard's real buttons, installs the demo payload
# into a Wine prefix booted for this run, twice: the wizard reaches its end page, the installation
# log ends with the log-file step "OK", and Uninstall.ulog lands in the default folder of the
# program's bitness on a 64-bit system ("Program Files (x86)" for the 32-bit build), with the
# Uninstall key and the product's own registration in that build's registry view only. The second
# run finds the installed program through that view: a reinstallation of the same version.
#   quick-install-test.sh PREFIX WIZARD_DRIVER INSTALLER BITS
set -u
prefix=$1; driver=$2; installer=$3; bits=$4
here=$(cd "$(dirname "$0")/../../cmake" && pwd)
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
case "$bits" in
  32) programs="Program Files (x86)"; view=/reg:32; other=/reg:64 ;;
  64) programs="Program Files"; view=/reg:64; other=/reg:32 ;;
  *) echo "FAIL: bitness must be 32 or 64, not '$bits'"; exit 1 ;;
esac
status=0
fail() { echo "FAIL: $*"; status=1; }
reg() { WINEPREFIX=$prefix "$here/wine-run.sh" reg query "$@" >/dev/null 2>&1; }
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sarvelio 6'
publisher='HKLM\Software\Kavrenco'

out=$(KEEP_PREFIX=1 "$here/fresh-prefix-run.sh" "$prefix" "$driver" quick "$(winpath "$installer")" 2>&1)
rc=$?
printf '%s\n' "$out"
[ $rc -eq 0 ] || fail "the wizard driver ended with $rc"
printf '%s\n' "$out" | tr -d '\r' | grep -q "^situation: 'Sarvelix 6.04h' Installation\.$" ||
  fail "the first run did not start as a fresh installation"
printf '%s\n' "$out" | tr -d '\r' | grep -q '^Installation Data Writing\.\.\.OK$' ||
  fail "no successful log-file step in the installation log"
folder="$prefix/drive_c/$programs/Kavrenco/Sarvelix 6"
[ -f "$folder/Uninstall.ulog" ] || fail "no Uninstall.ulog in C:\\$programs\\Kavrenco\\Sarvelix 6"
[ -f "$folder/Sarvelio.exe" ] || fail "no Sarvelio.exe in C:\\$programs\\Kavrenco\\Sarvelix 6"
reg "$uninstall" /v UninstallString $view || fail "no Uninstall key in the $bits-bit registry view"
reg "$uninstall" /v KvLanguage $view || fail "no KvLanguage in the $bits-bit registry view"
reg "$publisher" /v "Sarvelio 6 Path" $view || fail "the product did not register its path in the $bits-bit view"
reg "$uninstall" $other && fail "an Uninstall key in the other registry view ($other)"
reg "$publisher" /v "Sarvelio 6 Path" $other && fail "the product's path in the other registry view ($other)"

# The next installer run finds what the first one installed.
out=$(WINEPREFIX=$prefix "$here/wine-run.sh" "$driver" quick "$(winpath "$installer")" 2>&1)
rc=$?
printf '%s\n' "$out"
[ $rc -eq 0 ] || fail "the second wizard run ended with $rc"
printf '%s\n' "$out" | tr -d '\r' | grep -q "^situation: 'Sarvelix 6.04h' is already installed\.$" ||
  fail "the second run did not find the installed program (no reinstallation)"
printf '%s\n' "$out" | tr -d '\r' | grep -q '^Installation Data Writing\.\.\.OK$' ||
  fail "no successful log-file step in the reinstallation's log"

WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
WINEPREFIX=$prefix wineserver -w >/dev/null 2>&1 || true
rm -rf "$prefix" "$prefix.session" "$prefix.lock"
exit $status
