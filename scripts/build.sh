#!/usr/bin/env bash
# build.sh [build-dir] [extra cmake args...]: configures and builds with CMake and Ninja.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$root/build"}
shift || true
cmake -S "$root" -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir"
