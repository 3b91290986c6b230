#!/usr/bin/env bash
# Installs what is missing and builds Kovexa, its tests and its plugins into build/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KVX_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh"

if [[ ! -f $build/CMakeCache.txt ]]; then
  # ccache, where installed, makes rebuilds in further checkouts cheap; the build does not need it.
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVX_BUILD_FUZZERS=ON \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}"
fi
cmake --build "$build" --parallel "$(nproc)"
