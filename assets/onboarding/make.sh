#!/usr/bin/env bash
# Renders the onboarding video (qlnt_onb_1.mp4) and pictures (onboarding-2 … -5.png)
# from Quillnest itself: the program runs under Xvfb over a desktop picture drawn
# here, the capture overlay and its chrome are driven with xdotool, and ffmpeg records
# and crops what they show. Needs a development build (scripts/build.sh dev) and the
# end-to-end test packages (scripts/deps.sh test).
# Usage: assets/onboarding/make.sh [path/to/quillnest]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bin=${1:-$root/build/dev/bin/quillnest}
[ -x "$bin" ] || { echo "no quillnest at $bin: build it with scripts/build.sh dev" >&2; exit 1; }
QUILLNEST_BIN=$bin exec /usr/bin/python3 "$here/render.py" "$here"
