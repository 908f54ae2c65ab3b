#!/bin/sh
# Runs a program with a private bus of its own standing in for the system's,
# and stops the bus afterwards, whatever became of the program:
#   with_system_bus.sh PROGRAM [ARGUMENTS...]
set -eu
started=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
bus_pid=$(echo "$started" | sed -n 2p)
trap 'kill "$bus_pid"' EXIT
DBUS_SYSTEM_BUS_ADDRESS=$(echo "$started" | sed -n 1p) "$@"
