#!/bin/sh
# Imports the demo company's sample customers into a fresh copy of the demo company and
# verifies ARFILE01. Builds nothing: run it after the build (binaries in build/bin, or in
# $BUILD_DIR/bin).
set -e
here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$(dirname "$here")/build}
work="$build/demo-run"
rm -rf "$work"
mkdir -p "$work/company" "$work/startup" "$work/appdata" "$work/temp"
cp "$here/company/"* "$work/company/"
# Keep the run's per-user settings and work folders inside the run's folder.
APPDATA="$work/appdata" TEMP="$work/temp" "$build/bin/impcust-cli" import \
  --company "$work/company" --startup-dir "$work/startup" \
  --report "$work/report.json" --rejects "$work/rejects.csv" --no-progress \
  "$here/customers.csv"
echo "report: $work/report.json, rejected rows: $work/rejects.csv"
"$build/bin/isamtool" check "$work/company/ARFILE01"
