#!/usr/bin/env bash
# The first showing centres the window's frame, as the window manager draws
# it, in the work area; after a move the window comes back where it was left.
source "$(dirname "$0")/lib.sh" "$1" window_centre
source "$(dirname "$0")/wm.sh"
e2e_begin
start_wm_desktop
wait_for_icon 60 || fail "no tray icon"
icon=$(tray_icon) || true
double_click "$icon"
wait_for 30 '[ -n "$(window_named "Torvik Master v1.1")" ]' || fail "the double-click did not open the window"
window=$(window_named "Torvik Master v1.1") || true
wait_for 30 '[ -n "$(frame_extents "$window")" ]' || fail "the window manager gives no frame extents"
wait_still "$window" || fail "the window manager did not finish placing the window"

# Client area and frame as the server and the window manager have them.
read -r left right top bottom <<<"$(frame_extents "$window")"
info=$(xwininfo -id "$window")
x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
w=$(awk '/Width:/ {print $2}' <<<"$info")
h=$(awk '/Height:/ {print $2}' <<<"$info")
read -r _ _ work_w work_h _ <<<"$(xprop -root _NET_WORKAREA | awk -F' = ' '{gsub(/,/, "", $2); print $2}')"
frame_x=$((x - left)) frame_y=$((y - top))
frame_w=$((w + left + right)) frame_h=$((h + top + bottom))
want_x=$(((work_w - frame_w) / 2)) want_y=$(((work_h - frame_h) / 2))
e2e_log "frame ${frame_w}x${frame_h} at $frame_x,$frame_y (extents $left $right $top $bottom); centred is $want_x,$want_y"
shot centred
# Integer halving may differ by one pixel; the frame's title bar alone is $top.
((frame_x - want_x <= 1 && want_x - frame_x <= 1)) || fail "the frame's left edge is at $frame_x, not $want_x"
((frame_y - want_y <= 1 && want_y - frame_y <= 1)) || fail "the frame's top edge is at $frame_y, not $want_y"

# Moved by the user, hidden and shown again: where it was left.
xdotool windowmove "$window" 100 80
wait_for 30 '[ "$(xwininfo -id "$window" | awk "/Absolute upper-left X/ {print \$4}")" -ne "$x" ]' ||
    fail "the window did not move"
wait_still "$window" || fail "the window manager did not finish moving the window"
moved=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {print x "," $4}')
click_frame_button "$window" close
wait_until 30 eval '! viewable "$window"' || fail "the close box did not hide the window"
double_click "$icon"
wait_until 30 viewable "$window" || fail "the double-click did not show the window again"
position() { xwininfo -id "$window" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {print x "," $4}'; }
wait_for 30 '[ "$(position)" = "$moved" ]' || true
again=$(position)
[ "$again" = "$moved" ] || fail "the window came back at $again, not at $moved where it was left"
