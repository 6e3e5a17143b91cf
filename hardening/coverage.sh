#!/bin/sh
# Line and branch coverage of the test suite, per source folder. Configures a build with
# -DIMPCUST_COVERAGE=ON in a folder of its own (build-coverage/ beside the sources, or
# IMPCUST_COVERAGE_BUILD), builds it, runs every CTest test from fresh counters and prints one
# line per folder. Test sources (*_test.cpp, test helpers) are not counted; the fuzz targets are
# not built here.
#
# Usage: hardening/coverage.sh [extra ctest arguments, e.g. -LE long]
# Environment: IMPCUST_JOBS (build and test jobs, default 2).
# Exits non-zero when the build fails, when gcovr is missing, or when a test failed (the
# figures are printed all the same, since a failing test still counts what it ran).
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
build=${IMPCUST_COVERAGE_BUILD:-$src/build-coverage}
jobs=${IMPCUST_JOBS:-2}

if ! command -v gcovr >/dev/null 2>&1; then
  echo "coverage: gcovr is needed (e.g. apt-get install gcovr)" >&2
  exit 2
fi

mkdir -p "$build"
if ! cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DIMPCUST_COVERAGE=ON \
  -DIMPCUST_BUILD_GUI=OFF -DIMPCUST_BUILD_BENCH=OFF >"$build/configure.log" 2>&1; then
  echo "coverage: configure failed (log $build/configure.log)" >&2
  exit 1
fi
if ! cmake --build "$build" -j"$jobs" >"$build/build.log" 2>&1; then
  echo "coverage: build failed (log $build/build.log)" >&2
  tail -n 30 "$build/build.log" >&2
  exit 1
fi

# Counters of an earlier run would add up with this one.
find "$build" -name '*.gcda' -delete

tests=0
ctest --test-dir "$build" -j"$jobs" --output-on-failure "$@" >"$build/ctest.log" 2>&1 || tests=1
grep -E '^[0-9]+% tests passed|tests failed out of' "$build/ctest.log" | sed 's/^/coverage: ctest: /'
if [ $tests -ne 0 ]; then
  echo "coverage: some tests failed (log $build/ctest.log):" >&2
  sed -n '/The following tests FAILED/,$p' "$build/ctest.log" >&2
fi

summary=$build/coverage.json
# Run from the sources, so that the relative filters below match paths like isam/x_test.cpp.
cd "$src" || exit 1
if ! gcovr --root "$src" --object-directory "$build" \
  --exclude '(.*/)?[^/]*_test\.cpp$' --exclude '(.*/)?test_[a-z_]*\.(cpp|h)$' \
  --exclude '(.*/)?_deps/.*' --exclude "$build/.*" \
  --exclude-throw-branches --json-summary "$summary" >"$build/gcovr.log" 2>&1; then
  echo "coverage: gcovr failed (log $build/gcovr.log)" >&2
  exit 1
fi

python3 - "$summary" <<'EOF'
import json, sys
from collections import defaultdict

with open(sys.argv[1]) as f:
    files = json.load(f)["files"]
totals = defaultdict(lambda: [0, 0, 0, 0])  # lines covered, lines, branches covered, branches
for entry in files:
    name = entry["filename"]
    parts = name.split("/")
    folder = "/".join(parts[:2]) if parts[0] == "tools" and len(parts) > 2 else parts[0]
    if len(parts) == 1:
        folder = "(root)"
    t = totals[folder]
    t[0] += entry["line_covered"]
    t[1] += entry["line_total"]
    t[2] += entry["branch_covered"]
    t[3] += entry["branch_total"]

def pct(covered, total):
    return "%6.1f%%" % (100.0 * covered / total) if total else "     - "

print("%-22s %8s %15s %8s %15s" % ("folder", "lines", "", "branches", ""))
grand = [0, 0, 0, 0]
for folder in sorted(totals):
    t = totals[folder]
    grand = [g + v for g, v in zip(grand, t)]
    print("%-22s %8s %7d/%-7d %8s %7d/%-7d"
          % (folder, pct(t[0], t[1]), t[0], t[1], pct(t[2], t[3]), t[2], t[3]))
print("%-22s %8s %7d/%-7d %8s %7d/%-7d"
      % ("all", pct(grand[0], grand[1]), grand[0], grand[1], pct(grand[2], grand[3]), grand[2],
         grand[3]))
EOF
exit $tests
