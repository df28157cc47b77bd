#!/usr/bin/env bash
# The whole program under a real X server and tray host, with torvik-sim as the
# simulator: start, tray menu commands, the window and its log, Save, unplug
# and replug, a second copy, Exit.
source "$(dirname "$0")/lib.sh" "$1" tray_session
e2e_begin
start_x
start_tray

record=$E2E_TMP/received.bin
start_sim "TORVIK ECU SIMULATOR" "$record"
start_program master

# The splash comes up at once, centred, while the window stays hidden, and
# leaves after about three seconds.
splash_geometry() { xwininfo -root -tree 2>/dev/null | awk '/\("torvik-master" / && / 400x205\+/ && !found {print $NF; found = 1}'; }
wait_for 30 '[ -n "$(splash_geometry)" ]' || fail "no splash at start"
shown_at=$SECONDS
[ "$(splash_geometry)" = "+440+297" ] || fail "the splash is not centred: $(splash_geometry)"
sleep 0.5
shot splash
[ -z "$(window_named 'Torvik Master v1.1')" ] || fail "the main window showed with the splash"

wait_for_icon 60 || fail "no tray icon"
wait_for 30 '[ -z "$(splash_geometry)" ]' || fail "the splash stayed"
e2e_log "the splash left after about $((SECONDS - shown_at)) s"
e2e_log "tray icon window $(tray_icon)"
wait_until 30 recorded "$record" 'MON1\r' || fail "the simulator never got MON1"
wait_until 30 icon_is_green || fail "the tray icon does not show the link open ($(icon_colour))"
shot tray_open
[ -z "$(window_named 'Torvik Master v1.1')" ] || fail "the main window showed at start"

choose_menu "ISO 9141-2"
wait_until 30 recorded "$record" 'SP3\r' || fail "ISO 9141-2 did not send SP3"
choose_menu "Reset"
wait_until 30 recorded "$record" 'reset\r' || fail "Reset did not send reset"
choose_menu "Monitor on/off"
wait_until 30 recorded "$record" 'MON0\r' || fail "Monitor on/off did not send MON0"
choose_menu "Monitor on/off"
wait_for 30 '[ "$(recorded_count "$record" "MON1\\r")" -ge 2 ]' || fail "Monitor on/off did not send MON1"

# The menu as the user sees it.
open_tray_menu
sleep 0.3
shot menu
xdotool key Escape
wait_for 30 '[ -z "$(popup_menu)" ]' || fail "Escape did not close the menu"

# Double-click: the window comes up with the log of the simulator's traffic.
double_click "$(tray_icon)"
wait_for 30 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "double-click did not open the window"
window=$(window_named 'Torvik Master v1.1')
eval "$(xdotool getwindowgeometry --shell "$window")"
e2e_log "window ${WIDTH}x${HEIGHT} at $X,$Y"
[ "$WIDTH" -eq 503 ] && [ "$HEIGHT" -eq 553 ] || fail "the window is ${WIDTH}x${HEIGHT}, not 503x553"
sleep 1.5
shot window "$window"

# "Save" at (91,4)+(81x25) in the button panel, which sits 35+19 above the bottom.
saved=$E2E_TMP/saved-log.txt
left_click "$window" 130 $((553 - 19 - 35 + 16))
wait_for 30 '[ -n "$(xdotool search --onlyvisible --name "Save|Speichern" 2>/dev/null | sed -n 1p)" ]' ||
    fail "Save did not open the save dialog"
sleep 0.5
shot save_dialog
xdotool key --delay 20 ctrl+a
xdotool type --delay 10 "$saved"
xdotool key Return
wait_until 30 test -s "$saved" || fail "Save wrote no file"
grep -q "OK PROTOCOL 3" "$saved" || fail "the saved log lacks the answer to SP3"
grep -q "OK RESET" "$saved" || fail "the saved log lacks the answer to reset"
grep -q $'\r$' "$saved" || fail "the saved log's lines do not end in CR LF"
cp "$saved" "$E2E_ARTEFACTS/saved-log.txt"

# Unplug: the link closes and the icon turns red; replug: open again within 2 s.
stop_sim
wait_until 30 icon_is_red || fail "the tray icon did not turn red after the unplug ($(icon_colour))"
wait_for 30 '[ -n "$(balloon)" ]' || fail "no balloon after the unplug"
sleep 0.3
shot tray_closed
shot balloon_closed "$(balloon)"
start_sim "TORVIK ECU SIMULATOR" "$record"
replugged=$(date +%s%N)
wait_until 30 recorded "$record" 'MON1\r' || fail "the simulator was not reopened after the replug"
took_ms=$((($(date +%s%N) - replugged) / 1000000))
e2e_log "reopened ${took_ms} ms after the replug"
[ "$took_ms" -le 2000 ] || fail "reopening took $took_ms ms"
wait_until 30 icon_is_green || fail "the tray icon did not turn green after the replug"

# A second copy ends at once and leaves the first running.
first=$PROGRAM_PID
start_program second
second=$PROGRAM_PID
wait_until 30 process_gone "$second" || fail "the second copy kept running"
wait "$second" 2>/dev/null || true
forget_pid "$second"
PROGRAM_PID=$first
program_running || fail "the first copy ended when the second started"
[ -n "$(tray_icon)" ] || fail "the first copy's icon went away"

# Exit ends the program and takes the icon away.
choose_menu "Exit"
wait_until 30 process_gone "$first" || fail "Exit did not end the program"
wait "$first" 2>/dev/null && status=0 || status=$?
forget_pid "$first"
[ "$status" -eq 0 ] || fail "the program ended with status $status"
wait_for 30 '[ -z "$(tray_icon)" ]' || fail "the tray icon stayed after Exit"
shot after_exit
