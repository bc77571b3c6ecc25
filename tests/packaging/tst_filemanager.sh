#!/bin/sh
# Installs into a temporary home, shows a folder of skin archives in a file manager of
# Debian's (pcmanfm-qt) on its own Xvfb server, and checks that it made a Winamp preview
# of each through the installed thumbnailer: the picture that draws, of the main window's
# shape. Nothing is left running.
set -eu
build="$1" skins="$2"
work=$(mktemp -d)
pids=""
cleanup() {
    for pid in $pids; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_CACHE_HOME="$work/home/.cache"
export XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$work/skins" && chmod 700 "$XDG_RUNTIME_DIR"
cp "$skins"/wsz/*.wsz "$work/skins/"
cmake --install "$build" --prefix "$HOME/.local" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }

# Waits up to $1 tenths of a second for the command after it to succeed.
within() {
    tries="$1" && shift
    while ! "$@" >/dev/null 2>&1; do
        tries=$((tries - 1)) && [ "$tries" -gt 0 ] || return 1
        sleep 0.1
    done
}
# The server names its display once it takes clients; a busy one is asked again.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids="$!"
within 100 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=":$(cat "$work/display")" && export DISPLAY
within 100 xdpyinfo || fail "no client reaches $DISPLAY"
# The file manager needs a session bus.
dbus-daemon --session --fork --print-address=1 --print-pid=1 >"$work/bus"
DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p "$work/bus") && export DBUS_SESSION_BUS_ADDRESS
pids="$pids $(sed -n 2p "$work/bus")"
QT_QPA_PLATFORM=xcb pcmanfm-qt "$work/skins" >"$work/fm.log" 2>&1 &
pids="$pids $!"

count=$(ls "$work/skins" | wc -l)
made() { [ "$(ls "$XDG_CACHE_HOME/thumbnails/normal" 2>/dev/null | wc -l)" -ge "$count" ]; }
within 600 made || fail "$(ls "$XDG_CACHE_HOME/thumbnails/normal" 2>/dev/null | wc -l) of $count previews made: $(cat "$work/fm.log")"
for skin in "$work"/skins/*.wsz; do
    # The specification's name: the MD5 of the file's URI.
    sum=$(printf 'file://%s' "$skin" | md5sum | cut -d' ' -f1)
    file "$XDG_CACHE_HOME/thumbnails/normal/$sum.png" | grep -q 'PNG image data, 128 x 53,' \
        || fail "no Winamp preview of $(basename "$skin"): $(file "$XDG_CACHE_HOME/thumbnails/normal/$sum.png")"
done
echo "file manager previews: ok"
