#!/bin/sh
# meq-sim against mbpoll, a MODBUS master written elsewhere (libmodbus): reads the
# input and holding registers, writes one, and checks the words it gets back.
# Usage: mbpoll_interop.sh PATH-TO-MEQ-SIM
set -u
sim=$1
if ! command -v mbpoll >/dev/null 2>&1; then
  echo "mbpoll is not installed; skipped"
  exit 77
fi

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

"$sim" --fixed --ready --log "$work/frames.log" >"$work/out" 2>"$work/err" &
pid=$!
i=0
while [ ! -s "$work/out" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
port=$(head -n 1 "$work/out")
[ -n "$port" ] || { echo "meq-sim gave no port"; cat "$work/err"; exit 1; }

failures=0
# poll OPTIONS... : prints "REG=VALUE" lines for what mbpoll read (0-based registers)
poll() {
  mbpoll -m rtu -a 1 -b 19200 -P even -0 -1 -o 1 "$@" 2>&1 |
    sed -n 's/^\[\([0-9]*\)\]:[[:space:]]*\(-\{0,1\}[0-9]*\).*/\1=\2/p' | tr '\n' ' '
}
expect() {  # expect WHAT GOT WANTED
  if [ "$2" = "$3" ]; then
    echo "ok: $1"
  else
    echo "FAILED: $1: got '$2', wanted '$3'"
    failures=$((failures + 1))
  fi
}

expect "identity, firmware, serial" "$(poll -t 3 -r 0 -c 7 "$port")" \
  "0=19781 1=20736 2=0 3=0 4=258 5=18 6=54919 "
expect "measured values" "$(poll -t 3 -r 16 -c 10 "$port")" \
  "16=2200 17=4500 18=871 19=952 20=1 21=35789 22=600 23=100 24=1000 25=2048 "
expect "own line" "$(poll -t 4 -r 512 -c 3 "$port")" "512=1 513=4 514=2 "
expect "co2 settings" "$(poll -t 4 -r 272 -c 3 "$port")" "272=1000 273=1500 274=1 "

mbpoll -m rtu -a 1 -b 19200 -P even -0 -1 -o 1 -t 4 -r 257 "$port" 150 >"$work/write" 2>&1
expect "write of correction 257" "$(grep -c 'Written 1 references' "$work/write")" "1"
expect "correction read back" "$(poll -t 4 -r 256 -c 2 "$port")" "256=0 257=150 "
expect "corrected humidity" "$(poll -t 3 -r 17 -c 1 "$port")" "17=4650 "

mbpoll -m rtu -a 1 -b 19200 -P even -0 -1 -o 1 -t 3 -r 7 -c 1 "$port" >"$work/exc" 2>&1
expect "exception for register 7" "$(grep -ci 'illegal data address' "$work/exc")" "1"

if [ $failures -ne 0 ]; then
  echo "--- frame log"; cat "$work/frames.log"
  exit 1
fi
echo "mbpoll interop: all checks passed"
