#!/bin/sh
# Runs a test program on a virtual X display with a real notification area (trayer), which the
# offscreen platform has not. Exit code 77 (skipped) where the display or the panel cannot be
# had; tools/install-deps.sh installs both.
#   trayhost.sh <test program> [test arguments]
# TRAYHOST_TINT sets the panel's colour (0xRRGGBB), for screenshots on light and dark panels.
set -u
for tool in Xvfb trayer xdotool; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: the tray test needs $tool (tools/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
xvfb=""
panel=""
finish() {
    [ -n "$panel" ] && kill "$panel" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM

. "$(dirname "$0")/../support/xvfb.sh"
if ! start_xvfb; then
    echo "SKIP: Xvfb did not start"
    exit 77
fi

trayer --edge top --align right --widthtype request --height 24 --SetDockType true \
    --transparent true --alpha 0 --tint "${TRAYHOST_TINT:-0x303030}" >"$work/trayer.log" 2>&1 &
panel=$!

# The test waits for the panel itself (the notification area appearing), within its timeouts.
timeout 240 "$@"
