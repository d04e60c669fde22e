# Sourced by the tests that need a real X display. Starts Xvfb on a free display, exports
# DISPLAY for the xcb platform and sets xvfb to its process id; the caller's trap ends it.
# $work must name the caller's scratch folder. Returns non-zero when Xvfb does not start.
start_xvfb() {
    # Xvfb writes the number of a free display once it accepts clients; reading it waits for
    # that.
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb=$!
    read -r display <"$work/display"
    if [ -z "$display" ]; then
        cat "$work/xvfb.log"
        return 1
    fi
    export DISPLAY=":$display" QT_QPA_PLATFORM=xcb
    # Qt would hand a tray icon to a D-Bus notification service of the session, where there is
    # one; the tests use X11 only.
    unset DBUS_SESSION_BUS_ADDRESS WAYLAND_DISPLAY
}
