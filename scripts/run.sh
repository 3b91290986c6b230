#!/usr/bin/env bash
# Sets everything up and runs Kovexa on the bundled sample export.
#
# The demo runs in a private home folder: the stand-in editor (a test double for the Spine
# Editor's command line, not the editor) is placed where Kovexa looks for an editor, with a
# cached 4.2 version, so the one-click conversion can be tried end to end without touching your
# own settings or a real Spine installation. Extra arguments go to kovexa (for example
# --screenshot shot.png).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KVX_BUILD_DIR:-$root/build}

"$root/scripts/build.sh"

# Kept after Kovexa closes: projects converted into the sample's folder live there.
demo_home=$(mktemp -d "${TMPDIR:-/tmp}/kovexa-demo.XXXXXX")
mkdir -p "$demo_home/Spine" "$demo_home/.spine/updates" "$demo_home/.config"
printf '#!/bin/sh\n# Stand-in editor for the demo (not the Spine Editor).\nexec "%s" "$@"\n' \
  "$build/bin/kvx-standin-editor" > "$demo_home/Spine/Spine.sh"
chmod +x "$demo_home/Spine/Spine.sh"
printf 'stand-in cache entry\n' > "$demo_home/.spine/updates/4.2.43"
cp -r "$root/examples/." "$demo_home/sample"

echo "Demo home: $demo_home (sample copy in $demo_home/sample; delete the folder when done)."
HOME=$demo_home XDG_CONFIG_HOME=$demo_home/.config \
  "$build/bin/kovexa" "$demo_home/sample" "$@"
