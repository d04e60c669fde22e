#!/bin/sh
# Runs a test program on a virtual X display whose notification area speaks the D-Bus
# StatusNotifierItem protocol, as KDE Plasma's, GNOME's with AppIndicator and most others do
# today: a private session bus with the watcher of sni.py, where Qt registers the icon and
# offers its menu. Exit code 77 (skipped) where Xvfb, dbus-run-session or python3-dbus are
# missing; tools/install-deps.sh installs them.
#   snihost.sh <test program> [test arguments]
set -u
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3

if [ "${1:-}" = "--in-session" ]; then
    shift
    "$python" "$CALBREY_SNI_TOOL" watcher &
    watcher=$!
    if ! "$python" "$CALBREY_SNI_TOOL" ready; then
        kill "$watcher"
        exit 1
    fi
    "$@"
    status=$?
    kill "$watcher"
    wait "$watcher" 2>/dev/null
    exit $status
fi

for tool in Xvfb dbus-run-session xdotool "$python"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: the D-Bus tray test needs $tool (tools/install-deps.sh installs it)"
        exit 77
    fi
done
if ! "$python" -c 'import dbus, gi' 2>/dev/null; then
    echo "SKIP: the D-Bus tray test needs python3-dbus and python3-gi"
    exit 77
fi

work=$(mktemp -d)
xvfb=""
finish() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM

. "$here/../support/xvfb.sh"
if ! start_xvfb; then
    echo "SKIP: Xvfb did not start"
    exit 77
fi

export CALBREY_SNI_TOOL="$here/sni.py"
timeout 240 dbus-run-session -- sh "$here/snihost.sh" --in-session "$@"
