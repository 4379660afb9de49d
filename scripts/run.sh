#!/usr/bin/env bash
# Sets everything up, builds Velmora and starts it. With no programming cable attached (no
# ttyUSB/ttyACM device) the simulated radio serves COM1 from a pseudo-terminal, its memory kept in
# .velmora/sim-radio.mem and first filled with a factory alignment, and its power meter answers on
# tcp://127.0.0.1:5025 behind a 30 dB attenuator, the bench the example plan
# (dist/align-plan.json) is written for. --real-ports uses only the real serial ports. Any other
# arguments go to Velmora.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/release-options.sh
scripts/build.sh build-release "${release_options[@]}" >/dev/null

real_ports=0
args=()
for a in "$@"; do
  if [ "$a" = "--real-ports" ]; then real_ports=1; else args+=("$a"); fi
done
if [ $real_ports -eq 0 ] && { compgen -G "/dev/ttyUSB*" || compgen -G "/dev/ttyACM*"; } >/dev/null; then
  echo "run: a serial adapter is attached; using the real ports"
  real_ports=1
fi

launch=(build-release/ui/velmora)
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display; starting Velmora under Xvfb (invisible: open a desktop session to see it)"
  launch=(xvfb-run -a -s "-screen 0 1280x1024x24" build-release/ui/velmora)
fi

if [ $real_ports -eq 1 ]; then
  exec "${launch[@]}" "${args[@]}"
fi

state=.velmora
mkdir -p "$state"
sim_options=(--memory "$state/sim-radio.mem" --link "$state/com1"
  --meter tcp:127.0.0.1:5025 --attenuator-db 30)
[ -f "$state/sim-radio.mem" ] || sim_options+=(--factory)
build-release/sim/velmora-radio-sim "${sim_options[@]}" >"$state/sim.out" 2>"$state/sim.err" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; wait $sim_pid 2>/dev/null' EXIT
for _ in $(seq 50); do [ -e "$state/com1" ] && break; sleep 0.1; done
[ -e "$state/com1" ] || { echo "run: the simulated radio did not start:"; cat "$state/sim.err"; exit 1; }
echo "run: simulated radio on $(head -n1 "$state/sim.out") as COM1, its $(sed -n 2p "$state/sim.out")"
echo "run: to align it, set 设置 -> 功率计... (Settings -> Power meter...) to that URL and 30 dB,"
echo "run: then 自动校准 (Auto-align) on a band page with dist/align-plan.json"
VELMORA_COM1="$PWD/$state/com1" "${launch[@]}" "${args[@]}"
