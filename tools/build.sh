#!/usr/bin/env bash
# Configures and builds the tree for Windows into $1 (default out/build).
#   TAVRIN_ARCH     i686 (default: the shipped 32-bit programs) or x86_64
#   TAVRIN_TARGETS  build only these targets (blank-separated)
# Further arguments go to CMake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/out/build}
shift || true
arch=${TAVRIN_ARCH:-i686}
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
targets=()
for t in ${TAVRIN_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$build" "${targets[@]}"
