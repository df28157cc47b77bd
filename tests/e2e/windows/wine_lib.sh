# Helpers for the end-to-end tests of the Windows build under Wine: a private X
# server with openbox and trayer, a private Wine prefix, torvik-sim behind a
# Wine COM port that the FTD2XX.DLL test double opens, and the program's
# windows as Wine maps them. A test sources this file with the deployed
# program folder as its first argument and its own name as the second, then
# calls wine_begin. The generic helpers (waiting, failing, clicks,
# screenshots, cleanup) come from the Linux tests' lib.sh.
#
# Environment (all optional):
#   TORVIK_SIM           torvik-sim of the Linux build (<source>/build/torvik-sim)
#   TORVIK_DOUBLE_DLL    the test double (<source>/build-windows/tests/support/ftd2xx_double/FTD2XX.DLL)
#   TORVIK_WINE_E2E_DIR  where the Wine prefix (kept between runs) and the
#                        artefacts go (/tmp/torvik-wine-e2e-<uid>)

WINE_PROGRAM_FOLDER=$(cd "$1" && pwd)
WINE_E2E_DIR=${TORVIK_WINE_E2E_DIR:-/tmp/torvik-wine-e2e-$(id -u)}
mkdir -p "$WINE_E2E_DIR"
WINE_E2E_DIR=$(cd "$WINE_E2E_DIR" && pwd)
_wine_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../lib.sh
source "$_wine_here/../lib.sh" "$WINE_E2E_DIR" "$2"
# shellcheck source=../../support/ftd2xx_double/wine_prefix.sh
source "$_wine_here/../../support/ftd2xx_double/wine_prefix.sh"

WINE_DESCRIPTION="TORVIK ECU SIMULATOR"
WINE_COM_PORT=
WINE_TITLE='Torvik Master v1.1'

# Ends this prefix's Wine processes: its server and everything it serves (all
# of them ours, the prefix being this test's own).
wine_stop_all() { wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; }

# wine_path FILE: the Windows name of a Unix path, through drive Z: (the
# prefix's view of /). Not winepath: any Wine process started before the X
# server is up brings up the prefix's desktop process without a display, and
# a program started in the next seconds then gets no display driver at all.
wine_path() { printf 'Z:%s' "${1//\//\\}"; }

wine_cleanup() {
    local rc=$?
    set +e  # everything below runs, whatever fails
    wine_stop_all
    [ -n "$WINE_COM_PORT" ] && wine_unlink_com_port "$WINE_COM_PORT"
    # e2e_cleanup takes the test's status from $?.
    (exit $rc)
    e2e_cleanup
}

# A private copy of the program folder with the double beside the exe (the
# program's guard is keyed by the exe's path, so copies in other tests never
# meet), the private prefix, and the environment Wine runs in.
wine_begin() {
    trap wine_cleanup EXIT
    trap 'exit 130' INT TERM
    trap 'exit 129' HUP
    trap 'exit 141' PIPE
    for tool in Xvfb trayer openbox xdotool xwininfo xprop import convert wine wineserver; do
        command -v "$tool" >/dev/null || { echo "missing tool: $tool (run scripts/bootstrap and scripts/bootstrap-windows)"; exit 1; }
    done
    WINE_SIM=${TORVIK_SIM:-$E2E_SOURCE/build/torvik-sim}
    WINE_DOUBLE=${TORVIK_DOUBLE_DLL:-$E2E_SOURCE/build-windows/tests/support/ftd2xx_double/FTD2XX.DLL}
    [ -x "$WINE_SIM" ] || { echo "torvik-sim is not built: $WINE_SIM (cmake --build build --target torvik-sim)"; exit 1; }
    [ -f "$WINE_DOUBLE" ] || { echo "the FTD2XX.DLL test double is not built: $WINE_DOUBLE"; exit 1; }
    [ -f "$WINE_PROGRAM_FOLDER/torvik-master.exe" ] || { echo "no torvik-master.exe in $WINE_PROGRAM_FOLDER"; exit 1; }
    rm -rf "$E2E_ARTEFACTS"
    mkdir -p "$E2E_ARTEFACTS"
    E2E_TMP=$(mktemp -d /tmp/torvik-wine-e2e.XXXXXX)
    mkdir -m 700 "$E2E_TMP/runtime"
    export XDG_RUNTIME_DIR=$E2E_TMP/runtime
    # The guard and the bridges of this run meet there, apart from the user's own.
    export TORVIK_RUNTIME_DIR=$XDG_RUNTIME_DIR
    # What a deployment holds, and nothing else (the folder may be a build folder).
    local copy=$E2E_TMP/TorvikMaster item
    mkdir "$copy"
    cp "$WINE_PROGRAM_FOLDER/torvik-master.exe" "$WINE_PROGRAM_FOLDER/"*.dll "$copy/"
    for item in platforms styles imageformats; do
        if [ -d "$WINE_PROGRAM_FOLDER/$item" ]; then cp -r "$WINE_PROGRAM_FOLDER/$item" "$copy/"; fi
    done
    rm -f "$copy/"[Ff][Tt][Dd]2[Xx][Xx].[Dd][Ll][Ll]
    cp "$WINE_DOUBLE" "$copy/FTD2XX.DLL"
    E2E_PROGRAM=$E2E_TMP/TorvikMaster/torvik-master.exe

    export WINEPREFIX=$WINE_E2E_DIR/prefix
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # A single-byte ANSI code page (1252) for the program, whatever the caller's locale.
    export LANG=C.UTF-8 LC_ALL=C.UTF-8
    wine_stop_all  # a server left by an earlier run would keep that run's display
    wine_prefix_ready || fail "the Wine prefix $WINEPREFIX could not be made"
    [ "$(readlink "$WINEPREFIX/dosdevices/z:")" = / ] || fail "drive Z: of $WINEPREFIX is not /"
    # The log's face, "Courier New", is Windows' own: the prefix takes Liberation's
    # metric-compatible one instead of a serif fallback. (The menus keep Wine's own
    # face: the clicks are placed from their metrics.) Written while no server
    # runs, which reads it at start.
    grep -q 'Fonts\\\\Replacements' "$WINEPREFIX/user.reg" || cat >>"$WINEPREFIX/user.reg" <<'REG'

[Software\\Wine\\Fonts\\Replacements] 1765200000
"Courier New"="Liberation Mono"
REG
    export TORVIK_DOUBLE_DESCRIPTION=$WINE_DESCRIPTION
    # What the program asks of the bridge, for the artefacts.
    TORVIK_DOUBLE_TRACE=$(wine_path "$E2E_ARTEFACTS/bridge-calls.txt")
    export TORVIK_DOUBLE_TRACE
    cd "$E2E_TMP"
}

# Starts Xvfb on a free display above :200, picked at random. The server is
# ours only once its lock file names it: one that lost the race for the
# number ends, and another's server would answer in its place.
wine_start_x() {
    local n pid
    for _ in $(seq 20); do
        n=$((201 + RANDOM % 700))
        if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then continue; fi
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$E2E_ARTEFACTS/xvfb.log" 2>&1 &
        pid=$!
        if wait_for 10 '! kill -0 $pid 2>/dev/null || { [ -f "/tmp/.X$n-lock" ] && [ "$(tr -dc 0-9 <"/tmp/.X$n-lock")" = "$pid" ]; }' &&
            kill -0 "$pid" 2>/dev/null; then
            remember_pid $pid
            export DISPLAY=:$n
            wait_until 10 xdpyinfo >/dev/null 2>&1 || fail "X server $DISPLAY does not answer"
            e2e_log "X server on $DISPLAY"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    fail "no X server started on a free display"
}

# Starts openbox. Now and then it cannot open a display that has just begun to
# answer and ends at once; it is then started again.
wine_start_wm() {
    local pid
    for _ in 1 2 3; do
        openbox --sm-disable >>"$E2E_ARTEFACTS/openbox.log" 2>&1 &
        pid=$!
        if wait_for 10 '! kill -0 $pid 2>/dev/null || xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' &&
            kill -0 "$pid" 2>/dev/null; then
            remember_pid $pid
            return 0
        fi
        wait "$pid" 2>/dev/null || true
        e2e_log "openbox ended at once: starting it again"
    done
    fail "openbox did not start"
}

# The icons docked in trayer's panel: Wine's explorer.exe embeds one window
# per icon.
tray_icons() {
    xwininfo -root -tree 2>/dev/null |
        awk '/\("panel" "trayer"\)/ {inpanel = 1; next}
             inpanel && /\("explorer.exe" / {print $1}
             inpanel && /^     0x/ {inpanel = 0}'
}
wine_tray_icon() { tray_icons | sed -n 1p; }
tray_icon_count() { tray_icons | wc -l; }

# start_wine_sim RECORDFILE [SENDFILE]: torvik-sim behind the test's COM port.
start_wine_sim() {
    local out=$E2E_ARTEFACTS/sim.log pty
    local extra=()
    [ -n "${2:-}" ] && extra=(--send "$2")
    touch "$1"
    "$WINE_SIM" --description "$WINE_DESCRIPTION" --record "$1" --rate "${SIM_RATE:-20}" "${extra[@]}" >>"$out" 2>&1 &
    SIM_PID=$!
    remember_pid $SIM_PID
    wait_until 10 eval '[ "$(grep -c "bridge ready" "$out")" -gt "${SIM_STARTS:-0}" ]' || fail "torvik-sim did not start"
    SIM_STARTS=$(grep -c "bridge ready" "$out")
    pty=$(grep "bridge ready" "$out" | tail -n1 | sed 's/.* at //')
    if [ -z "$WINE_COM_PORT" ]; then
        WINE_COM_PORT=$(wine_link_com_port "$pty") || fail "no free COM port in $WINEPREFIX"
        export TORVIK_DOUBLE_PORT=$WINE_COM_PORT
    else
        wine_relink_com_port "$WINE_COM_PORT" "$pty"
    fi
    e2e_log "torvik-sim on $pty as $WINE_COM_PORT"
}

# Unplugs: the sim ends and closes its pty, and the port's link goes, so that
# the port never leads to a pty that somebody else gets next.
stop_wine_sim() {
    stop_sim
    wine_unlink_com_port "$WINE_COM_PORT"
}

# start_wine_program LOGNAME: the program's private copy, its windows X
# windows of their own and its icon docked in trayer.
start_wine_program() {
    wine "$E2E_PROGRAM" >"$E2E_ARTEFACTS/$1.log" 2>&1 &
    PROGRAM_PID=$!
    remember_pid $PROGRAM_PID
    e2e_log "torvik-master.exe started (pid $PROGRAM_PID)"
}

# The program's Unix processes (its private copy's path is unique to this run).
wine_program_pids() { pgrep -f -- "^[^ ]*$(basename "$E2E_TMP")[/\\\\]TorvikMaster[/\\\\]torvik-master.exe" || true; }

# Ends every Wine process of the prefix and waits for the end.
wine_stop_session() {
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    if [ -n "${PROGRAM_PID:-}" ]; then
        wait "$PROGRAM_PID" 2>/dev/null || true
        forget_pid "$PROGRAM_PID"
    fi
}

# --- Wine's virtual desktop -------------------------------------------------
# There the tray is Wine's own, drawn and answering the mouse every time; the
# program's windows are X children of the desktop window, found by name.
WINE_DESKTOP=torvik-e2e
WINE_DESKTOP_SIZE=1024x700

# start_wine_desktop LOGNAME: the desktop with the program in it. The log
# gets the balloons' texts: Wine traces each tooltip text it is given.
start_wine_desktop() {
    WINEDEBUG=-all,trace+tooltips wine explorer "/desktop=$WINE_DESKTOP,$WINE_DESKTOP_SIZE" "$E2E_PROGRAM" \
        >"$E2E_ARTEFACTS/$1.log" 2>&1 &
    PROGRAM_PID=$!
    remember_pid $PROGRAM_PID
    DESKTOP_LOG=$E2E_ARTEFACTS/$1.log
    wait_for 30 '[ -n "$(desktop_window)" ]' || fail "the Wine desktop did not open"
    e2e_log "Wine desktop $(desktop_window) with torvik-master.exe"
}

desktop_window() { xdotool search --onlyvisible --name "^$WINE_DESKTOP - Wine desktop\$" 2>/dev/null | sed -n 1p; }

# Mapped children of the desktop window: "id width height name" per line.
desktop_children() {
    local desktop
    desktop=$(desktop_window)
    [ -n "$desktop" ] || return 0
    xwininfo -children -id "$desktop" 2>/dev/null | awk '/^     0x/ {print $1}' | while read -r id; do
        local info
        info=$(xwininfo -id "$id" 2>/dev/null) || continue
        grep -q 'Map State: IsViewable' <<<"$info" || continue
        printf '%s %s %s %s\n' "$id" "$(awk '/Width:/ {print $2}' <<<"$info")" \
            "$(awk '/Height:/ {print $2}' <<<"$info")" "$(sed -n 's/^xwininfo: Window id: 0x[0-9a-f]* //p' <<<"$info")"
    done
}

# desktop_named NAME: the shown child window whose title is exactly NAME.
desktop_named() { desktop_children | awk -v n="\"$1\"" '{id = $1; $1 = $2 = $3 = ""; sub(/^ +/, ""); if ($0 == n) {print id; exit}}'; }

# Wine's taskbar along the desktop's bottom, its tray at the right end.
taskbar() {
    local width=${WINE_DESKTOP_SIZE%x*}
    desktop_children | awk -v w="$width" '$2 == w && $3 < 40 {print $1; exit}'
}

# The tray's first icon sits at the taskbar's right end, 20 pixels wide.
tray_click() {
    local bar
    bar=$(taskbar)
    [ -n "$bar" ] || fail "no Wine taskbar"
    xdotool mousemove --window "$bar" "$((${WINE_DESKTOP_SIZE%x*} - 10))" 10 sleep 0.2 "$@"
}

# The program's tray menu while it is up: "Torvik Master", taller than a tooltip.
wine_menu() { desktop_children | awk '$4 == "\"Torvik" && $5 == "Master\"" && $3 >= 200 {print $1; exit}'; }

# The menu's items as "row separators-above", from the top. Qt's Windows
# style pads the menu with 4 pixels above and 3 below and gives a separator 9
# pixels; the rows share the rest, so a font of another height moves nothing.
declare -A WINE_MENU_ROW=(
    [Open]="0 0" [none]="1 1" ["J1850 PWM"]="2 1" ["J1850 VPW"]="3 1" ["ISO 9141-2"]="4 1" ["ISO 14230-4"]="5 1"
    ["ISO 15765-4"]="6 1" ["Monitor on/off"]="7 2" [Reset]="8 2" [Exit]="9 3"
)
WINE_MENU_ROWS=10
WINE_MENU_SEPARATORS=3

# choose_wine_menu ITEM: opens the tray menu and clicks ITEM. Under Wine the
# menu takes no keys, so the choice is a click.
choose_wine_menu() {
    local menu height rows row separators
    tray_click click 3
    wait_for 5 '[ -n "$(wine_menu)" ]' || fail "the tray menu did not open for \"$1\""
    menu=$(wine_menu)
    height=$(xwininfo -id "$menu" | awk '/Height:/ {print $2}')
    rows=$((height - 7 - 9 * WINE_MENU_SEPARATORS))
    ((rows % WINE_MENU_ROWS == 0 && rows / WINE_MENU_ROWS >= 16)) ||
        fail "the tray menu is $height pixels high: not $WINE_MENU_ROWS rows and $WINE_MENU_SEPARATORS separators"
    read -r row separators <<<"${WINE_MENU_ROW[$1]}"
    rows=$((rows / WINE_MENU_ROWS))
    xdotool mousemove --window "$menu" 60 $((4 + row * rows + separators * 9 + rows / 2)) sleep 0.2 click 1
    wait_for 5 '[ -z "$(wine_menu)" ]' || fail "the tray menu stayed after \"$1\""
    e2e_log "menu: $1"
}

# balloon_count TEXT: how many balloons with TEXT the desktop has shown so far.
balloon_count() { grep -c "add text L\"$1\"" "$DESKTOP_LOG" || true; }
