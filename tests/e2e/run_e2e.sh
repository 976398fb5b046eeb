#!/usr/bin/env bash
# Runs one end-to-end test file. As root it runs in a network namespace of its own,
# so that every file gets its own loopback and its own fake cloud service port and
# the files can run side by side.
set -euo pipefail
file=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
cmd=(/usr/bin/python3 -m pytest -q -p no:cacheprovider --rootdir "$here" "$file" "$@")
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n bash -c 'ip link set lo up && exec "$@"' _ "${cmd[@]}"
fi
exec "${cmd[@]}"
