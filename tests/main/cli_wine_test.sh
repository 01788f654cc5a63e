#!/bin/sh
# dtu-setup-cli.exe under Wine against dtu-sim programs (Linux processes) on pseudo-terminals
# that the Wine prefix maps as COM23 (a USB adapter's kind of number, above the window's
# COM15), COM14 and COM15: the answers without a port, redirected output in the console's
# code page or in UTF-8, the port listing (the ports Windows lists), a read checked value by
# value, and two ports at once (one DTU written, one port missing), then the same two stopped
# by Ctrl+C. Wine's start-up is paid once, by the suite's fixture.
#   cli_wine_test.sh WINE_RUN CLI_EXE DTU_SIM DOSDEVICES SCRATCH VERSION CODE_PAGE_RUN_EXE
set -u
wine_run=$1 cli=$2 sim=$3 dosdevices=$4 dir=$5 version=$6 code_page_run=$7
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
expect_status() {  # what, expected, actual
  [ "$3" -eq "$2" ] || fail "$1: exit status $3, expected $2"
}

rm -rf "$dir"
mkdir -p "$dir"
sims=""
cleanup() {
  for pid in $sims; do kill "$pid" 2>/dev/null; done
  rm -f "$dosdevices/com23" "$dosdevices/com14" "$dosdevices/com15"
  "$wine_run" reg delete 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\DtuSim23' /f </dev/null >/dev/null 2>&1
}
trap cleanup EXIT
# start_sim N STATE [options]: a DTU on COM N keeping its settings in STATE.
start_sim() {
  n=$1 state=$2
  shift 2
  rm -f "$dosdevices/com$n"
  "$sim" --quiet --state "$state" --link "$dosdevices/com$n" "$@" </dev/null >/dev/null 2>"$dir/sim$n.log" &
  sims="$sims $!"
  i=0
  while [ ! -L "$dosdevices/com$n" ] && [ $i -lt 100 ]; do sleep 0.05; i=$((i + 1)); done
  [ -L "$dosdevices/com$n" ] || fail "the simulator for COM$n did not start"
}
cli() { "$wine_run" "$cli" "$@"; }

# ---- without a port
cli --version >"$dir/out" 2>"$dir/err"
expect_status "--version" 0 $?
[ "$(cat "$dir/out")" = "dtu-setup-cli $version" ] || fail "--version printed: $(cat "$dir/out")"
cli --help >"$dir/out" 2>"$dir/err"
expect_status "--help" 0 $?
grep -q "dtu-setup-cli write --port PORT" "$dir/out" || fail "--help lacks the write synopsis"
cli read --baud 9601 --port COM23 >"$dir/out" 2>"$dir/err"
expect_status "a bad baud rate" 2 $?

# ---- redirected output, as PowerShell 5.1 and cmd on a Chinese Windows read it: in the
# console's output code page (936) by default, in UTF-8 with --encoding utf-8; a process
# without a console (every other run here) writes UTF-8.
json_line='{"port":"COM99","ok":false,"step":"open","message":"串口打开失败"}'
"$wine_run" "$code_page_run" 936 "$dir/out" "$dir/err" "$cli" read --port COM99 --json </dev/null >/dev/null 2>&1
expect_status "a missing port, from a console at code page 936" 3 $?
printf '%s\n' "$json_line" | iconv -f UTF-8 -t GBK >"$dir/expected"
cmp -s "$dir/out" "$dir/expected" || { fail "the JSON line is not in code page 936:"; od -c "$dir/out" | head -5; }
grep -q "$(printf '串口打开失败' | iconv -f UTF-8 -t GBK)" "$dir/err" || { fail "progress is not in code page 936"; od -c "$dir/err" | head -5; }
"$wine_run" "$code_page_run" 936 "$dir/out" "$dir/err" "$cli" read --port COM99 --json --encoding utf-8 </dev/null >/dev/null 2>&1
expect_status "a missing port, from a console at code page 936, --encoding utf-8" 3 $?
[ "$(cat "$dir/out")" = "$json_line" ] || { fail "--encoding utf-8: the JSON line is not UTF-8:"; od -c "$dir/out" | head -5; }
grep -q "串口打开失败" "$dir/err" || fail "--encoding utf-8: progress is not UTF-8"
cli read --port COM99 --json >"$dir/out" 2>"$dir/err"
[ "$(cat "$dir/out")" = "$json_line" ] || { fail "without a console the JSON line is not UTF-8:"; od -c "$dir/out" | head -5; }
# Several ports: the parent passes its children's lines on in the console's code page.
"$wine_run" "$code_page_run" 936 "$dir/out" "$dir/err" "$cli" read --port COM98 --port COM99 --json </dev/null >/dev/null 2>&1
expect_status "two missing ports, from a console at code page 936" 3 $?
{ printf '%s\n' "$json_line" | sed 's/COM99/COM98/'; printf '%s\n' "$json_line"; } | iconv -f UTF-8 -t GBK >"$dir/expected"
cmp -s "$dir/out" "$dir/expected" || { fail "two ports: the JSON lines are not in code page 936:"; od -c "$dir/out" | head -8; }

# ---- the listing: a simulated DTU on COM23, which its driver has put into Windows'
# serial-port map; nothing on COM14
cat >"$dir/dtu13.state" <<'STATE'
ID=WIN-13
IP=192.168.7.13
PT=6013
DN=win.example.org
AP=cmiot
TM=UDP
UB=19200
HT=45
OT=120
RV1=13700000013
RV2=
SS1=13700000113
SS2=13700000213
STATE
start_sim 23 "$dir/dtu13.state" --boot-delay 300
"$wine_run" reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v '\Device\DtuSim23' /t REG_SZ /d COM23 /f \
  </dev/null >/dev/null 2>&1 || fail "cannot add COM23 to the serial-port map"
rm -f "$dosdevices/com14"
cli ports >"$dir/out" 2>"$dir/err"
expect_status "ports" 0 $?
grep -Eq '^COM23 +\\Device\\DtuSim23 +present$' "$dir/out" || fail "ports: COM23 is not listed: $(cat "$dir/out")"
! grep -q '^COM14 ' "$dir/out" || fail "ports: COM14 is listed: $(grep COM14 "$dir/out")"
sort -c -k1.4n "$dir/out" 2>/dev/null || fail "ports: not in order of number: $(cat "$dir/out")"

# ---- one read: the settings as KEY=VALUE lines in the window's order, progress in UTF-8
cli read --port COM23 --boot-wait 20 >"$dir/out" 2>"$dir/err"
expect_status "read" 0 $?
printf 'ID=WIN-13\nIP=192.168.7.13\nPT=6013\nDN=win.example.org\nAP=cmiot\nTM=UDP\nUB=19200\nHT=45\nOT=120\nRV1=13700000013\nRV2=\nSS1=13700000113\nSS2=13700000213\n' >"$dir/expected"
cmp -s "$dir/out" "$dir/expected" || { fail "read printed:"; cat "$dir/out"; }
grep -q "读出模块设置值成功！！" "$dir/err" || { fail "read: no success message on standard error"; cat "$dir/err"; }

# ---- several ports at once: COM23 written (a value with a blank reaches it whole), COM14
# missing, and a device path with blanks, quotes and a trailing backslash, which its child
# process must get as it was given (it names the path in its message)
odd_path='C:\no such\dtu "7"\'
cli write --port COM23 --port COM14 --port "$odd_path" --boot-wait 20 --json --set "DN=a b.example.org" \
  --set RV2=13900000009 >"$dir/out" 2>"$dir/err"
expect_status "write to three ports, two missing" 3 $?
grep -qxF "$odd_path: serial: $odd_path does not exist (is the adapter plugged in?)" "$dir/err" ||
  { fail "the odd path did not reach its process whole"; cat "$dir/err"; }
grep -qx '{"port":"COM23","ok":true,"step":"done","message":"写入成功！！"}' "$dir/out" ||
  { fail "write: COM23's line"; cat "$dir/out"; }
grep -q '^{"port":"COM14","ok":false,"step":"open",' "$dir/out" || { fail "write: COM14's line"; cat "$dir/out"; }
sleep 0.2  # the simulator keeps its file after the last OK
grep -qx "DN=a b.example.org" "$dir/dtu13.state" || fail "the DTU's DN is $(grep ^DN= "$dir/dtu13.state")"
grep -qx "RV2=13900000009" "$dir/dtu13.state" || fail "the DTU's RV2 is $(grep ^RV2= "$dir/dtu13.state")"
grep -qx "ID=WIN-13" "$dir/dtu13.state" || fail "the DTU's ID is $(grep ^ID= "$dir/dtu13.state")"

# ---- Ctrl+C (Wine turns SIGINT into the console's Ctrl+C) while two DTUs stay silent: each
# child is stopped through its stop event, closes its port and names the step that was cut.
start_sim 14 "$dir/dtu14.state" --boot-delay 600000
start_sim 15 "$dir/dtu15.state" --boot-delay 600000
# Started without the shell function, so that $! is the program itself (wine-run execs Wine).
"$wine_run" "$cli" read --port COM14 --port COM15 --boot-wait 20 --json >"$dir/out" 2>"$dir/err" &
program=$!
i=0
while [ "$(grep -c "waiting up to" "$dir/err")" -lt 2 ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i + 1)); done
kill -INT $program
wait $program
expect_status "two ports stopped by Ctrl+C" 130 $?
for n in 14 15; do
  grep -qx "{\"port\":\"COM$n\",\"ok\":false,\"step\":\"boot\",\"message\":\"stopped by SIGINT\"}" "$dir/out" ||
    { fail "Ctrl+C: COM$n's line"; cat "$dir/out"; }
done

if [ $failures -ne 0 ]; then
  echo "--- standard error of the last run"
  cat "$dir/err"
  exit 1
fi
echo "dtu-setup-cli.exe under Wine: all checks passed"
