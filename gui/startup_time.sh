#!/bin/sh
# Start-up time of the desktop program to its company dialog. Launches build/bin/impcust on
# the offscreen platform in a fresh start-up directory (with and without a company list)
# several times; the program prints the milliseconds from its entry to the first company
# window and leaves it as a user pressing Esc would. Also prints the wall-clock time of each
# whole run (launch to exit) measured here.
#   usage: gui/startup_time.sh [build-dir] [runs]
set -eu
build=${1:-build}
runs=${2:-10}
bin=$(cd "$build/bin" && pwd)/impcust
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export QT_QPA_PLATFORM=offscreen IMPCUST_STARTUP_PROBE=1
export APPDATA="$scratch/appdata" TEMP="$scratch"
for list in none present; do
  mkdir -p "$scratch/start-$list"
  if [ "$list" = present ]; then
    printf 'Demo;%s\r\n' "$scratch/start-$list/DATAFILE" > "$scratch/start-$list/USERDRV.INI"
  fi
  i=0
  while [ $i -lt "$runs" ]; do
    start=$(date +%s%N)
    out=$(cd "$scratch/start-$list" && "$bin")
    end=$(date +%s%N)
    echo "list=$list $out wall-ms $(( (end - start) / 1000000 ))"
    i=$((i + 1))
  done
done
