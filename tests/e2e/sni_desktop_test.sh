#!/usr/bin/env bash
# The program on a desktop of today: a private session bus, an LXQt panel that
# shows only StatusNotifierItems (no XEmbed tray) and dunst for the notices.
# The panel comes 3 s after the program; clicks, the exported menu, a host's
# ContextMenu call, notices with and without a daemon, a panel restart, Exit.
source "$(dirname "$0")/lib.sh" "$1" sni_desktop
e2e_begin
source "$(dirname "$0")/sni_lib.sh"
start_x
start_session_bus
start_notice_daemon
notices=$E2E_ARTEFACTS/notify-calls.log
start_notice_monitor "$notices"

record=$E2E_TMP/received.bin
start_sim "TORVIK ECU SIMULATOR" "$record"
start_program master
sleep 3
program_running || fail "the program gave up before the panel came"
start_sni_panel
wait_for_item 40 || fail "the item never registered with the late panel"
e2e_log "item $(our_item)"
wait_until 30 recorded "$record" 'MON1\r' || fail "the simulator never got MON1"

# "Device opened" went to the daemon, with normal urgency; the item stays Active.
wait_for 30 'notices_seen "$notices" | grep -q "|Device opened|"' || fail "no notice of the opened link on the bus"
notices_seen "$notices" | grep -q "|Torvik Status|Device opened|1$" || fail "the notice is not of normal urgency: $(notices_seen "$notices")"
[ "$(item_property $(our_item) Status)" = "Active" ] || fail "the item's status is $(item_property $(our_item) Status) during the notice"
[ "$(item_property $(our_item) Menu)" = "/MenuBar" ] || fail "the item exports no menu"
sleep 0.5
shot notice_opened

# A left click on the item opens the window.
item_click 1
wait_for 30 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "a left click on the item did not open the window"
window=$(window_named 'Torvik Master v1.1')
sleep 0.5
shot window_from_item
xdotool windowclose "$window" 2>/dev/null || true
wait_for 30 '[ -z "$(window_named "Torvik Master v1.1")" ]' || fail "closing the window did not hide it"

# The panel shows the exported menu on a right click.
item_click 3
wait_for 30 '[ -n "$(panel_menu)" ]' || fail "the panel did not open the item's menu"
sleep 0.3
shot item_menu
xdotool key Escape
wait_for 30 '[ -z "$(panel_menu)" ]' || fail "Escape did not close the item's menu"
choose_item_menu "ISO 9141-2"
wait_until 30 recorded "$record" 'SP3\r' || fail "ISO 9141-2 from the item's menu did not send SP3"

# A host that calls ContextMenu itself gets the program's own popup.
xdotool mousemove 600 300
item_call ContextMenu int32:600 int32:300
wait_for 30 '[ -n "$(popup_menu)" ]' || fail "ContextMenu did not open the popup"
sleep 0.3
shot context_menu_call
xdotool key Escape
wait_for 30 '[ -z "$(popup_menu)" ]' || fail "Escape did not close the popup"

# Two notices within a second: the second replaces the first.
before=$(notices_seen "$notices" | wc -l)
stop_sim
start_sim "TORVIK ECU SIMULATOR" "$record"
wait_for 30 '[ "$(notices_seen "$notices" | wc -l)" -ge $((before + 2)) ]' || fail "unplug and replug gave no two notices"
notices_seen "$notices" | tail -n2 | awk -F'|' '$1 == 0 {exit 1}' || fail "a notice did not replace the one before: $(notices_seen "$notices" | tail -n2)"
[ "$(item_property $(our_item) Status)" = "Active" ] || fail "the item's status changed with the notices"
program_running || fail "the program ended on two quick notices"

# The panel restarts (its watcher goes and comes back): the item registers again.
stop_sni_panel
wait_for 30 '[ -z "$(our_item)" ]' || fail "the item outlived its watcher"
start_sni_panel
wait_for_item 40 || fail "the item did not register again after the panel restarted"
program_running || fail "the program ended when the panel restarted"
sleep 0.5
shot panel_restarted

# Without a daemon, the balloon shows.
stop_notice_daemon
stop_sim
wait_for 30 '[ -n "$(balloon)" ]' || fail "no balloon without a notification daemon"
sleep 0.3
shot balloon_without_daemon
[ "$(item_property $(our_item) Status)" = "Active" ] || fail "the item's status changed with the balloon"

# Exit ends the program and takes the item away.
choose_item_menu "Exit"
wait_until 30 process_gone "$PROGRAM_PID" || fail "Exit did not end the program"
wait "$PROGRAM_PID" && status=0 || status=$?
forget_pid "$PROGRAM_PID"
[ "$status" -eq 0 ] || fail "the program ended with status $status"
wait_for 30 '[ -z "$(our_item)" ]' || fail "the item stayed after Exit"
shot after_exit
