#!/bin/sh
# Renders every page of the wizard in each of the ten installer languages to PNG files for review:
#   sh scripts/render-pages.sh [BUILD_FOLDER]      (default build/mingw-x86, the shipped 32-bit
#                                                   build; output build/pages/)
# Runs under Xvfb when there is no display, inside a Wine desktop so that the frame's caption is
# drawn.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/mingw-x86}
[ -f "$BUILD/CMakeCache.txt" ] || cmake --preset mingw-x86 -B "$BUILD" >/dev/null
cmake --build "$BUILD" --target wizard_pages
OUT="$ROOT/build/pages"
mkdir -p "$OUT"
rm -f "$OUT"/*.png
export WINEPREFIX="$BUILD/wineprefix"
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }
set -- "$ROOT/cmake/wine-run.sh" explorer /desktop=pages,1024x768 \
  "$(winpath "$BUILD/tests/ui/wizard_pages.exe")" "$(winpath "$OUT")"
if [ -n "${DISPLAY:-}" ]; then "$@"; else xvfb-run -a -s "-screen 0 1024x768x24" "$@"; fi
count=$(ls "$OUT"/*.png 2>/dev/null | wc -l)
echo "pages: $count PNG files in $OUT"
[ "$count" -eq 60 ]
