#!/usr/bin/env bash
# Hiding and showing the main window under a window manager: fifty rounds of
# hiding it with the close box or the minimise box, in turn, and opening it
# again with a double-click on the tray icon. Every double-click must open it,
# and a hidden window must never be left minimised in the window system.
source "$(dirname "$0")/lib.sh" "$1" window_cycles
source "$(dirname "$0")/wm.sh"
e2e_begin
start_wm_desktop
wait_for_quiet_icon

title='Torvik Master v1.1'
rounds=${WINDOW_ROUNDS:-50}
icon=$(tray_icon) || true
double_click "$icon"
wait_for 30 '[ -n "$(window_named "$title")" ]' || fail "the first double-click did not open the window"
# (head may close the pipe on xdotool, which pipefail would count as a failure)
window=$(window_named "$title") || true
[ -n "$window" ] || fail "the window vanished"
# The window keeps its place, and so do its boxes.
wait_for 30 '[ -n "$(frame_extents "$window")" ]' || fail "the window manager gives no frame extents"
close_box=$(frame_button "$window" close)
minimize_box=$(frame_button "$window" minimize)

missed=0
for ((round = 1; round <= rounds; round++)); do
    if ((round > 1)); then double_click "$icon"; fi
    if ! wait_until 3 viewable "$window"; then
        missed=$((missed + 1))
        e2e_log "round $round: the double-click left the window hidden (WM_STATE $(wm_state "$window"))"
        shot "missed_$round"
        choose_menu "Open"
        wait_until 30 viewable "$window" || fail "round $round: not even Open showed the window"
    fi
    if ((round % 2)); then box=close point=$close_box; else box=minimize point=$minimize_box; fi
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
    wait_until 30 eval '! viewable "$window"' || fail "round $round: the $box box did not hide the window"
    # Neither minimised now (WM_STATE) nor to be mapped minimised next time (WM_HINTS).
    ! xprop -id "$window" WM_STATE WM_HINTS 2>/dev/null | grep -qi 'iconic' ||
        fail "round $round: the $box box left the window minimised: $(xprop -id "$window" WM_STATE WM_HINTS)"
done
e2e_log "$((rounds - missed)) of $rounds double-clicks opened the window"
[ "$missed" -eq 0 ] || fail "$missed of $rounds double-clicks left the window hidden"

# Shown once more, it is in its normal state and in front.
double_click "$icon"
wait_until 30 viewable "$window" || fail "the last double-click did not open the window"
sleep 0.3
shot shown
