#!/bin/sh
# Checks the shape of the shipped installer: a 32-bit GUI program that needs no DLL beside it.
set -eu
exe=$1
[ -f "$exe" ] || { echo "installer check: missing $exe"; exit 1; }
desc=$(file -b "$exe")
case "$desc" in
  *"PE32 executable (GUI) Intel 80386"*) ;;
  *) echo "installer check: not a 32-bit GUI program: $desc"; exit 1 ;;
esac
dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
for dll in $dlls; do
  case "$dll" in
    libstdc++*|libgcc*|libwinpthread*|*boost*|libbz2*) echo "installer check: needs $dll beside it"; exit 1 ;;
  esac
done
size=$(stat -c %s "$exe")
echo "installer check: ok ($desc; $size bytes; imports: $(echo $dlls | tr '\n' ' '))"
