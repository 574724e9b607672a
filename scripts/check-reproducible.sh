#!/bin/sh
# Checks that the installer builds bit for bit the same: clones HEAD twice, into two temporary
# folders of different names and depths, builds the installer in each clone one after the other
# (at different times), and compares the bytes of the programs and of the embedded payload.
#
#   scripts/check-reproducible.sh [PRESET...]     default: mingw-x86 mingw-x64
#
# Only committed work is checked (the clones are of HEAD). SOURCE_DATE_EPOCH, when set, is passed
# on; otherwise each build takes the date of the last commit. Ends with "reproducible: ok" or
# "reproducible: FAILED" and a hint where the builds differ.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
presets=${*:-mingw-x86 mingw-x64}
commit=$(git -C "$ROOT" rev-parse HEAD)
work=$(mktemp -d "${TMPDIR:-/tmp}/sv-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

first=$work/a
second=$work/second/clone-of-$(echo "$commit" | cut -c1-12)
for dir in "$first" "$second"; do
  git clone -q --shared --no-checkout "$ROOT" "$dir"
  git -C "$dir" -c advice.detachedHead=false checkout -q --detach "$commit"
done

# The files that must come out the same, relative to a build folder.
outputs="bin/InstallSarvelio6.04h.exe demo/payload.bin demo/Sarvelio.exe demo/Uninstall.exe"

build() {  # clone preset
  start=$(date +%s)
  if ! (cd "$1" && cmake --preset "$2" -DSV_BUILD_TESTS=OFF && cmake --build --preset "$2" --target installer) \
      >"$1/build-$2.log" 2>&1; then
    tail -n 30 "$1/build-$2.log"
    echo "reproducible: FAILED (the build of $2 in $1 failed)"
    exit 1
  fi
  echo "built $2 in $1 in $(( $(date +%s) - start )) s"
}

# Where two files differ: the count, the first offsets, the PE section holding the first one.
explain() {  # file-a file-b
  count=$(cmp -l "$1" "$2" 2>/dev/null | wc -l || true)
  echo "  $(basename "$1"): sizes $(stat -c %s "$1") and $(stat -c %s "$2"), $count bytes differ; first offsets (1-based):"
  cmp -l "$1" "$2" 2>/dev/null | head -n 5 | sed 's/^/    /' || true
  for dir in "$first" "$second"; do
    if grep -a -q -F "$dir" "$1" "$2" 2>/dev/null; then echo "  the clone's path $dir is inside"; fi
  done
  if objdump -h "$1" >/dev/null 2>&1; then
    echo "  headers (objdump -x) differ in:"
    objdump -x "$1" >"$work/x1" 2>&1 || true
    objdump -x "$2" >"$work/x2" 2>&1 || true
    diff "$work/x1" "$work/x2" | head -n 10 | sed 's/^/    /' || true
  fi
  echo "  hint: cmp -l A B | head; objdump -x / -s -j SECTION on both; strings -a A | grep /tmp"
}

status=0
for preset in $presets; do
  build "$first" "$preset"
  build "$second" "$preset"
  for file in $outputs; do
    a=$first/build/$preset/$file
    b=$second/build/$preset/$file
    if [ ! -f "$a" ] || [ ! -f "$b" ]; then
      echo "$preset: $file missing"; status=1
    elif cmp -s "$a" "$b"; then
      echo "$preset: $file identical ($(stat -c %s "$a") bytes, sha256 $(sha256sum "$a" | cut -c1-16))"
    else
      echo "$preset: $file DIFFERS"; explain "$a" "$b"; status=1
    fi
  done
done
if [ "$status" -eq 0 ]; then
  echo "reproducible: ok ($presets, commit $(echo "$commit" | cut -c1-12))"
else
  echo "reproducible: FAILED"
fi
exit $status
