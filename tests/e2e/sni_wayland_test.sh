#!/usr/bin/env bash
# The program as a Wayland client (weston, headless) with a StatusNotifierItem
# panel on the session bus: it starts, shows the splash without a fade and
# without warnings, takes commands from the item's menu, and ends on Exit.
source "$(dirname "$0")/lib.sh" "$1" sni_wayland
e2e_begin
source "$(dirname "$0")/sni_lib.sh"
command -v weston >/dev/null || { echo "missing tool: weston (run scripts/bootstrap)"; exit 1; }
start_x
start_session_bus
start_notice_daemon
notices=$E2E_ARTEFACTS/notify-calls.log
start_notice_monitor "$notices"

weston --backend=headless-backend.so --socket=torvik-wayland --width=1280 --height=800 --idle-time=0 \
    >"$E2E_ARTEFACTS/weston.log" 2>&1 &
remember_pid $!
wait_until 40 test -S "$XDG_RUNTIME_DIR/torvik-wayland" || fail "weston did not start"

record=$E2E_TMP/received.bin
start_sim "TORVIK ECU SIMULATOR" "$record"
start_sni_panel
WAYLAND_DISPLAY=torvik-wayland QT_QPA_PLATFORM=wayland start_program master
wait_for_item 60 || fail "no item from the Wayland client"
wait_until 30 recorded "$record" 'MON1\r' || fail "the simulator never got MON1"
wait_for 30 'notices_seen "$notices" | grep -q "|Device opened|1$"' || fail "no notice of the opened link"
# The splash's whole course (about 3.5 s) is over by now.
sleep 4
item_call Activate int32:10 int32:10
choose_item_menu "ISO 9141-2"
wait_until 30 recorded "$record" 'SP3\r' || fail "ISO 9141-2 did not send SP3"
[ "$(item_property $(our_item) Status)" = "Active" ] || fail "the item's status is not Active"
program_running || fail "the program ended"
choose_item_menu "Exit"
wait_until 30 process_gone "$PROGRAM_PID" || fail "Exit did not end the program"
wait "$PROGRAM_PID" && status=0 || status=$?
forget_pid "$PROGRAM_PID"
[ "$status" -eq 0 ] || fail "the program ended with status $status"
if grep -q . "$E2E_ARTEFACTS/master.log"; then
    fail "the program printed warnings on Wayland: $(sort "$E2E_ARTEFACTS/master.log" | uniq -c | head -n5)"
fi
