#!/usr/bin/env bash
# Builds the native test suite with AddressSanitizer and UndefinedBehaviorSanitizer into its own
# folder (build-asan) and runs it. The fuzzers (already sanitized in the normal build) and the
# benchmarks are left out: they add build time and prove nothing more here.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KVX_SANITIZER_BUILD_DIR:-$root/build-asan}
jobs=${KVX_JOBS:-$(nproc)}
started=$SECONDS

"$root/scripts/install-deps.sh"

sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [[ ! -f $build/CMakeCache.txt ]]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # -O1 keeps the instrumented suite quick without optimising away what the sanitizers watch; line
  # tables are all the reports need and compile much faster than full debug information.
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE= \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
    -DCMAKE_C_FLAGS="$sanitizers -O1 -gline-tables-only" -DCMAKE_CXX_FLAGS="$sanitizers -O1 -gline-tables-only" \
    -DCMAKE_EXE_LINKER_FLAGS="$sanitizers" -DCMAKE_SHARED_LINKER_FLAGS="$sanitizers" \
    -DKVX_BUILD_FUZZERS=OFF -DKVX_BUILD_BENCH=OFF
fi
cmake --build "$build" --parallel "$jobs"

# Every finding fails its test. Leak checking stays on; the few allocations Qt and the system
# libraries keep for the process's lifetime are listed in the suppressions file.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:halt_on_error=1:detect_stack_use_after_return=0:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan-suppressions.txt:print_suppressions=0}

status=0
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$jobs" --timeout 600) || status=1
echo "== Sanitizer suite took $((SECONDS - started)) s"
exit $status
