#!/bin/sh
# An installed copy, checked the way a user meets it: installed into a temporary prefix, it
# holds exactly the files of the layout, its desktop entry and AppStream data validate, and
# the program started from there (under a virtual display) creates the user's profile in the
# user's data folder, with the welcome box, and nothing beside the executable; calbrey finds
# that profile too.
#   installedcopy.sh <build folder> <expected file list>
# Exit code 77 (skipped) where a tool it needs is missing; tools/install-deps.sh installs them.
set -u
build=$1
expected=$2
for tool in Xvfb xdotool desktop-file-validate appstreamcli; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: the installed-copy test needs $tool (tools/install-deps.sh installs it)"
        exit 77
    fi
done

work=$(mktemp -d)
xvfb=""
program=""
finish() {
    [ -n "$program" ] && kill "$program" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 1' INT TERM
fail() {
    echo "FAIL: $*"
    exit 1
}

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; fail "cmake --install failed"; }
(cd "$prefix" && find . -type f | sed 's|^\./||' | sort) >"$work/installed"
sort "$expected" | diff -u - "$work/installed" || fail "the installed files differ from the layout"

desktop-file-validate "$prefix/share/applications/quenlark-calbrey.desktop" ||
    fail "the desktop entry does not validate"
appstreamcli validate --no-net "$prefix/share/metainfo/quenlark-calbrey.metainfo.xml" ||
    fail "the AppStream data does not validate"

. "$(dirname "$0")/../support/xvfb.sh"
start_xvfb || fail "Xvfb did not start"
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"

"$prefix/bin/quenlark-calbrey" >"$work/program.log" 2>&1 &
program=$!
# The first start greets the user before it makes the profile.
timeout 60 xdotool search --sync --name "^Welcome to Quenlark Address Book" >/dev/null ||
    fail "no welcome box"
xdotool search --name "^Welcome to Quenlark Address Book" windowfocus --sync key Return
timeout 60 xdotool search --sync --name "^Quenlark Calbrey, as " >/dev/null || fail "no main window"

profiles="$XDG_DATA_HOME/quenlark-calbrey/Profiles"
[ "$(ls "$profiles" | wc -l)" -eq 1 ] || fail "no profile in $profiles"
for file in book.db config.ini; do
    [ -f "$profiles/$(ls "$profiles")/$file" ] || fail "the profile has no $file"
done
[ ! -e "$prefix/bin/Profiles" ] || fail "the installed copy wrote beside its executable"

# calbrey, installed beside it, finds the same profile, with no display; its manual page
# reads without warnings and its completion loads.
[ "$(DISPLAY= "$prefix/bin/calbrey" profiles)" = "* $(ls "$profiles")" ] ||
    fail "calbrey does not find the window's profile"
if command -v man >/dev/null 2>&1; then
    warnings=$(man --warnings -l "$prefix/share/man/man1/calbrey.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
fi
bash -c ". '$prefix/share/bash-completion/completions/calbrey' && complete -p calbrey" \
    >/dev/null || fail "the bash completion does not load"

xdotool search --name "^Quenlark Calbrey, as " windowfocus --sync key ctrl+q
timeout 30 tail --pid="$program" -f /dev/null ||
    fail "Ctrl+Q did not end the program"
program=""
echo "installed copy: ok"
