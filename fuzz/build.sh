#!/bin/sh
# Configures (once) and builds the fuzz targets with clang and the fuzzer, address and
# undefined-behaviour sanitizers. Usage: fuzz/build.sh [TARGET...]; the build lives in
# build-fuzz/ beside the sources unless IMPCUST_FUZZ_BUILD names another folder.
set -eu
src=$(cd "$(dirname "$0")/.." && pwd)
build=${IMPCUST_FUZZ_BUILD:-$src/build-fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
# Configured every time, so that targets of folders that appeared since are known.
cmake -S "$src" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DIMPCUST_FUZZ=ON -DIMPCUST_BUILD_GUI=OFF \
  -DIMPCUST_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_C_FLAGS="$flags" >/dev/null
if [ $# -eq 0 ]; then set -- fuzz_all; fi
cmake --build "$build" --target "$@" -j2 >/dev/null
