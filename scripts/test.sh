#!/usr/bin/env bash
# Installs what is missing, builds the development flavour and runs every test:
# unit tests, then the end-to-end tests, each on an X display of its own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" test
# Lower folders never include from higher ones; a break of that fails before the build.
"$root/scripts/check_includes.py"
# The sources keep the layout of .clang-format.
"$root/scripts/format.sh" --check
"$root/scripts/build.sh" dev
cd "$root/build/dev"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
jobs=$(nproc)
# End-to-end tests mostly wait on timers; they can run wider than the core count. A file
# that fails is run once more, so that one starved timer on a loaded machine is not a verdict.
ctest --output-on-failure -j "$((jobs * 2))" --timeout 900 --repeat until-pass:2 "$@"
