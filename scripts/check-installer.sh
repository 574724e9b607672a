#!/bin/sh
# Checks the shape of the built installers:
#   check-installer.sh <i686 installer> [<x86_64 installer>]
# The first is the shipped program: a 32-bit GUI program that needs no DLL beside it. For every one
# given, the import table may name only libraries that Windows never takes from the folder the
# installer was started from: KnownDLLs, and comctl32, which the manifest binds side by side. Any
# other library (version.dll, bcrypt.dll, ...) must be loaded at run time from the system folder.
set -eu
[ $# -ge 1 ] || { echo "installer check: usage: $0 <i686 installer> [<x86_64 installer>]"; exit 1; }
allowed='advapi32|comctl32|comdlg32|gdi32|kernel32|msvcrt|ole32|oleaut32|shell32|shlwapi|user32|ws2_32|rpcrt4|imm32|psapi|setupapi|normaliz|nsi|sechost|combase|shcore|gdiplus|imagehlp|msctf|clbcatq|wldap32|ntdll'
shipped=$1
summary=
for exe in "$@"; do
  [ -f "$exe" ] || { echo "installer check: missing $exe"; exit 1; }
  desc=$(file -b "$exe")
  if [ "$exe" = "$shipped" ]; then
    case "$desc" in
      *"PE32 executable (GUI) Intel 80386"*) ;;
      *) echo "installer check: not a 32-bit GUI program: $desc"; exit 1 ;;
    esac
  fi
  # The x86_64 objdump reads both PE32 and PE32+.
  dlls=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  [ -n "$dlls" ] || { echo "installer check: no import table read from $exe"; exit 1; }
  for dll in $dlls; do
    case "$dll" in
      libstdc++*|libgcc*|libwinpthread*|*boost*|libbz2*) echo "installer check: $exe needs $dll beside it"; exit 1 ;;
    esac
    if ! printf '%s\n' "$dll" | grep -qxE "($allowed)\.dll"; then
      echo "installer check: $exe imports $dll, which Windows may take from the installer's own folder"
      exit 1
    fi
  done
  size=$(stat -c %s "$exe")
  summary="$summary${summary:+; }$exe ($desc; $size bytes; imports: $(echo $dlls | tr '\n' ' '))"
done
echo "installer check: ok ($summary)"
