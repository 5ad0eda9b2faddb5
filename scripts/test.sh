#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite twice: in a normal build and
# in a build with AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
jobs=$(nproc)
# Some tests run again under a comma-decimal locale; it must exist.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
export QT_QPA_PLATFORM=offscreen
# Leaks are errors; the suppressions cover leaks inside system libraries only.
# Slow unwinding at each allocation: sound-server plugins that ALSA loads and unloads again
# leave allocations whose fast (frame-pointer) stacks end in an unloaded module; the full stack
# reaches the system library that loaded them, which the suppressions name.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:fast_unwind_on_malloc=0
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
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
