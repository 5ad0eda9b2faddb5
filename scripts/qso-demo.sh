#!/usr/bin/env bash
# Two Tonedeck stations holding a QSO through a virtual cable: a private sound server with two
# null sinks, one per direction; each station plays into its own and hears the other's monitor,
# so that, as on the air, it hears the other station and not itself. Nothing touches the
# desktop's own sound server or the user's settings: the server, both settings stores and both
# runtime directories live in a temporary directory that is removed at the end.
#
#   scripts/qso-demo.sh [CALL_A [CALL_B]]      (default QT0LB and QT7ZZ)
#
# Without a display an Xvfb screen :77 is started; screenshots of it can be taken with
# `DISPLAY=:77 import -window root shot.png`. Ctrl+C (or closing both windows) ends the demo.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
calls=("${1:-QT0LB}" "${2:-QT7ZZ}")
"$root/scripts/deps.sh"
[ -x "$root/build/bin/tonedeck" ] || "$root/scripts/build.sh" "$root/build"

work=$(mktemp -d /tmp/tonedeck-qso.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# The sound server: its own runtime, state and home directories; root may run it as a user
# server because nobody else connects to it.
mkdir -p "$work/server/run/pulse" "$work/server/home" "$work/server/state"
socket="$work/server/run/pulse/native"
HOME="$work/server/home" XDG_RUNTIME_DIR="$work/server/run" \
  XDG_CONFIG_HOME="$work/server/home/.config" PULSE_RUNTIME_PATH="$work/server/run/pulse" \
  PULSE_STATE_PATH="$work/server/state" DBUS_SESSION_BUS_ADDRESS= \
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --system=false --disallow-exit=yes \
  --disable-shm=yes --log-level=error \
  -L "module-null-sink sink_name=td_from_a" -L "module-null-sink sink_name=td_from_b" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$socket" &
pids+=($!)
export PULSE_SERVER="unix:$socket"
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.2; done
pactl info >/dev/null 2>&1 || { echo "qso-demo: the sound server did not start" >&2; exit 1; }
echo "qso-demo: sound server up; td_from_a carries ${calls[0]}, td_from_b ${calls[1]}"

if [ -z "${DISPLAY:-}" ]; then
  Xvfb :77 -screen 0 1760x1000x24 -nolisten tcp >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=:77
  sleep 1
  echo "qso-demo: no display; started Xvfb on :77"
fi

# One settings store and runtime directory per station, its callsign set and the automatic
# sound card (ALSA's "default" device: the server, with the sink and source chosen below).
sides=(a b)
for i in 0 1; do
  home="$work/station$i"
  mkdir -p "$home/.config/Tonedeck" "$home/run"
  chmod 700 "$home/run"
  printf '[General]\nCallsign=%s\n\n[SoundCard]\nSoundcard=-1\n' "${calls[$i]}" \
    >"$home/.config/Tonedeck/Tonedeck.ini"
  HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run" \
    PULSE_SINK="td_from_${sides[$i]}" PULSE_SOURCE="td_from_${sides[$((1 - i))]}.monitor" \
    "$root/build/bin/tonedeck" &
  pids+=($!)
done
echo "qso-demo: ${calls[0]} and ${calls[1]} are on the air; type in one, read in the other."
wait "${pids[@]:2}" 2>/dev/null || true
