#!/bin/sh
# Runs one fuzz target for SECONDS seconds over its seed corpus (fuzz/corpus/TARGET, copied
# into a work corpus so that the seeds in the tree stay as they are). Crash inputs land in
# build-fuzz/fuzz/crashes/. Exits non-zero when the target crashed, leaked or hung.
# Usage: fuzz/run.sh TARGET SECONDS [extra libFuzzer flags...]
set -eu
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer flags...]" >&2
  exit 2
fi
target=$1
seconds=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
build=${IMPCUST_FUZZ_BUILD:-$here/../build-fuzz}
"$here/build.sh" "$target"
work=$build/fuzz/work/$target
crashes=$build/fuzz/crashes
mkdir -p "$work" "$crashes"
if [ -d "$here/corpus/$target" ]; then cp -n "$here/corpus/$target"/* "$work"/ 2>/dev/null || true; fi
dict=""
if [ -f "$here/$target.dict" ]; then dict="-dict=$here/$target.dict"; fi
exec "$build/fuzz/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$crashes/$target-" $dict "$@" "$work"
