# Helpers for the end-to-end tests on a desktop of today: a private session bus,
# an LXQt panel whose only plugin shows StatusNotifierItems, and a notification
# daemon (dunst). Source it after lib.sh and after e2e_begin.

for tool in dbus-daemon dbus-send dbus-monitor lxqt-panel dunst; do
    command -v "$tool" >/dev/null || { echo "missing tool: $tool (run scripts/bootstrap)"; exit 1; }
done

# A session bus of this test alone: its own configuration, nothing started on
# demand (so a daemon is there only when the test starts one).
start_session_bus() {
    local dir=$E2E_TMP/bus
    mkdir -p "$dir"
    cat >"$dir/session.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=$dir</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
CONF
    dbus-daemon --config-file="$dir/session.conf" --nofork --print-address=9 9>"$dir/address" \
        >"$E2E_ARTEFACTS/dbus.log" 2>&1 &
    remember_pid $!
    wait_until 40 test -s "$dir/address" || fail "the session bus did not start"
    export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$dir/address")
    e2e_log "session bus at $DBUS_SESSION_BUS_ADDRESS"
}

bus_call() { dbus-send --session --print-reply=literal --reply-timeout=2000 "$@" 2>/dev/null; }

# The panel: one panel at the top whose only plugin is the StatusNotifierItem host.
start_sni_panel() {
    local conf=$E2E_TMP/panel.conf
    cat >"$conf" <<CONF
panels=panel1

[panel1]
plugins=statusnotifier
position=Top
alignment=-1
desktop=0
panelSize=32
iconSize=22
lineCount=1
lengthPercent=true
length=100

[statusnotifier]
alignment=Left
type=statusnotifier
CONF
    lxqt-panel --config "$conf" >>"$E2E_ARTEFACTS/lxqt-panel.log" 2>&1 &
    PANEL_PID=$!
    remember_pid $PANEL_PID
    wait_for 40 'watcher_has_host' || fail "the panel registered no StatusNotifierItem host"
    e2e_log "lxqt-panel started (pid $PANEL_PID)"
}

stop_sni_panel() {
    kill "$PANEL_PID" 2>/dev/null || true
    wait "$PANEL_PID" 2>/dev/null || true
    forget_pid "$PANEL_PID"
}

watcher_has_host() {
    bus_call --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered | grep -q true
}

# The items the watcher knows, one "service/path" or "service" a line.
registered_items() {
    bus_call --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:RegisteredStatusNotifierItems | tr -s ' []' '\n' | grep -E '^[:a-zA-Z]' | grep -v '^array$' || true
}

# The program's item as "service path" (empty while it has none).
our_item() {
    local entry service path
    for entry in $(registered_items); do
        service=${entry%%/*}
        path=/${entry#*/}
        [ "$service" = "$entry" ] && path=/StatusNotifierItem
        if [ "$(item_property "$service" "$path" Id)" = "Torvik Master" ]; then
            echo "$service $path"
            return 0
        fi
    done
}

item_property() {
    bus_call --dest="$1" "$2" org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem "string:$3" |
        sed -E 's/^ *variant +//; s/ *$//'
}

wait_for_item() { wait_for "${1:-60}" '[ -n "$(our_item)" ]'; }

# item_call METHOD ARGS...: calls a method of the program's item as a host would.
item_call() {
    local service path
    read -r service path <<<"$(our_item)"
    bus_call --dest="$service" "$path" "org.kde.StatusNotifierItem.$1" "${@:2}" >/dev/null
}

# The panel's window and the item's button in it (the first and only one, at the left).
panel_window() { xdotool search --onlyvisible --class lxqt-panel 2>/dev/null | sed -n 1p; }

# Records every Notify call on the bus into FILE.
start_notice_monitor() {
    dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" \
        >"$1" 2>&1 &
    remember_pid $!
    # Turned monitor, it gives up its own name on the bus: from then on it sees every call.
    wait_until 30 grep -q "member=NameLost" "$1" || fail "dbus-monitor did not start watching"
}

start_notice_daemon() {
    mkdir -p "$E2E_TMP/dunst"
    printf '[global]\n    geometry = "300x5-10+40"\n' >"$E2E_TMP/dunst/dunstrc"
    dunst -config "$E2E_TMP/dunst/dunstrc" >>"$E2E_ARTEFACTS/dunst.log" 2>&1 &
    DUNST_PID=$!
    remember_pid $DUNST_PID
    wait_for 40 'bus_call --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
        string:org.freedesktop.Notifications | grep -q true' || fail "dunst did not take the notifications name"
    e2e_log "dunst started (pid $DUNST_PID)"
}

stop_notice_daemon() {
    kill "$DUNST_PID" 2>/dev/null || true
    wait "$DUNST_PID" 2>/dev/null || true
    forget_pid "$DUNST_PID"
}

# item_click BUTTON: clicks the item's button, the first in the panel.
item_click() { xdotool mousemove --window "$(panel_window)" 15 16 sleep 0.2 click "$1"; }

# The panel's menu for the item: a mapped popup window of lxqt-panel.
panel_menu() {
    xwininfo -root -tree 2>/dev/null | awk '/\("lxqt-panel" / {print $1}' |
        while read -r id; do
            local info
            info=$(xwininfo -id "$id" 2>/dev/null) || continue
            if grep -q 'Map State: IsViewable' <<<"$info" && grep -q 'Override Redirect State: yes' <<<"$info"; then
                echo "$id"
                break
            fi
        done
}

# choose_item_menu ITEM: opens the item's menu in the panel and picks ITEM with the keyboard.
choose_item_menu() {
    local row=${MENU_ROW[$1]} keys=() i
    item_click 3
    wait_for 30 '[ -n "$(panel_menu)" ]' || fail "the panel did not open the item's menu"
    highlight_first_row "$(panel_menu)"
    for ((i = 1; i < row; i++)); do keys+=(Down); done
    xdotool key --delay 40 "${keys[@]}" Return
    wait_for 30 '[ -z "$(panel_menu)" ]' || fail "the item's menu did not close after \"$1\""
    e2e_log "item menu: $1"
}

# Notify calls seen so far, each as one line: "replaces_id|summary|body|urgency".
notices_seen() {
    awk '/member=Notify/ {n++; field = 0; urgency = ""; next}
         n && /^   (string|uint32|int32)/ {field++; v = $0; sub(/^ *[a-z0-9]+ /, "", v); gsub(/"/, "", v); f[n, field] = v}
         n && /string "urgency"/ {want = n; next}
         want == n && /byte/ {u[n] = $NF; want = 0}
         END {for (i = 1; i <= n; i++) print f[i, 2] "|" f[i, 4] "|" f[i, 5] "|" u[i]}' "$1"
}
