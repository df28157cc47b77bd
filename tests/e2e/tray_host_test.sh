#!/usr/bin/env bash
# The program and its tray host: a panel that starts after the program, a panel
# that restarts, and no panel at all.
source "$(dirname "$0")/lib.sh" "$1" tray_host
e2e_begin
start_x

# No simulator: the first tick shows the closed link. The panel comes 2 s late.
start_program late_tray
sleep 2
program_running || fail "the program gave up while waiting for the tray"
start_tray
wait_for_icon 40 || fail "the icon did not appear once the tray host started"
wait_until 30 icon_is_red || fail "without a simulator the icon does not show the closed link ($(icon_colour))"
sleep 0.3
shot late_tray

# The panel restarts: the icon comes back with the image it had.
stop_tray
wait_for 30 '[ -z "$(trayer_panel)" ]' || fail "trayer did not stop"
start_tray
wait_for_icon 40 || fail "the icon did not come back after the tray host restarted"
wait_until 30 icon_is_red || fail "the icon came back with another image ($(icon_colour))"
program_running || fail "the program ended when the tray host restarted"
sleep 0.3
shot tray_restarted
choose_menu "Exit"
wait_until 30 process_gone "$PROGRAM_PID" || fail "Exit did not end the program"

# No tray host at all: after its wait the program reports it cannot create the icon.
stop_tray
start_program no_tray
wait_for 80 '[ -n "$(window_named "Torvik Master")" ]' || fail "no error report without a tray host"
box=$(window_named "Torvik Master")
sleep 0.3
shot no_tray_error "$box"
xdotool windowfocus --sync "$box" key Return || xdotool key Return
wait_until 30 process_gone "$PROGRAM_PID" || fail "the program kept running without a tray"
wait "$PROGRAM_PID" && status=0 || status=$?
forget_pid "$PROGRAM_PID"
[ "$status" -ne 0 ] || fail "the program ended with status 0 without a tray"
