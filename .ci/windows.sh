#!/usr/bin/env bash
# Windows cross-build: builds everything there is for 64-bit Windows with MinGW-w64, runs the
# tests under Wine (as real Windows processes against the Win32 calls, one Wine server for all),
# then compiles the libraries and tools for 32-bit Windows. Runs unattended, as root, with no
# standard input. Exits non-zero when a build or a test fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD

win64=${IMPCUST_WIN64_BUILD:-$root/build-win64}
win32=${IMPCUST_WIN32_BUILD:-$root/build-win32}
jobs=${IMPCUST_JOBS:-2}

export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$win64/wineprefix}
export WINEARCH=win64
# No Mono or Gecko installers: the tests are console programs.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64
export WINESERVER=$wineserver

status=0
step() { echo "-- $*"; }
fail() { echo "!! $*"; status=1; }

common=(-DCMAKE_BUILD_TYPE=Release -DIMPCUST_BUILD_GUI=OFF -DIMPCUST_BUILD_BENCH=OFF)

step "configure x86-64 ($win64)"
mkdir -p "$win64" "$win32"
if ! cmake -S . -B "$win64" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    "${common[@]}" >"$win64/ci-configure.log" 2>&1; then
  cat "$win64/ci-configure.log"
  echo "!! x86-64 configure failed"
  exit 1
fi

step "build x86-64"
# Keep going past a failing target so that everything that builds is built and tested.
if ! cmake --build "$win64" -j"$jobs" -- -k >"$win64/ci-build.log" 2>&1; then
  grep -E "error|Error" "$win64/ci-build.log" | head -50
  fail "x86-64 build failed (full log: $win64/ci-build.log)"
fi

step "wine prefix ($WINEPREFIX)"
mkdir -p "$WINEPREFIX"
# One persistent server for all test processes: each program then starts in a fraction of a
# second, and processes that contend for locks meet in the same server. Stopped on exit.
"$wineserver" -p </dev/null >/dev/null 2>&1
trap '"$wineserver" -k </dev/null >/dev/null 2>&1 || true' EXIT
# Boot the prefix (initialise it the first time) before any test: the services it starts
# must be up before test programs start two at a time.
boot=()
[ -f "$WINEPREFIX/system.reg" ] || boot=(-i)
timeout 300 "$wine" wineboot "${boot[@]}" </dev/null >"$win64/ci-wineboot.log" 2>&1 ||
  fail "wineboot failed (log: $win64/ci-wineboot.log)"

step "tests under wine"
if ! ctest --test-dir "$win64" --output-on-failure -j"$jobs" --timeout 600 </dev/null \
    >"$win64/ci-ctest.log" 2>&1; then
  grep -vE "^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed" "$win64/ci-ctest.log" | tail -80
  fail "tests failed under wine"
else
  tail -3 "$win64/ci-ctest.log"
fi
grep -hE "^\[  SKIPPED \]|Skipped" "$win64/ci-ctest.log" | sort -u | head -20 || true

# The same customer file imported by the Linux and the Windows program must write the same
# sets. The Linux build is the one .ci/run made before (build/, or IMPCUST_LINUX_BUILD).
linux=${IMPCUST_LINUX_BUILD:-$root/build}
step "same sets from the Linux and the Windows import"
if [ -x "$linux/bin/impcust-cli" ] && [ -f "$win64/bin/impcust-cli.exe" ]; then
  WINE=$wine bash "$root/.ci/compare-linux-windows.sh" "$linux/bin" "$win64/bin" \
    "$win64/compare-linux-windows" || fail "the Linux and the Windows import wrote different sets"
elif [ -x "$linux/bin/impcust-cli" ]; then
  fail "no Windows impcust-cli.exe to compare"
else
  echo "   not run: no Linux build in $linux (build it first, or set IMPCUST_LINUX_BUILD)"
fi

step "configure i686 ($win32)"
if cmake -S . -B "$win32" -G "Unix Makefiles" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-i686.cmake" \
    "${common[@]}" >"$win32/ci-configure.log" 2>&1; then
  # Libraries and tools only: every target but the tests, their helpers and GoogleTest.
  targets=$(cmake --build "$win32" --target help 2>/dev/null | sed -n 's/^\.\.\. \([^ ]*\).*/\1/p' |
    grep -vE '^(all|clean|depend|edit_cache|rebuild_cache|test|install.*|list_install_components)$' |
    grep -vE '(_tests|_test|_probe|^gtest.*|^gmock.*)$' | grep -vE '\.(o|i|s|obj)$' || true)
  step "build i686:" $targets
  if [ -n "$targets" ] &&
      ! cmake --build "$win32" -j"$jobs" --target $targets -- -k >"$win32/ci-build.log" 2>&1; then
    grep -E "error|Error" "$win32/ci-build.log" | head -50
    fail "i686 build failed (full log: $win32/ci-build.log)"
  fi
else
  cat "$win32/ci-configure.log"
  fail "i686 configure failed"
fi

[ "$status" -eq 0 ] && echo "-- windows: all built, all tests passed"
exit "$status"
