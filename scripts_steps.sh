# Steps of a long script (./test), timed, some of them run beside the others. Sourced.
#   step NAME COMMAND...     runs COMMAND now; its output shows as it comes
#   beside NAME COMMAND...   starts COMMAND in the background, its output kept in
#                            build/logs/NAME.log and shown when it is awaited
#   await NAME...            waits for those background steps, shows their output, and fails
#                            the script if one of them failed
#   step_ended NAME SECONDS  in a step beside the others: waits (at most SECONDS) until the
#                            step NAME run now has ended well
#   steps_summary            the seconds of every step so far, in the order they started
# A step beside the others is for work that mostly waits (on Wine, on child processes, on
# devices) or that fills a core a build leaves idle; each build runs in the foreground with
# both cores. When the script ends early, the steps still running beside it are ended.

dtu_step_names=()
declare -A dtu_step_start dtu_step_seconds dtu_step_pid dtu_step_how
mkdir -p build/logs
rm -f build/logs/*.done

dtu_now() { echo "${EPOCHREALTIME/,/.}"; }
dtu_elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.0f", b - a }'; }
dtu_clock() { local s=$SECONDS; echo "$((s / 60))m$((s % 60))s"; }

step() {
  local name=$1
  shift
  echo "== $name (at $(dtu_clock))"
  dtu_step_names+=("$name")
  dtu_step_how[$name]=foreground
  rm -f "build/logs/$name.done"
  local start
  start=$(dtu_now)
  "$@"
  dtu_step_seconds[$name]=$(dtu_elapsed "$start" "$(dtu_now)")
  touch "build/logs/$name.done"
}

# A step beside the others cannot wait for the script's own steps: it watches for the file
# that step() leaves when one has ended well. (One that failed ends the script, and with it
# the steps beside it.)
step_ended() {
  local name=$1 i
  for ((i = 0; i < $2 * 10; i++)); do
    [ -f "build/logs/$name.done" ] && return 0
    sleep 0.1
  done
  echo "the step \"$name\" did not end within $2 s" >&2
  return 1
}

beside() {
  local name=$1
  shift
  echo "== $name: started beside the next steps (at $(dtu_clock)), output in build/logs/$name.log"
  dtu_step_names+=("$name")
  dtu_step_how[$name]=beside
  dtu_step_start[$name]=$(dtu_now)
  # Its own process group, so that an early end of the script can end it whole.
  rm -f "build/logs/$name.end"
  set -m
  (
    trap 'dtu_now >"build/logs/$name.end"' EXIT
    "$@"
  ) </dev/null >"build/logs/$name.log" 2>&1 &
  dtu_step_pid[$name]=$!
  set +m
}

await() {
  local name status failed=()
  for name in "$@"; do
    status=0
    wait "${dtu_step_pid[$name]}" || status=$?
    unset "dtu_step_pid[$name]"
    local end
    end=$(cat "build/logs/$name.end" 2>/dev/null || dtu_now)
    dtu_step_seconds[$name]=$(dtu_elapsed "${dtu_step_start[$name]}" "$end")
    echo "== $name (beside, ${dtu_step_seconds[$name]} s; awaited at $(dtu_clock)):"
    cat "build/logs/$name.log"
    [ "$status" -eq 0 ] || failed+=("$name")
  done
  if [ ${#failed[@]} -gt 0 ]; then
    echo "FAILED: ${failed[*]}" >&2
    return 1
  fi
}

steps_summary() {
  local name
  echo "== seconds per step (beside: run beside the steps after it; the total is the run's own)"
  for name in "${dtu_step_names[@]}"; do
    printf '%6s  %-11s %s\n' "${dtu_step_seconds[$name]:-?}" "${dtu_step_how[$name]}" "$name"
  done
  printf '%6s  %-11s %s\n' "$SECONDS" total "./test"
}

dtu_end_steps_beside() {
  local name
  for name in "${!dtu_step_pid[@]}"; do
    kill -- "-${dtu_step_pid[$name]}" 2>/dev/null || true
    wait "${dtu_step_pid[$name]}" 2>/dev/null || true
  done
}
trap dtu_end_steps_beside EXIT
