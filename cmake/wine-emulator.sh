#!/bin/sh
# Runs a cross-built Windows program under Wine for CTest and test discovery:
#   wine-emulator.sh <wine loader> <prefix folder> <program> [arguments...]
# The prefix is the build's own, so that tests never use or change the user's ~/.wine; Mono and
# Gecko are never installed into it, and Wine's diagnostics stay out of the test output.
wine=$1
prefix=$2
shift 2
export WINEPREFIX="$prefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec "$wine" "$@"
