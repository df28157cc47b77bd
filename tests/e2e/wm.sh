# Helpers for end-to-end tests under a window manager (openbox): start it,
# read window properties and the stacking order from the X server. Sourced
# after lib.sh.

wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; }

# Starts openbox and waits until it has taken the screen. On a busy machine
# openbox now and then fails to open a display that has just begun to answer
# ("Failed to open the display"), and ends: it is started again, three times at most.
start_wm() {
    command -v openbox >/dev/null || { echo "missing tool: openbox (run scripts/bootstrap)"; exit 1; }
    local try
    for try in 1 2 3; do
        openbox --sm-disable >>"$E2E_ARTEFACTS/openbox.log" 2>&1 &
        WM_PID=$!
        remember_pid $WM_PID
        wait_for 40 'wm_ready || process_gone "$WM_PID"' || break
        wm_ready && break
        e2e_log "openbox ended at start (try $try): $(tail -n1 "$E2E_ARTEFACTS/openbox.log")"
        forget_pid $WM_PID
    done
    wm_ready || fail "openbox did not start"
    e2e_log "openbox running"
}

# Client windows from bottom to top, as the window manager stacks them (hex ids).
stacking_order() {
    xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -o '0x[0-9a-f]*' | while read -r id; do
        printf '0x%x\n' "$id"
    done
}

# stacked_above UPPER LOWER: UPPER lies above LOWER in the window manager's stacking.
stacked_above() {
    local upper lower
    upper=$(printf '0x%x' "$1")
    lower=$(printf '0x%x' "$2")
    stacking_order | awk -v u="$upper" -v l="$lower" '$1 == u {up = NR} $1 == l {low = NR}
        END {exit !(up && low && up > low)}'
}

# The window's frame extents from the window manager as "left right top bottom".
frame_extents() {
    xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | awk -F' = ' '/=/ {gsub(/,/, "", $2); print $2}'
}

# WM_STATE of a client window: Normal, Iconic or Withdrawn (empty when unset).
wm_state() {
    xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}'
}

# frame_button WINDOW close|maximize|minimize: the screen point "x y" of that
# box in openbox's title bar (its default theme puts minimise, maximise and
# close at the right end, 16 px apart, 9 px below the frame's top).
frame_button() {
    local info x y w left right top offset
    info=$(xwininfo -id "$1") || return 1
    x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    w=$(awk '/Width:/ {print $2}' <<<"$info")
    read -r left right top _ <<<"$(frame_extents "$1")"
    case $2 in
        close) offset=11 ;;
        maximize) offset=27 ;;
        minimize) offset=43 ;;
        *) return 1 ;;
    esac
    echo "$((x + w + right - offset)) $((y - top + 9))"
}

# click_frame_button WINDOW close|maximize|minimize
click_frame_button() {
    local point
    point=$(frame_button "$1" "$2") || return 1
    # shellcheck disable=SC2086
    xdotool mousemove $point click 1
}

# The window's place on the screen and its frame extents, in one line.
placement() {
    printf '%s %s' "$(xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left/ {printf "%s ", $4}')" \
        "$(frame_extents "$1")"
}

# wait_still WINDOW: waits until the window manager has done placing WINDOW:
# its place and frame are the same on two looks a poll apart.
wait_still() {
    STILL_WINDOW=$1 STILL_LAST=
    wait_for 30 'STILL_NOW=$(placement "$STILL_WINDOW"); [ "$STILL_NOW" = "$STILL_LAST" ] || { STILL_LAST=$STILL_NOW; false; }'
}

# viewable WINDOW: the window is mapped and seen on the screen.
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# start_xspy FILE: records what the X server receives for windows created from
# now on (see tests/e2e/tools/xspy.cpp).
start_xspy() {
    [ -x "$E2E_BUILD/torvik-xspy" ] || { echo "torvik-xspy is not built"; exit 1; }
    "$E2E_BUILD/torvik-xspy" >"$1" 2>&1 &
    remember_pid $!
    wait_until 30 grep -q '^ready' "$1" || fail "torvik-xspy did not start"
}

# The top-level window (the window manager's frame) that holds WINDOW.
toplevel_of() {
    local id=$1 parent
    while parent=$(xwininfo -id "$id" -children 2>/dev/null | awk '/Parent window id:/ {print $4}') &&
        [ -n "$parent" ] && [ "$(printf '%d' "$parent")" -ne "$(printf '%d' "$(root_window)")" ]; do
        id=$parent
    done
    printf '0x%x\n' "$id"
}
root_window() { xwininfo -root 2>/dev/null | awk '/Window id:/ {print $4}'; }

# x_above UPPER LOWER: on the X server itself, the top-level window holding
# UPPER lies above the one holding LOWER (xwininfo lists root's children from
# the top down).
x_above() {
    local upper lower
    upper=$(toplevel_of "$1")
    lower=$(toplevel_of "$2")
    xwininfo -root -children 2>/dev/null | awk '/^     0x/ {print $1}' |
        awk -v u="$upper" -v l="$lower" '$1 == u {up = NR} $1 == l {low = NR} END {exit !(up && low && up < low)}'
}

# The desktop most window tests need: X, openbox, trayer, and the program in it.
start_wm_desktop() {
    start_x
    start_wm
    start_tray
    start_program master
}

# Waits for the icon, then until the splash and the first balloon have gone, so
# that nothing covers the icon.
wait_for_quiet_icon() {
    wait_for_icon 60 || fail "no tray icon"
    wait_for 32 '[ -z "$(splash_window)" ] && [ -z "$(balloon)" ]' || fail "the splash or the balloon stayed"
}
