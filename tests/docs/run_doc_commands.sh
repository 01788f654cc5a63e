#!/usr/bin/env bash
# Runs the commands the documents mark runnable, as a reader would: each document's blocks
# fenced as ```sh runnable, in order, in a scratch folder of its own, with the build's
# programs first on the PATH. A block fenced as ```<anything> file=NAME is written to NAME in
# that folder when the reading reaches it. A block fails the run when a command in it fails
# (bash -e); what a block leaves running (a simulated DTU) is ended with it.
#   run_doc_commands.sh BUILD_DIR DOCUMENT...
set -uo pipefail
build=$(cd "$1" && pwd)
shift
export PATH="$build:$build/tools/dtu-sim:$PATH"
status=0
own_session=$(ps -o sid= -p $$ | tr -d ' ')
for doc in "$@"; do
  dir=$(mktemp -d)
  # One file per block: NNN.run for a runnable block, NNN.file.NAME for a file.
  awk -v dir="$dir" '
    /^```/ && !open { info = substr($0, 4); n++; open = 1
                      if (info ~ /^sh runnable/) out = sprintf("%s/%03d.run", dir, n)
                      else if (match(info, /file=[^ ]+/)) out = sprintf("%s/%03d.file.%s", dir, n, substr(info, RSTART + 5, RLENGTH - 5))
                      else out = ""
                      next }
    /^```/ && open { open = 0; next }
    open && out != "" { print > out }
  ' "$doc"
  for block in "$dir"/[0-9]*; do
    [ -e "$block" ] || continue
    case "$block" in
      *.file.*) cp "$block" "$dir/${block##*.file.}" ;;
      *.run)
        # A session of its own (its leader's id names it), so that what it leaves running
        # ends with it, and nothing else does; four minutes at most.
        (cd "$dir" && exec setsid timeout 240 bash -e "$block" > "$block.out" 2>&1 < /dev/null) &
        leader=$!
        wait "$leader"
        result=$?
        [ "$leader" -gt 1 ] && [ "$leader" != "$own_session" ] && pkill -TERM -s "$leader" 2>/dev/null
        if [ "$result" -ne 0 ]; then
          echo "FAILED ($result): $doc, block ${block##*/}:"
          sed 's/^/  | /' "$block"
          echo "  output:"
          sed 's/^/  > /' "$block.out"
          status=1
        else
          echo "ran: $doc, block ${block##*/} ($(grep -c . "$block") lines)"
        fi
        ;;
    esac
  done
  rm -rf "$dir"
done
exit $status
