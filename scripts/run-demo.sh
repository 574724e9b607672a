#!/bin/sh
# The main job: builds what is needed and starts the shipped installer, the 32-bit
# build/mingw-x86/bin/InstallSarvelio6.04h.exe, under Wine (32-bit Wine through WOW64 in a win64
# prefix, as on a 64-bit Windows), in a demo prefix of its own (build/demo-prefix), on the payload
# embedded in it.
# With a display the user drives the wizard. Without one it runs under Xvfb and
# tests/ui/tools/WizardDriver presses the real buttons of a quick installation (Next, Next,
# Install, Next, Exit), saving a PNG of every page it passes in build/demo/; then the installation
# log as the page shows it, the written Uninstall.ulog and the product's Uninstall key (in the
# 32-bit registry view, where the 32-bit installer writes it) are printed.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
"$ROOT/scripts/setup.sh"
cmake --preset mingw-x86 >/dev/null
cmake --build --preset mingw-x86 --target installer wizard_driver

EXE="$ROOT/build/mingw-x86/bin/InstallSarvelio6.04h.exe"
DRIVER="$ROOT/build/mingw-x86/tests/ui/wizard_driver.exe"
export WINEPREFIX="$ROOT/build/demo-prefix"
SHOTS="$ROOT/build/demo"
mkdir -p "$SHOTS"
rm -f "$SHOTS"/*.png
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
rc=0
if [ -n "${DISPLAY:-}" ]; then
  # The desktop's window manager places and decorates the wizard.
  SV_WINE_MANAGED=${SV_WINE_MANAGED:-Y} "$ROOT/cmake/wine-run.sh" "$EXE" || rc=$?
  echo "demo: installer exited with code $rc"
else
  xvfb-run -a -s "-screen 0 1024x768x24" \
    "$ROOT/cmake/wine-run.sh" "$DRIVER" quick "$(winpath "$EXE")" "$(winpath "$SHOTS")" || rc=$?
  echo "demo: screenshots in $SHOTS: $(cd "$SHOTS" && ls *.png 2>/dev/null | tr '\n' ' ')"
  echo "demo: wizard driver ended with code $rc"
fi

KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Sarvelio 6'
ULOG=$(find "$WINEPREFIX/drive_c" -name Uninstall.ulog 2>/dev/null | head -n 1)
if [ -n "$ULOG" ]; then
  echo "---- $ULOG ----"
  iconv -f UTF-16 -t UTF-8 "$ULOG" | tr -d '\r'
else
  echo "demo: no Uninstall.ulog was written"
fi
echo "---- $KEY ----"
"$ROOT/cmake/wine-run.sh" reg query "$KEY" /reg:32 2>/dev/null | tr -d '\r' || echo "demo: the Uninstall key does not exist"
exit "$rc"
