#!/usr/bin/env bash
# Installs what is missing, builds Quillnest and starts it in the tray.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" run
"$root/scripts/build.sh" release
exec "$root/build/release/bin/quillnest" "$@"
