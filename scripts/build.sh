#!/usr/bin/env bash
# Configures and builds everything (product, simulator, tools, tests, benchmarks) into $QEV_BUILD.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/env.sh"
cmake -S "$QEV_ROOT" -B "$QEV_BUILD" -DCMAKE_BUILD_TYPE=${QEV_BUILD_TYPE:-Release} \
  -DCMAKE_TOOLCHAIN_FILE="$QEV_ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$QEV_BUILD" -j"$(nproc)" "$@"
