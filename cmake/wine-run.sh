#!/bin/sh
# Non-interactive Wine launcher for the tests (CTest's cross-compiling emulator) and for the demo run:
#   wine-run.sh prog.exe args...
# - WINEPREFIX must point into the build folder (the generated build/wine-run sets it); never the user's.
# - A fresh prefix is booted once, without wine-mono/wine-gecko prompts, debug output or
#   winemenubuilder, and gets Wine's Marlett font (from Debian's fonts-wine, which the setup
#   script installs) for the caption buttons: without it they show "0", "1" and "r".
# - A wineserver lingering WINE_PERSIST seconds runs for the prefix, and its services were started
#   by wineboot with stdio on /dev/null; otherwise they inherit the test's output pipe and CTest
#   waits for them to die.
# - The server is restarted when the X session (DISPLAY/XAUTHORITY) changes: a desktop created
#   without a display breaks later windows.
# - Windows are unmanaged (Wine places and decorates them itself) unless SV_WINE_MANAGED=Y: under
#   Xvfb no window manager runs, and for a managed window Wine waits two seconds for one each
#   time the window is shown or hidden. With a desktop's window manager, say SV_WINE_MANAGED=Y.
# - A GoogleTest run (--gtest_filter=..., --gtest_list_tests) fails when the program printed no
#   GoogleTest output: without 32-bit Wine, wine64 "runs" a 32-bit program by printing nothing and
#   exiting 0, which would pass every test of the shipped build without running one.
set -eu
: "${WINEPREFIX:?WINEPREFIX must be set}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}"
export WINEARCH=win64
# Wine converts arguments and file names with the Unix locale: keep it UTF-8.
export LC_ALL="${LC_ALL:-C.UTF-8}"
mkdir -p "$WINEPREFIX"
managed=${SV_WINE_MANAGED:-N}
key="${DISPLAY:-none}|${XAUTHORITY:-}|$managed"
(
  flock 9
  session=$(cat "$WINEPREFIX.session" 2>/dev/null || true)
  if [ "$session" != "$key" ]; then
    wineserver -k >/dev/null 2>&1 9>&- || true
    wineserver -w >/dev/null 2>&1 9>&- || true
  fi
  # status 0: no server ran for this prefix and one was started now
  if wineserver -p"${WINE_PERSIST:-30}" </dev/null >/dev/null 2>&1 9>&-; then
    if [ -f "$WINEPREFIX/system.reg" ]; then
      wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
    else
      wine wineboot -i </dev/null >/dev/null 2>&1 9>&- || true
      cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    fi
    if [ "$session" != "$key" ]; then
      wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f /reg:64 \
        </dev/null >/dev/null 2>&1 9>&- || true
    fi
    printf '%s\n' "$key" > "$WINEPREFIX.session"
  fi
) 9>"$WINEPREFIX.lock"
gtest=
for a in "$@"; do
  case "$a" in
    --gtest_list_tests) gtest=list ;;
    --gtest_filter=*) gtest=${gtest:-run} ;;
  esac
done
[ -n "$gtest" ] || exec wine "$@"
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
# Into a file, not a pipe: the processes that Wine starts for the program (explorer, rpcss) would
# hold a pipe open long after the program ended.
wine "$@" >"$out" || status=$?
cat "$out"
if [ "$gtest" = list ]; then
  grep -q '^[^ ]' "$out" && exit $status
  echo "wine-run: $1 listed no tests: the program did not run under Wine" >&2
  exit 1
fi
grep -q '^\[==========\] .* ran\.' "$out" && exit $status
echo "wine-run: $1 printed no GoogleTest summary: the program did not run to its end under Wine" >&2
[ $status -ne 0 ] || status=1
exit $status
