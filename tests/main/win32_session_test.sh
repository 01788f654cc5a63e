#!/usr/bin/env bash
# dtu-setup.exe under Wine against the simulated DTU (a Linux process) on a pseudo-terminal
# that the Wine prefix maps as COM2, driven as a user drives it: clicks and keys sent to the
# real window on the virtual display. Connect (boot banner, handshake), read, a field check
# with its message box, write, factory reset, save, Esc. Checks every byte the DTU received,
# what it keeps, what data.txt holds and the exit status.
#   win32_session_test.sh WINE_RUN DTU_SETUP_EXE DTU_SIM DOSDEVICES [INSTALLED_EXE USER_FOLDER]
# Given an installed copy (packaging/test-windows-msi passes one, under Program Files), that
# copy runs where it is: the settings file an administrator left beside it is copied to the
# user's settings folder at the first start, and every save lands there.
set -euo pipefail
wine_run=$(realpath "$1") program=$(realpath "$2") sim=$(realpath "$3") dosdevices=$(realpath "$4")
installed=${5:-} user_folder=${6:-}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/dtu-win32-session.XXXXXX")
fail() {
  echo "FAIL: $*" >&2
  echo "-- the simulator's log:" >&2
  tail -n 30 "$scratch/sim.log" >&2
  exit 1
}
sim_pid="" tool_pid=""
cleanup() {
  set +e
  if [ -n "$tool_pid" ]; then "$wine_run" taskkill /f /im dtu-setup.exe >/dev/null 2>&1; kill "$tool_pid" 2>/dev/null; fi
  if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null; fi
  rm -f "$dosdevices/com2"
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

# The virtual display that wine-run's --prefix-start made, unless the caller has one.
if [ -z "${DISPLAY:-}" ]; then
  [ -s "$dosdevices/../x-display" ] || fail "no display (run wine-run --prefix-start first)"
  export DISPLAY=":$(cat "$dosdevices/../x-display")"
fi
command -v xdotool >/dev/null && command -v xclip >/dev/null || fail "xdotool or xclip is not installed"

# A DTU with known settings, booting quickly.
cat >"$scratch/sim.state" <<'STATE'
ID=SIM001
IP=10.1.2.3
PT=5000
DN=sim.example.org
AP=cmnet
TM=UDP
UB=9600
HT=60
OT=100
RV1=13800000001
RV2=13800000002
SS1=13900000001
SS2=13900000002
STATE
# Starts the simulator (extra options: $@) on a pseudo-terminal that the prefix maps as COM2.
start_sim() {
  rm -f "$scratch/sim.out"
  "$sim" --state "$scratch/sim.state" --boot-delay 300 --reply-delay 20 "$@" >"$scratch/sim.out" 2>"$scratch/sim.log" </dev/null &
  sim_pid=$!
  for _ in $(seq 100); do [ -s "$scratch/sim.out" ] && break; sleep 0.05; done
  pty=$(head -n1 "$scratch/sim.out")
  [ -n "$pty" ] || fail "the simulator did not start"
  ln -sfn "$pty" "$dosdevices/com2"
}
stop_sim() { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null || true; sim_pid=""; }
start_sim

if [ -n "$installed" ]; then
  tool_dir=$(dirname "$installed") settings_dir=$user_folder
  run_path=$("$wine_run" winepath -w "$installed" 2>/dev/null | tr -d '\r')
  rm -rf "$user_folder"
else
  tool_dir=$scratch/tool settings_dir=$scratch/tool
  mkdir "$tool_dir"
  cp "$program" "$tool_dir/dtu-setup.exe"
  run_path=$tool_dir/dtu-setup.exe
fi
initial='DT0001//192.168.0.1//20//dtu.example.net//cmnet//TCP//9600//120//120//13000000001//13000000002//13000000001//13000000002//\0'
printf "$initial" >"$tool_dir/data.txt"
start_tool() {
  rm -f "$scratch/tool.status"
  (cd "$scratch" && "$wine_run" "$run_path" >"$scratch/tool.out" 2>&1; echo $? >"$scratch/tool.status") &
  tool_pid=$!
}
# Waits (up to 10 s) for the tool to end; its exit status must be 0.
tool_ends_well() {
  for _ in $(seq 100); do [ -f "$scratch/tool.status" ] && break; sleep 0.1; done
  [ -f "$scratch/tool.status" ] || fail "$1 did not end the tool"
  tool_pid=""
  [ "$(cat "$scratch/tool.status")" = 0 ] || fail "exit status $(cat "$scratch/tool.status") after $1, not 0"
}
start_tool

# Waits (up to $2 seconds) for a window whose title matches $1; prints its id.
find_window() {
  local i id
  for i in $(seq $(($2 * 10))); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}
window=$(find_window 'GPRS/CDMA DTU' 60) || fail "the main window did not appear"

# A click at client coordinates of the main window (the form's own layout, 96 DPI).
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
keys() { xdotool windowfocus --sync "$window" 2>/dev/null || true; xdotool key --delay 30 "$@"; sleep 0.3; }
typed() { xdotool windowfocus --sync "$window" 2>/dev/null || true; xdotool type --delay 30 "$1"; sleep 0.3; }
# Waits for the tool's message box, checks it is there, and answers it with Enter. Without a
# window manager the keyboard follows the pointer: it goes over the box first.
answer_box() {
  local box
  box=$(find_window '信息提示窗口' "${2:-30}") || fail "no message box after $1"
  sleep 0.3  # the box takes keys once its loop runs
  xdotool mousemove --window "$box" 5 5 2>/dev/null || true
  xdotool windowfocus --sync "$box" 2>/dev/null || true
  xdotool key Return
  for _ in $(seq 100); do xdotool search --onlyvisible --name '信息提示窗口' >/dev/null 2>&1 || return 0; sleep 0.1; done
  fail "the message box after $1 did not close"
}
sim_heard() { grep -c -- "$1" "$scratch/sim.log" || true; }
wait_sim() {  # until the simulator's log has a line matching $1
  for _ in $(seq 200); do [ "$(sim_heard "$1")" -gt 0 ] && return 0; sleep 0.1; done
  fail "the simulator never logged: $1"
}

# What the traffic monitor shows, copied out as a user would (Ctrl+A, Ctrl+C; Wine hands the
# clipboard to X), without carriage returns.
monitor_text() {
  click "${monitor[@]}"
  keys ctrl+a ctrl+c
  xclip -o -selection clipboard 2>/dev/null | tr -d '\r'
}
monitor_shows_boot() {
  local shown expected
  shown=$(monitor_text)
  expected=$(printf '\nGPRS DTU loader V1.2\nFirmware V3.05 build 2012-08-16\nModem self test done\n%s\n\n%s\n%s' \
    'Press %%%%%%%%% into setting mode' 'System enter setting mode' 'Current settings:')
  expected+=$'\nID= SIM001\nIP= 10.1.2.3\nPT= 5000\nDN= sim.example.org\nAP= cmnet\nTM= UDP\nUB= 9600\nOT= 100'
  expected+=$'\nHT= 60\nRV1= 13800000001\nRV2= 13800000002\nSS1= 13900000001\nSS2= 13900000002\nOK'
  [ "$shown" = "$expected" ] || fail "the monitor shows
$shown
expected
$expected"
}

connect=(507 40) monitor=(300 520) read_all=(381 133) save_all=(493 133) write_all=(381 212) reset_all=(493 212)
port_field=(219 154) id_field=(219 106)

# Connects (the boot banner answered, setting mode entered), then clicks the read.
connect_and_read() {
  sleep 1  # the window is mapped before it takes clicks
  for _ in 1 2 3; do  # a click that lands before the window is ready is tried again
    click "${connect[@]}"
    for _ in $(seq 30); do [ "$(sim_heard 'port opened')" -gt 0 ] && break 2; sleep 0.1; done
  done
  wait_sim 'setting mode'
  # The operation buttons are enabled once the tool has seen the answer (after its receive
  # window and the handshake's wait): until then a click is not taken, and is tried again.
  for _ in $(seq 20); do
    click "${read_all[@]}"
    for _ in $(seq 10); do [ "$(sim_heard '<- %LIST')" -gt 0 ] && return 0; sleep 0.1; done
  done
  fail "the read was never sent"
}
connect_and_read
answer_box "the read"
monitor_shows_boot

# A port out of range: the field's check says so when the focus leaves it, and keeps it there.
click "${port_field[@]}"
keys End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
typed 70000
keys Tab
answer_box "the port check" 10
keys End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
typed 8080
click "${id_field[@]}"
keys End BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
typed WIN042

click "${write_all[@]}"
answer_box "the write" 60
click "${reset_all[@]}"
answer_box "the factory reset" 60
click "${save_all[@]}"
answer_box "the save"
keys Escape
tool_ends_well "Esc"

# Every byte the DTU received, in order.
received=$(sed -n 's/^\[[ 0-9.]*\] <- //p' "$scratch/sim.log" | tr -d '\n')
expected='%%%%%%%%%%\r\n%LIST\r\n%ID=WIN042\r\n%IP=10.1.2.3\r\n%PT=8080\r\n%DN=sim.example.org\r\n%AP=cmnet\r\n'
expected+='%TM=UDP\r\n%UB=9600\r\n%HT=60\r\n%OT=100\r\n%RV1=13800000001\r\n%RV2=13800000002\r\n'
expected+='%SS1=13900000001\r\n%SS2=13900000002\r\n%RST\r\n'
[ "$received" = "$expected" ] || fail "the DTU received
  $received
expected
  $expected"

# The settings file holds what the window showed after the factory reset; the DTU keeps its
# factory settings.
saved=$(tr '\0' '|' <"$settings_dir/data.txt")
[ "$saved" = '//////////TCP//1200//120//120//////////|' ] || fail "data.txt holds $saved"
if [ -n "$installed" ]; then
  # The copy beside the installed program is as the administrator left it.
  [ "$(tr '\0' '|' <"$tool_dir/data.txt")" = "$(printf "$initial" | tr '\0' '|')" ] ||
    fail "the save changed the program folder's data.txt"
fi
kept=$(tr '\n' ' ' <"$scratch/sim.state")
[ "$kept" = 'ID= IP= PT= DN= AP= TM=TCP UB=1200 OT=120 HT=120 RV1= RV2= SS1= SS2= ' ] || fail "the DTU keeps $kept"

# The technician closes the window (Alt+F4) while a read waits for an answer that never comes:
# the tool ends quietly, with no message box and exit status 0.
stop_sim
start_sim --fault no-answer=LIST
start_tool
window=$(find_window 'GPRS/CDMA DTU' 60) || fail "the main window did not appear again"
connect_and_read
xdotool mousemove --window "$window" 300 300 key alt+F4
for _ in $(seq 100); do
  [ -f "$scratch/tool.status" ] && break
  xdotool search --name '信息提示窗口' >/dev/null 2>&1 && fail "a message box after closing the window during the read"
  sleep 0.1
done
tool_ends_well "closing the window during the read"
echo "PASS"
