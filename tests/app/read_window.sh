#!/bin/sh
# Runs PROGRAM on a virtual X server of its own, with a session bus and an
# accessibility bus of its own, and reads its window as a screen reader does
# (read_window.py, or SCRIPT); stops everything it started, whatever the outcome:
#   read_window.sh PROGRAM [SCRIPT]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
started=""
stop() {
    for pid in $started; do
        # The launcher's own bus goes with it.
        pkill -P "$pid" 2>/dev/null || true
        kill "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap stop EXIT

Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" >/dev/null 2>&1 &
started=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break || sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1 2>"$work/buses.log")
started="$(echo "$bus" | sed -n 2p) $started"
export DBUS_SESSION_BUS_ADDRESS="$(echo "$bus" | sed -n 1p)"
/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/buses.log" 2>&1 &
started="$! $started"
# A program that finds no accessibility bus at its start never looks again.
for _ in $(seq 100); do
    dbus-send --session --dest=org.freedesktop.DBus --print-reply / \
        org.freedesktop.DBus.NameHasOwner string:org.a11y.Bus 2>/dev/null | grep -q true && break
    sleep 0.1
done

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$1" >"$work/program.log" 2>&1 &
export PROGRAM="$1" PROGRAM_PID=$!
started="$! $started"
/usr/bin/python3 "${2:-$here/read_window.py}"
