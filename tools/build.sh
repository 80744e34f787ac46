#!/usr/bin/env bash
# Configures and builds both builds: the Win32 program (build/win) and the
# native sanitizer build of the byte-level code (build/native).
#   tools/build.sh                        both builds, everything
#   tools/build.sh --win-only [TARGET...] the Win32 build only; only the
#                                         targets named, when any are
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
winOnly=0
if [ "${1:-}" = "--win-only" ]; then
  winOnly=1
  shift
fi
targets=()
for t in "$@"; do targets+=(--target "$t"); done
if [ ! -f "$top/build/win/build.ninja" ]; then
  cmake -S "$top" -B "$top/build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$top/build/win" -j "$jobs" "${targets[@]}"
if [ $winOnly -eq 0 ]; then
  if [ ! -f "$top/build/native/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$top/build/native" -G Ninja \
          -DQUORVEX_NATIVE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
  fi
  cmake --build "$top/build/native" -j "$jobs"
fi
