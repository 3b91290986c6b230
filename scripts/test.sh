#!/usr/bin/env bash
# Sets everything up, then runs the whole test suite: the native tests, the Windows build of the
# platform code under Wine, then the native tests again built with the sanitizers (build-asan/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KVX_BUILD_DIR:-$root/build}

"$root/scripts/build.sh"

status=0
echo "== Native test suite"
(cd "$build" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)" --timeout 300) || status=1

echo "== Windows test suite (mingw-w64 build under Wine)"
bash "$root/scripts/test-windows.sh" || status=1

echo "== Native test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
bash "$root/scripts/test-sanitizers.sh" || status=1
exit $status
