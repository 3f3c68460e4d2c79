#!/bin/sh
# fuzz_confinement_test.sh FUZZ_PAYLOAD WORK
# Runs the payload fuzz target on archives whose templates name a folder
# outside its scratch folder (absolute, climbing out with "..") and relative
# folders, from an empty current directory and with its own temporary
# folder: afterwards all three must be empty.
set -eu
fuzz=$1
work=$2
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/inputs" "$work/outside" "$work/cwd" "$work/tmp"
"$fuzz" --write-escapes "$work/inputs" "$work/outside"
cd "$work/cwd"
TMPDIR="$work/tmp" "$fuzz" "$work/inputs/escape-sink" "$work/inputs/escape-extract" >"$work/run.log" 2>&1 ||
  { cat "$work/run.log"; exit 1; }
grep -q "Executed $work/inputs/escape-extract" "$work/run.log" || { cat "$work/run.log"; exit 1; }
left=$(find "$work/outside" "$work/cwd" "$work/tmp" -mindepth 1)
if [ -n "$left" ]; then
  echo "written outside the fuzz target's scratch folder:"
  echo "$left"
  exit 1
fi
echo "nothing written outside the scratch folder"
