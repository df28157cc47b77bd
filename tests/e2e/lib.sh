# Helpers for the end-to-end tests: a private X server with a tray host, the
# program and the simulator stand-in, mouse and keys, screenshots, and cleanup.
# A test script sources this file with the build folder as its first argument
# and its own name as the second, then calls e2e_begin.

set -euo pipefail

E2E_BUILD=$(cd "$1" && pwd)
E2E_NAME=$2
E2E_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
E2E_ARTEFACTS=$E2E_BUILD/e2e-artefacts/$E2E_NAME
E2E_PIDS=()
E2E_FAILED=0

e2e_log() { printf '[%s %s] %s\n' "$(date +%T.%3N)" "$E2E_NAME" "$*"; }

fail() {
    e2e_log "FAIL: $*"
    E2E_FAILED=1
    shot "failure" || true
    exit 1
}

# Stops every process this test started, newest first, each by its own id.
e2e_cleanup() {
    local rc=$?
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${E2E_PIDS[i]}" 2>/dev/null || true
    done
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        wait "${E2E_PIDS[i]}" 2>/dev/null || true
    done
    [ -n "${E2E_TMP:-}" ] && rm -rf "$E2E_TMP"
    if [ $rc -eq 0 ] && [ $E2E_FAILED -eq 0 ]; then
        e2e_log "passed; artefacts in $E2E_ARTEFACTS"
    else
        e2e_log "failed; artefacts in $E2E_ARTEFACTS"
    fi
    exit $rc
}

remember_pid() { E2E_PIDS+=("$1"); }
forget_pid() {
    local keep=() p
    for p in "${E2E_PIDS[@]}"; do [ "$p" != "$1" ] && keep+=("$p"); done
    E2E_PIDS=("${keep[@]}")
}

# wait_for SECONDS 'EXPRESSION': polls the shell expression every 100 ms until it holds.
wait_for() {
    local limit=$1 expression=$2
    local deadline=$((SECONDS + limit))
    until eval "$expression"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

# wait_until SECONDS COMMAND...: polls COMMAND every 100 ms until it succeeds.
wait_until() {
    local limit=$1
    shift
    local deadline=$((SECONDS + limit))
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.1
    done
}

# A private runtime folder (bridge directory, the program's guard object), a
# private copy of the program (its guard is keyed by the executable's path, so
# tests running side by side do not see each other), and the artefact folder.
e2e_begin() {
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    trap 'exit 129' HUP
    trap 'exit 141' PIPE
    for tool in Xvfb trayer xdotool xwininfo import convert; do
        command -v "$tool" >/dev/null || { echo "missing tool: $tool (run scripts/bootstrap)"; exit 1; }
    done
    [ -x "$E2E_BUILD/torvik-master" ] || { echo "torvik-master is not built"; exit 1; }
    [ -x "$E2E_BUILD/torvik-sim" ] || { echo "torvik-sim is not built"; exit 1; }
    rm -rf "$E2E_ARTEFACTS"
    mkdir -p "$E2E_ARTEFACTS"
    E2E_TMP=$(mktemp -d /tmp/torvik-e2e.XXXXXX)
    mkdir -m 700 "$E2E_TMP/runtime" "$E2E_TMP/bin"
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime
    # The guard and the bridges of this run meet there, apart from the user's own.
    export TORVIK_RUNTIME_DIR=$XDG_RUNTIME_DIR
    cp "$E2E_BUILD/torvik-master" "$E2E_TMP/bin/torvik-master"
    E2E_PROGRAM=$E2E_TMP/bin/torvik-master
    # No session bus: Qt then uses the X11 tray protocol that trayer speaks.
    # An address that leads nowhere, not an empty one: without an address the
    # D-Bus library starts a bus of its own for the display (autolaunch), and
    # that bus would start a notification daemon for the first notice.
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$E2E_TMP/no-session-bus
    export QT_QPA_PLATFORM=xcb
    export HOME=$E2E_TMP
    cd "$E2E_TMP"
}

# Starts Xvfb on a display of its own and waits until it answers. The server
# must not reset when its last client leaves (after the first xdpyinfo, or
# when the program and the tray host have gone): while it resets it refuses
# connections, and on a busy machine the next client arrives just then. The
# number is drawn at random above 300, away from the low ones where every
# other X server on the machine starts looking.
start_x() {
    local attempt display pid
    for attempt in $(seq 20); do
        display=$((300 + RANDOM % 30000))
        [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ] && continue
        Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp -noreset >"$E2E_ARTEFACTS/xvfb.log" 2>&1 &
        pid=$!
        remember_pid $pid
        # Ours when it answers while our process still runs (another may have won the number).
        wait_for 30 'process_gone $pid || xdpyinfo -display ":$display" >/dev/null 2>&1' || true
        if ! process_gone $pid && xdpyinfo -display ":$display" >/dev/null 2>&1; then
            export DISPLAY=:$display
            X_PID=$pid
            e2e_log "X server on $DISPLAY"
            return 0
        fi
        kill $pid 2>/dev/null || true
        wait $pid 2>/dev/null || true
        forget_pid $pid
    done
    fail "Xvfb did not start"
}

trayer_panel() { xwininfo -root -tree 2>/dev/null | awk '!found && /\("panel" "trayer"\)/ {print $1; found = 1}'; }

# Starts trayer as the notification area and waits until its panel exists.
start_tray() {
    trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
        --transparent false --tint 0x404040 >>"$E2E_ARTEFACTS/trayer.log" 2>&1 &
    TRAYER_PID=$!
    remember_pid $TRAYER_PID
    wait_for 40 '[ -n "$(trayer_panel)" ]' || fail "trayer did not start"
}

stop_tray() {
    kill "$TRAYER_PID" 2>/dev/null || true
    wait "$TRAYER_PID" 2>/dev/null || true
    forget_pid "$TRAYER_PID"
}

# The program's icon: its window inside trayer's panel (empty when absent).
tray_icon() {
    xwininfo -root -tree 2>/dev/null |
        awk '/\("panel" "trayer"\)/ {inpanel = 1; next}
             inpanel && !found && /\("torvik-master" / {print $1; found = 1}
             inpanel && /^     0x/ {inpanel = 0}'
}

wait_for_icon() { wait_for "${1:-60}" '[ -n "$(tray_icon)" ]'; }

# Mean red and green of the icon's pixels, as "r g" in 0..1.
icon_colour() {
    local file=$E2E_TMP/icon.png
    import -window "$(tray_icon)" "$file" 2>/dev/null || return 1
    convert "$file" -format '%[fx:mean.r] %[fx:mean.g]' info:
}
icon_is_green() { local c; c=$(icon_colour) && awk -v c="$c" 'BEGIN {split(c, v, " "); exit !(v[2] > v[1] + 0.05)}'; }
icon_is_red() { local c; c=$(icon_colour) && awk -v c="$c" 'BEGIN {split(c, v, " "); exit !(v[1] > v[2] + 0.05)}'; }

# Visible top-level windows of the program whose title is exactly TITLE.
window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | sed -n 1p; }

# start_program LOGNAME: starts the program's private copy in the background.
start_program() {
    "$E2E_PROGRAM" >"$E2E_ARTEFACTS/$1.log" 2>&1 &
    PROGRAM_PID=$!
    remember_pid $PROGRAM_PID
    e2e_log "torvik-master started (pid $PROGRAM_PID)"
}

# A process that ended counts as gone even before it is reaped.
process_gone() {
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
    [[ $state == Z* ]]
}
program_running() { ! process_gone "$PROGRAM_PID"; }

# start_sim DESCRIPTION RECORDFILE: a virtual simulator that records what it gets
# (SIM_RATE lines a second of traffic, 20 unless set).
start_sim() {
    local out=$E2E_ARTEFACTS/sim.log
    : >"$2"
    # Emptied here, not by the redirection below alone: that runs in the child,
    # and until then the wait below could read the last simulator's line.
    : >"$out"
    "$E2E_BUILD/torvik-sim" --description "$1" --record "$2" --rate "${SIM_RATE:-20}" >"$out" 2>&1 &
    SIM_PID=$!
    remember_pid $SIM_PID
    wait_until 40 grep -q "bridge ready" "$out" || fail "torvik-sim did not publish its bridge"
    e2e_log "$(grep "bridge ready" "$out" | tail -n1)"
}

# Unplugs the simulator: SIGTERM removes its bridge and ends it.
stop_sim() {
    kill -TERM "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
    forget_pid "$SIM_PID"
}

# recorded FILE TEXT: the simulator received TEXT (printf escapes, e.g. 'SP3\r').
recorded() { LC_ALL=C grep -qF -- "$(printf "$2")" "$1"; }
# Number of times TEXT was received.
recorded_count() { LC_ALL=C grep -oF -- "$(printf "$2")" "$1" | wc -l; }

left_click() { xdotool mousemove --window "$1" "${2:-8}" "${3:-8}" sleep 0.1 click 1; }
double_click() { xdotool mousemove --window "$1" "${2:-8}" "${3:-8}" sleep 0.1 click --repeat 2 --delay 60 1; }
right_click() { xdotool mousemove --window "$1" "${2:-8}" "${3:-8}" sleep 0.1 click 3; }

# The splash while it is up: the program's 400 x 205 window.
splash_window() { xwininfo -root -tree 2>/dev/null | awk '/\("torvik-master" / && / 400x205\+/ && !found {print $1; found = 1}'; }

# The open popup menu of the program: a mapped override-redirect window that is
# transient for the program's main window and is no tooltip (the balloon is one).
popup_menu() {
    xwininfo -root -tree 2>/dev/null | awk '/\("torvik-master" / {print $1}' |
        while read -r id; do
            local info
            info=$(xwininfo -id "$id" 2>/dev/null) || continue
            if grep -q 'Map State: IsViewable' <<<"$info" && grep -q 'Override Redirect State: yes' <<<"$info" &&
                xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' &&
                ! xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP; then
                echo "$id"
                break
            fi
        done
}

# The balloon notice while it is up: a mapped tooltip-type window of the program,
# taller than a plain tooltip (it has a title and a text line).
balloon() {
    xwininfo -root -tree 2>/dev/null | awk '/^     0x/ && /\("torvik-master" / {print $1}' |
        while read -r id; do
            local info
            info=$(xwininfo -id "$id" 2>/dev/null) || continue
            if grep -q 'Map State: IsViewable' <<<"$info" && [ "$(awk '/Height:/ {print $2}' <<<"$info")" -gt 40 ] &&
                xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q TOOLTIP; then
                echo "$id"
                break
            fi
        done
}

# The tray menu's command items from the top, separators not counted.
declare -A MENU_ROW=(
    [Open]=1 [none]=2 ["J1850 PWM"]=3 ["J1850 VPW"]=4 ["ISO 9141-2"]=5 ["ISO 14230-4"]=6
    ["ISO 15765-4"]=7 ["Monitor on/off"]=8 [Reset]=9 [Exit]=10
)

open_tray_menu() {
    right_click "$(tray_icon)"
    wait_for 30 '[ -n "$(popup_menu)" ]' || fail "the tray menu did not open"
}

# A checksum of what the open menu $MENU shows.
menu_picture() { import -window "$MENU" png:- 2>/dev/null | md5sum; }

# highlight_first_row MENU: presses Down until the open popup MENU shows its
# first row highlighted. A popup is mapped before it grabs the keyboard; keys
# sent in between are lost, and a lone Return then closes it without a choice.
highlight_first_row() {
    MENU=$1 MENU_LAST=
    wait_for 30 'MENU_NOW=$(menu_picture); [ "$MENU_NOW" = "$MENU_LAST" ] || { MENU_LAST=$MENU_NOW; false; }' ||
        fail "the menu did not finish painting"
    local deadline=$((SECONDS + 60))
    until xdotool key Down && wait_for 5 '[ "$(menu_picture)" != "$MENU_LAST" ]'; do
        [ $SECONDS -ge $deadline ] && fail "the menu did not take the keyboard"
    done
}

# choose_menu ITEM: opens the tray menu and picks ITEM with the keyboard.
choose_menu() {
    local row=${MENU_ROW[$1]}
    open_tray_menu
    highlight_first_row "$(popup_menu)"
    local keys=() i
    for ((i = 1; i < row; i++)); do keys+=(Down); done
    xdotool key --delay 30 "${keys[@]}" Return
    wait_for 30 '[ -z "$(popup_menu)" ]' || fail "the tray menu did not close after \"$1\""
    e2e_log "menu: $1"
}

# shot NAME [WINDOW]: a screenshot of the screen, or of one window.
shot() {
    local target=${2:-root}
    import -window "$target" "$E2E_ARTEFACTS/$1.png" 2>/dev/null || return 1
}
