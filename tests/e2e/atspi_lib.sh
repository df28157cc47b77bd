# The screen-reader tests' side of a session: pyatspi, an X server of the
# test's own and the accessibility bus beside the session bus. Sourced after
# lib.sh and sni_lib.sh.
PYTHON=/usr/bin/python3
READER=$E2E_SOURCE/tests/e2e/tools/atspi_reader.py
ATSPI_LAUNCHER=/usr/libexec/at-spi-bus-launcher
[ -x "$ATSPI_LAUNCHER" ] || { echo "missing $ATSPI_LAUNCHER (run scripts/bootstrap)"; exit 1; }
"$PYTHON" -c 'import pyatspi' 2>/dev/null || { echo "missing python3-pyatspi (run scripts/bootstrap)"; exit 1; }

# An X server on a display of this test's own, picked at random above :200.
start_x_own() {
    local n tries
    for tries in 1 2 3 4 5 6 7 8; do
        n=$((200 + RANDOM % 700))
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >"$E2E_ARTEFACTS/xvfb.log" 2>&1 &
        remember_pid $!
        export DISPLAY=:$n
        if wait_until 10 xdpyinfo >/dev/null 2>&1; then
            e2e_log "X server on $DISPLAY"
            return 0
        fi
    done
    fail "no X server could be started"
}

# The accessibility bus, as a desktop session starts it; it answers on the
# session bus as org.a11y.Bus.
start_accessibility_bus() {
    "$ATSPI_LAUNCHER" --launch-immediately >"$E2E_ARTEFACTS/at-spi-bus-launcher.log" 2>&1 &
    remember_pid $!
    wait_for 10 'bus_call --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress | grep -q unix' ||
        fail "the accessibility bus did not start"
    e2e_log "accessibility bus at $(bus_call --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress)"
}
