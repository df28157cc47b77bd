#!/usr/bin/env bash
# The main window opened from the tray while the splash is up stays below the
# splash, under a window manager, until the splash's time is over.
source "$(dirname "$0")/lib.sh" "$1" splash_stacking
source "$(dirname "$0")/wm.sh"
e2e_begin
start_wm_desktop

wait_for 30 '[ -n "$(splash_window)" ]' || fail "no splash at start"
splash=$(splash_window) || true
wait_for_icon 60 || fail "no tray icon"
[ -n "$(splash_window)" ] || fail "the splash left before the test could open the window"
if [ "${OPEN_BY:-}" = menu ]; then choose_menu "Open"; else double_click "$(tray_icon)"; fi
wait_for 30 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "the double-click did not open the window"
window=$(window_named "Torvik Master v1.1") || true
e2e_log "splash $splash, main window $window"

# Until the splash goes, look again and again: the window manager's stacking
# and the server's own order of the top-level windows.
checks=0
while [ -n "$(splash_window)" ]; do
    stacking=$(stacking_order | tr '\n' ' ') || true
    if ! stacked_above "$splash" "$window"; then
        [ -z "$(splash_window)" ] && break
        fail "the main window is stacked above the splash: $stacking"
    fi
    if ! x_above "$splash" "$window"; then
        [ -z "$(splash_window)" ] && break
        fail "on the server the main window lies above the splash"
    fi
    checks=$((checks + 1))
    if [ "$checks" -eq 1 ]; then
        # The splash's white ground, not the log window's black, at its top left.
        colour=$(import -window root -crop 1x1+445+305 -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}') || true
        [ -n "$(splash_window)" ] || break
        [ "$colour" = "#FFFFFF" ] || fail "the screen shows $colour where the splash's white ground should be"
        shot over_window
    fi
    sleep 0.2
done
e2e_log "the splash stayed on top through $checks looks"
[ "$checks" -ge 1 ] || fail "the splash went before the stacking could be seen"
viewable "$window" || fail "the main window went away with the splash"
