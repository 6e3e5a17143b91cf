#!/bin/sh
# The CI's fuzz smoke test: builds every fuzz target and runs each for IMPCUST_FUZZ_SECONDS
# (default 30) seconds. Prints one line per target; on a crash it prints the target's log
# tail and exits non-zero.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${IMPCUST_FUZZ_BUILD:-$here/../build-fuzz}
seconds=${IMPCUST_FUZZ_SECONDS:-30}
targets="csv_import_fuzz config_files_fuzz company_list_fuzz side_files_fuzz engine_set_fuzz journal_fuzz"
if ! "$here/build.sh" fuzz_all; then
  echo "fuzz: build failed" >&2
  exit 1
fi
status=0
mkdir -p "$build/fuzz/logs"
for t in $targets; do
  log=$build/fuzz/logs/$t.log
  if "$here/run.sh" "$t" "$seconds" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $t ok, ${runs:-?} runs in ${seconds}s"
  else
    echo "fuzz: $t FAILED (log $log)" >&2
    tail -n 40 "$log" >&2
    status=1
  fi
done
exit $status
