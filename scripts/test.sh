#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice: in a normal build and
# in a build with AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_suite() {
  local dir=$1
  shift
  echo "== build $dir"
  "$root/scripts/build.sh" "$dir" -DTD_WERROR=ON "$@"
  echo "== test $dir"
  # A private session bus, so that D-Bus tests never touch the user's own.
  dbus-run-session -- ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

start=$(date +%s)
run_suite "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DTD_SANITIZE=ON
echo "== all tests passed in $(( $(date +%s) - start )) s"
