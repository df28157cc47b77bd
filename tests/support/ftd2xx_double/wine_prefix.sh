# Wine helpers shared by the double's unit test and the end-to-end test; both
# export WINEPREFIX before sourcing this file.

# Makes the prefix on first use (about half a minute), one maker at a time.
wine_prefix_ready() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= wineboot -i >/dev/null 2>&1 || exit 1
            wineserver -w
        fi
        [ -d "$WINEPREFIX/dosdevices" ]
    ) 9>"$WINEPREFIX.lock"
}

# wine_server_start LOGFILE: starts the prefix's server (unless one runs) with
# its output in LOGFILE. The server opens the COM port's pty and so takes it as
# its controlling terminal: the unplug sends it a SIGHUP, on which it dumps
# every object it holds, thousands of lines that do not belong in a test's log.
wine_server_start() { wineserver 2>"$1" || true; }

# wine_link_com_port TARGET: links a free COMn of the prefix to TARGET (a pty
# slave) and prints the port's name. Ports from COM20 up, picked at random and
# claimed by creating the link, so tests sharing a prefix never share a port.
wine_link_com_port() {
    local n
    for _ in $(seq 50); do
        n=$((20 + RANDOM % 230))
        if ln -s "$1" "$WINEPREFIX/dosdevices/com$n" 2>/dev/null; then
            echo "COM$n"
            return 0
        fi
    done
    return 1
}

# wine_relink_com_port PORT TARGET: points an already claimed port at TARGET.
wine_relink_com_port() { ln -sfn "$2" "$WINEPREFIX/dosdevices/${1,,}"; }

# wine_unlink_com_port PORT
wine_unlink_com_port() { rm -f "$WINEPREFIX/dosdevices/${1,,}"; }
