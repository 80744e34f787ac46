#!/usr/bin/env bash
# Configures and builds both builds: the Win32 program (build/win) and the
# native sanitizer build of the byte-level code (build/native).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
if [ ! -f "$top/build/win/build.ninja" ]; then
  cmake -S "$top" -B "$top/build/win" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" >/dev/null
fi
cmake --build "$top/build/win" -j "$jobs"
if [ "${1:-}" != "--win-only" ]; then
  if [ ! -f "$top/build/native/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$top" -B "$top/build/native" -G Ninja \
          -DQUORVEX_NATIVE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
  fi
  cmake --build "$top/build/native" -j "$jobs"
fi
