#!/bin/sh
# The main job: builds what is needed and starts the installer under Wine, in a demo prefix of
# its own (build/demo-prefix), on the payload embedded in it.
# wine64 cannot run 32-bit programs here, so the demo runs the x86_64 build of the same sources;
# the shipped 32-bit installer is build/mingw-x86/bin/InstallSarvelio6.04h.exe.
# Without a display the installer runs under Xvfb and a screenshot lands in build/demo/.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
"$ROOT/scripts/setup.sh"
cmake --preset mingw-x64 >/dev/null
cmake --build --preset mingw-x64 --target installer
cmake --preset mingw-x86 >/dev/null
cmake --build --preset mingw-x86 --target installer

EXE="$ROOT/build/mingw-x64/bin/InstallSarvelio6.04h.exe"
export WINEPREFIX="$ROOT/build/demo-prefix"
mkdir -p "$ROOT/build/demo"
if [ -n "${DISPLAY:-}" ]; then
  rc=0; "$ROOT/cmake/wine-run.sh" "$EXE" || rc=$?
else
  SHOT="$ROOT/build/demo/installer.png"
  xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
    "$1/cmake/wine-run.sh" "$2" & pid=$!
    sleep "${DEMO_SHOT_DELAY:-8}"
    import -window root "$3" 2>/dev/null || true
    wait $pid' sh "$ROOT" "$EXE" "$SHOT" || rc=$?
  echo "demo: screenshot in $SHOT"
fi
echo "demo: installer exited with code $rc"
