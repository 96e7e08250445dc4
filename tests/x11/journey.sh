#!/usr/bin/env bash
# MEQ config on a private Xvfb with real X input: the window appears with its title,
# choosing the meq-sim port in the port list connects, L1 takes digits and no letters
# (what "Zápis" writes to register 272 shows in meq-sim's frame log), and the close box
# ends the program with status 0. Without a DISPLAY, MEQ config says so and fails.
#   journey.sh MEQ_CONFIG MEQ_SIM MEQ_X11_TOOL
set -uo pipefail
config=$1 sim=$2 tool=$3
for cmd in Xvfb xdotool; do
  command -v "$cmd" >/dev/null || { echo "SKIP: $cmd is not installed"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; [ -f "$work/sim.log" ] && tail -n 5 "$work/sim.log"; exit 1; }

# Polls a condition for up to $1 tenths of a second.
wait_for() {
  local tries=$1; shift
  for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
  return 1
}

out=$(env -u DISPLAY "$config" 2>&1); rc=$?
[ $rc -ne 0 ] || fail "without a DISPLAY the tool exited with 0"
[ "$out" = "meq-config: no screen is available; the main window cannot be shown" ] ||
  fail "without a DISPLAY the tool said: $out"

# A display number of our own: the first free one from 90.
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$n"
wait_for 100 xdotool getdisplaygeometry >/dev/null 2>&1 || fail "Xvfb did not start"

export MEQ_PORT_DIR=$work/ports HOME=$work
mkdir -p "$MEQ_PORT_DIR"
"$sim" --link COM7 --ready --fixed --log "$work/sim.log" >"$work/sim.out" &
pids+=($!)
wait_for 100 test -s "$work/sim.out" || fail "meq-sim did not start"

"$config" >"$work/config.out" 2>&1 &
config_pid=$!
pids+=($config_pid)
find_window() { window=$(xdotool search --name '^MEQ config$' 2>/dev/null | head -n1); [ -n "$window" ]; }
wait_for 100 find_window || fail "no window titled \"MEQ config\""

# Client coordinates of the main window (its X window is the client area).
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; }
# The port list: open it, take the first entry (COM7, the only port), close it.
click 488 20
xdotool key Down Return
connected() { grep -q ' tx ' "$work/sim.log"; }
wait_for 100 connected || fail "choosing COM7 in the port list did not connect"

# L1 (edit at 60,280 50x20) takes digits only; its "Zápis" writes register 272 (0x0110).
# It shows what the transmitter holds: emptied first with End and Backspace.
click 85 290
xdotool key End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
xdotool type --delay 20 'ab12c34'
click 145 290
# Write one register: address 1, function 06, register 0x0110, value 1234 (0x04D2).
wrote() { grep -qi ' rx 01 06 01 10 04 d2' "$work/sim.log"; }
wait_for 100 wrote || fail "L1 \"ab12c34\" did not write 1234 to register 272"

# The close box: WM_DELETE_WINDOW, as a window manager sends it.
"$tool" close "$window" || fail "could not send WM_DELETE_WINDOW"
ended() { ! kill -0 "$config_pid" 2>/dev/null; }
wait_for 100 ended || fail "the tool did not end after its close box"
wait "$config_pid"; rc=$?
[ $rc -eq 0 ] || fail "the tool ended with status $rc after its close box"
echo "PASS"
