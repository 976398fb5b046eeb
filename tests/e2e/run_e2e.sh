#!/usr/bin/env bash
# Runs one end-to-end test file. As root it runs in a network namespace of its own,
# so that every file gets its own loopback and its own fake cloud service port and
# the files can run side by side.
set -euo pipefail
file=$1; shift
here=$(cd "$(dirname "$0")" && pwd)
cmd=(/usr/bin/python3 -m pytest -q -p no:cacheprovider --rootdir "$here" "$file" "$@")
# Each namespace's X server takes display :0. Its abstract socket is private to the
# namespace, but the socket file in /tmp/.X11-unix is shared: a client that takes the
# file (python-xlib does) would reach another test's server. A private folder there
# keeps every test's clients on its own server.
if [ "$(id -u)" -eq 0 ] && unshare -n -m --propagation private true 2>/dev/null; then
  mkdir -p /tmp/.X11-unix
  exec unshare -n -m --propagation private bash -c \
    'mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix && ip link set lo up && exec "$@"' _ "${cmd[@]}"
fi
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n bash -c 'ip link set lo up && exec "$@"' _ "${cmd[@]}"
fi
exec "${cmd[@]}"
