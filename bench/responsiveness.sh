#!/bin/sh
# The wizard's answer times while it installs, for the demo payload and for a payload of about
# 19 MB (the size of the delivered one), under Wine and Xvfb:
#   sh bench/responsiveness.sh [BUILD_FOLDER]     (default build/mingw-x64; also build/mingw-x86)
# Builds the installer, the payload tool and responsiveness_bench in that folder, writes the
# 19 MB payload's files (mostly random bytes, which bzip2 cannot shrink) into
# BUILD_FOLDER/bench/payload19m, and runs each installation in a Wine prefix booted for it.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build/mingw-x64}" && pwd)
cmake --build "$BUILD" --target installer responsiveness_bench sv_demo_payload
TOOL=$BUILD/host-tools/payloadtool/payloadtool
INSTALLER=$(ls "$BUILD"/bin/InstallSarvelio*.exe | head -n 1)
winpath() { printf 'Z:%s' "$1" | tr / '\\'; }

# The 19 MB payload: the demo's two programs, 16 random files of 1 MiB and 3 MiB of text.
DATA=$BUILD/bench/payload19m
mkdir -p "$DATA/files"
if [ ! -f "$DATA/payload.bin" ]; then
  i=0
  while [ $i -lt 16 ]; do
    head -c 1048576 /dev/urandom > "$DATA/files/data$i.bin"
    i=$((i + 1))
  done
  head -c 2359296 /dev/urandom | base64 > "$DATA/files/notes.txt"
  {
    echo "# About 19 MB, for the responsiveness benchmark; source paths relative to this folder."
    echo "MainExecutable | <InstallPath> | $BUILD/demo/Sarvelio.exe"
    echo "Uninstaller    | <InstallPath> | $BUILD/demo/Uninstall.exe"
    for f in "$DATA"/files/*; do echo "ProgramFile    | <InstallPath>\\Data | files/$(basename "$f")"; done
  } > "$DATA/payload.manifest"
  (cd "$DATA" && "$TOOL" build payload.manifest payload.bin)
fi

run() {  # name, then the bench's arguments
  name=$1; shift
  prefix=$BUILD/prefixes/bench-$name
  echo "== $name payload, $(basename "$BUILD") build"
  xvfb-run -a -s "-screen 0 1024x768x24" \
    "$ROOT/cmake/fresh-prefix-run.sh" "$prefix" "$BUILD/bench/responsiveness_bench.exe" "$@" | tr -d '\r'
}
run demo "$(winpath "$INSTALLER")"
run 19MB "$(winpath "$INSTALLER")" "$(winpath "$DATA/payload.bin")"
