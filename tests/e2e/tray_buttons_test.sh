#!/usr/bin/env bash
# Double-clicks of the middle and the right button on the tray icon open the
# main window like the left one's.
source "$(dirname "$0")/lib.sh" "$1" tray_buttons
source "$(dirname "$0")/wm.sh"
e2e_begin
start_wm_desktop
wait_for_quiet_icon
icon=$(tray_icon) || true
title='Torvik Master v1.1'

# button_double_click BUTTON: two presses 60 ms apart on the icon.
button_double_click() { xdotool mousemove --window "$icon" 8 8 sleep 0.1 click --repeat 2 --delay 60 "$1"; }

# A single middle click does nothing.
xdotool mousemove --window "$icon" 8 8 sleep 0.1 click 2
sleep 1
[ -z "$(window_named "$title")" ] || fail "a single middle click opened the window"

button_double_click 2
wait_for 30 '[ -n "$(window_named "$title")" ]' || fail "a middle double-click did not open the window"
window=$(window_named "$title") || true
shot middle
click_frame_button "$window" close
wait_until 30 eval '! viewable "$window"' || fail "the close box did not hide the window"

# Two middle clicks further apart than the double-click interval are no double-click.
xdotool mousemove --window "$icon" 8 8 sleep 0.1 click 2 sleep 0.9 click 2
sleep 1
! viewable "$window" || fail "two slow middle clicks opened the window"

button_double_click 3
wait_until 30 viewable "$window" || fail "a right double-click did not open the window"
wait_for 3 '[ -z "$(popup_menu)" ]' || xdotool key Escape
shot right
