#!/usr/bin/env bash
# Configures and builds one flavour. Usage: scripts/build.sh release|dev [build-dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
case "$flavour" in
  release) dir=${2:-$root/build/release}; dev=OFF; tests=OFF ;;
  dev) dir=${2:-$root/build/dev}; dev=ON; tests=ON ;;
  *) echo "usage: $0 release|dev [dir]" >&2; exit 2 ;;
esac
jobs=$(nproc)
# Several checkouts of the tree (worktrees) share one compiler cache when ccache is there.
launcher=()
if command -v ccache >/dev/null; then
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")} CCACHE_NOHASHDIR=true
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQN_DEV=$dev \
  -DQN_BUILD_TESTS=$tests -DQN_BUILD_BENCH=$tests "${launcher[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
