#!/usr/bin/env bash
# The Windows build under Wine, with torvik-sim behind the FTD2XX.DLL test
# double beside the exe.
#   wine_session_test.sh PROGRAM_FOLDER
# PROGRAM_FOLDER holds torvik-master.exe and the DLLs it needs; wine_lib.sh
# says where torvik-sim and the double are found.
#
# Two sessions, each on what Wine 8 does reliably:
#  1. trayer as the notification area: Wine docks the icon there every time
#     (as a window of its explorer.exe), but draws it and passes it the mouse
#     only in some runs. Checked: the icon docks, the bridge opens and "MON1\r"
#     goes out, a second start of the same exe ends and adds no second icon.
#  2. Wine's virtual desktop, whose own tray draws and answers every time.
#     Checked: the tray menu's "ISO 15765-4" sends "SP5\r", a double-click
#     opens the window with the traffic in its log, Save writes it with CR LF
#     line ends and every byte as received (code page 1252), each of three
#     unplugs shows "Device closed" and leaves no handle of the double open,
#     each replug reopens, "Exit" ends the program.
source "$(dirname "$0")/wine_lib.sh" "$1" wine_session
wine_begin
wine_start_x
wine_start_wm
start_tray

record=$E2E_TMP/received.bin

# --- 1. trayer --------------------------------------------------------------
start_wine_sim "$record"
start_wine_program master
wait_for 60 '[ -n "$(wine_tray_icon)" ]' || fail "no icon docked in the tray"
e2e_log "tray icon window $(wine_tray_icon)"
wait_until 30 recorded "$record" 'MON1\r' || fail "the simulator never got MON1"
e2e_log "the bridge opened and MON1 went out"
shot tray_started

first=$PROGRAM_PID
start_wine_program second
second=$PROGRAM_PID
wait_until 30 process_gone "$second" || fail "the second copy kept running"
wait "$second" 2>/dev/null || true
forget_pid "$second"
PROGRAM_PID=$first
program_running || fail "the first copy ended when the second started"
# A second icon would have docked by now: the first took under a second.
sleep 2
[ "$(tray_icon_count)" -eq 1 ] || fail "$(tray_icon_count) icons in the tray after the second start"
e2e_log "the second copy ended and added no icon"
wine_stop_session
stop_wine_sim

# --- 2. Wine's virtual desktop ----------------------------------------------
# Once the first command has arrived, the simulator sends every byte from 0x80
# to 0xFF in four lines, which Save must give back unchanged.
sendfile=$E2E_TMP/high-bytes.bin
expected=$E2E_TMP/high-lines.txt
: >"$sendfile"
: >"$expected"
for start in 128 160 192 224; do
    line="CP1252"
    for ((b = start; b < start + 32; b++)); do line+=$(printf "\\x$(printf %02x $b)"); done
    printf '%s\r' "$line" >>"$sendfile"
    printf '%s\r\n' "$line" >>"$expected"
done
start_wine_sim "$record" "$sendfile"
mon1_before=$(recorded_count "$record" 'MON1\r')
start_wine_desktop desktop
wait_for 30 '[ "$(recorded_count "$record" "MON1\\r")" -gt "$mon1_before" ]' || fail "the simulator never got MON1 in the desktop"
wait_for 10 '[ "$(balloon_count "Device opened")" -ge 1 ]' || fail "no \"Device opened\" balloon"
wait_for 10 '[ -n "$(taskbar)" ]' || fail "no Wine taskbar"
[ -n "$(wine_program_pids)" ] || fail "the program's process is not to be found"

choose_wine_menu "ISO 15765-4"
wait_until 5 recorded "$record" 'SP5\r' || fail "ISO 15765-4 did not send SP5"

tray_click click --repeat 2 --delay 60 1
wait_for 10 '[ -n "$(desktop_named "$WINE_TITLE")" ]' || fail "a double-click did not open the window"
window=$(desktop_named "$WINE_TITLE")
# Let the log show a few seconds of ISO 15765-4 traffic.
sleep 3
shot window

# Save sits 42 pixels above the bottom of the window as Wine frames it.
read -r width height <<<"$(xwininfo -id "$window" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')"
e2e_log "window ${width}x${height}"
xdotool mousemove --window "$window" 135 $((height - 42)) sleep 0.2 click 1
file_dialog() { desktop_children | awk -v w="$window" '$1 != w && $2 > 500 && $3 > 300 {print $1; exit}'; }
wait_for 10 '[ -n "$(file_dialog)" ]' || fail "Save did not open the file dialog"
sleep 0.5
shot save_dialog
saved=$E2E_TMP/saved-log.txt
xdotool type --delay 10 "$(wine_path "$saved")"
xdotool key Return
wait_until 10 test -s "$saved" || fail "Save wrote no file"
cp "$saved" "$E2E_ARTEFACTS/saved-log.txt"
LC_ALL=C grep -qa $'^OK PROTOCOL 5 ISO 15765-4\r$' "$saved" || fail "the saved log lacks the answer to SP5"
LC_ALL=C grep -qa $'^7E8 ' "$saved" || fail "the saved log lacks the ISO 15765-4 traffic"
[ "$(LC_ALL=C grep -vac $'\r$' "$saved")" -eq 0 ] || fail "not every saved line ends in CR LF"
found=$(LC_ALL=C grep -Fxac -f "$expected" "$saved" || true)
e2e_log "saved log: $(wc -l <"$saved") lines, $found of 4 high-byte lines unchanged"
[ "$found" -eq 4 ] || fail "Save changed bytes 0x80..0xFF (see saved-log.txt)"

# Unplug and replug, three times. Each unplug gives the dead handle back to
# the library at once: the double counts none open before the replug.
calls=$E2E_ARTEFACTS/bridge-calls.txt
open_handles() { LC_ALL=C grep -a "open handles" "$calls" | tail -n1 | awk '{print $NF}' | tr -d '\r'; }
for round in 1 2 3; do
    stop_wine_sim
    wait_for 10 '[ "$(balloon_count "Device closed")" -ge '$round' ]' || fail "no \"Device closed\" balloon after unplug $round"
    wait_for 5 '[ "$(open_handles)" = 0 ]' || fail "unplug $round left $(open_handles) handles open"
    [ "$round" -eq 1 ] && { sleep 0.5; shot unplugged; }
    mon1_before=$(recorded_count "$record" 'MON1\r')
    start_wine_sim "$record"
    wait_for 10 '[ "$(recorded_count "$record" "MON1\\r")" -gt "$mon1_before" ]' || fail "the replugged simulator was not reopened ($round)"
    wait_for 10 '[ "$(balloon_count "Device opened")" -ge '$((round + 1))' ]' || fail "no \"Device opened\" balloon after replug $round"
    [ "$(open_handles)" = 1 ] || fail "$(open_handles) handles open after replug $round"
done
e2e_log "three unplugs and replugs seen, no handle left open after any unplug"

choose_wine_menu Exit
wait_for 10 '[ -z "$(wine_program_pids)" ]' || fail "Exit did not end the program"
wait_for 5 '[ -z "$(desktop_named "$WINE_TITLE")" ]' || fail "the window stayed after Exit"
shot after_exit
wine_stop_session
