#!/usr/bin/env bash
# Starts the simulated DTU, points the setup tool's default port (COM2) at it, runs the
# tool, and stops the simulator when the tool ends. Arguments go to dtu-sim, e.g.
#   run-with-simulator --fault split --reply-delay 200
# The tool's exit status is passed through.
set -u
here="$(cd "$(dirname "$0")" && pwd)"
sim="@DTU_SIM_PROGRAM@"
tool="@DTU_SETUP_PROGRAM@"

if [ ! -x "$tool" ]; then
  echo "run-with-simulator: the tool is not built yet ($tool); build the dtu-setup target first." >&2
  exit 1
fi
if [ ! -x "$sim" ]; then
  echo "run-with-simulator: the simulator is not built yet ($sim); build the dtu-sim target first." >&2
  exit 1
fi

fifo="$(mktemp -u "${TMPDIR:-/tmp}/dtu-sim.XXXXXX")"
mkfifo "$fifo" || exit 1
# Standard input stays with the simulator's parent shell: a terminal user can press Enter
# there only if they start dtu-sim by hand, so it gets nothing here.
"$sim" --state "$here/dtu-sim.state" "$@" >"$fifo" </dev/null &
sim_pid=$!
cleanup() {
  kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -f "$fifo"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

exec 3<"$fifo"
if ! IFS= read -r -t 10 pty <&3 || [ -z "$pty" ]; then
  echo "run-with-simulator: the simulator did not start" >&2
  exit 1
fi
echo "run-with-simulator: simulated DTU on $pty (settings kept in $here/dtu-sim.state)" >&2
export DTU_SETUP_COM2="$pty"

"$tool"
status=$?
exit "$status"
