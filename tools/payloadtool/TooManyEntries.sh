#!/bin/sh
# payloadtool refuses a manifest of 65,536 entries (one more than the installer reads), writing
# nothing. Arguments: the tool, a source file.
tool=$1 source=$2
awk -v source="$source" 'BEGIN { for (i = 0; i < 65536; ++i) printf "ProgramFile | <InstallPath>\\d%d | %s\n", i, source }' \
  > many.manifest
rm -f many.bin
"$tool" build many.manifest many.bin > many.out 2>&1
status=$?
cat many.out
[ "$status" -eq 2 ] || { echo "exit status $status, expected 2"; exit 1; }
[ ! -e many.bin ] && [ ! -e many.bin.partial ] || { echo "a payload was written"; exit 1; }
grep -q 'many.manifest: 65536 entries: the installer reads at most 65535' many.out || { echo "message missing"; exit 1; }
echo "refused, nothing written"
