#!/usr/bin/env bash
# Cross-builds the Qt-less part of Kovexa for Windows with mingw-w64 and runs its tests under Wine.
# Fails, saying why, when mingw-w64 or Wine is missing: a skipped Windows suite never passes silently.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KVX_WINDOWS_BUILD_DIR:-$root/build-win}
jobs=${KVX_JOBS:-$(nproc)}

fail() {
  echo "test-windows: $*" >&2
  echo "test-windows: install the cross tools with scripts/install-deps.sh (Debian packages mingw-w64 and wine64)." >&2
  exit 1
}

command -v x86_64-w64-mingw32-g++-posix >/dev/null || fail "x86_64-w64-mingw32-g++-posix (mingw-w64) not found"
wine=$(command -v wine64 || command -v wine || true)
[[ -n $wine ]] || { [[ -x /usr/lib/wine/wine64 ]] && wine=/usr/lib/wine/wine64; }
[[ -n $wine ]] || fail "wine64 not found"
wineserver=$(command -v wineserver || true)
[[ -n $wineserver ]] || { [[ -x /usr/lib/wine/wineserver ]] && wineserver=/usr/lib/wine/wineserver; }
[[ -n $wineserver ]] || fail "wineserver not found"

if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DKVX_WITH_QT=OFF -DKVX_BUILD_PLUGINS=OFF -DKVX_BUILD_BENCH=OFF
fi
cmake --build "$build" --parallel "$jobs"

# A private prefix: the tests never see (or change) the user's own ~/.wine. Mono and Gecko are
# not wanted, which also keeps the one-time creation at about ten seconds.
export WINEPREFIX=$build/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "Creating the Wine prefix $WINEPREFIX (once)"
  rm -rf "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || fail "wineboot could not create $WINEPREFIX"
  "$wineserver" -w
fi

# One persistent server for the whole run: without it every test process pays the server's
# start and its three-second linger on exit.
# (It exits with status 2 when a server for this prefix is already up; that one is used then.)
"$wineserver" -p || true
trap '"$wineserver" -k >/dev/null 2>&1 || true' EXIT
# The first program of a server starts Wine's background services, which inherit its output and
# live as long as the server: started here, they hold /dev/null instead of a pipe CTest waits on.
"$wine" wineboot </dev/null >/dev/null 2>&1 || fail "Wine could not start in $WINEPREFIX"

start=$(date +%s)
status=0
(cd "$build" && ctest --output-on-failure --parallel "$jobs" --timeout 300) || status=1
echo "Windows test suite finished in $(($(date +%s) - start)) s"
exit $status
