#!/bin/sh
# Starts and stops the dtu-sim program for a Windows test running under Wine, which cannot
# wait for or signal a Linux process itself:
#   wine_sim.sh start SIM LINK DIR [OPTION...]
#                                    runs SIM (with the options) with its pseudo-terminal linked at LINK
#   wine_sim.sh stop DIR             ends it and waits until it has gone
# DIR keeps the process id and the simulator's log; DIR/done tells the test the step is over.
set -u
case "$1" in
  start)
    sim=$2 link=$3 dir=$4
    shift 4
    mkdir -p "$dir"
    rm -f "$dir/done" "$link"  # a link left from before (or Wine's own) is not the simulator's
    "$sim" --boot-delay 300 "$@" --link "$link" </dev/null >"$dir/sim.out" 2>>"$dir/sim.log" &
    echo $! >"$dir/pid"
    i=0
    while [ ! -L "$link" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
    touch "$dir/done" ;;
  stop)
    dir=$2
    rm -f "$dir/done"
    pid=$(cat "$dir/pid" 2>/dev/null) && kill "$pid" 2>/dev/null
    i=0
    while [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
    touch "$dir/done" ;;
esac
