#!/bin/sh
# Installs into a temporary prefix, checks what landed where, uninstalls, and checks that
# exactly that went away and a skin left in the trash stayed.
set -eu
build="$1"
source="$2"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

check_install() {
    prefix="$1"
    cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; fail "install"; }
    cp "$build/install_manifest.txt" "$work/manifest.txt"
    dir="$prefix/lib/hadrel"
    for f in hadrel hadrelwipe; do
        [ -x "$dir/$f" ] || fail "$dir/$f not installed"
        [ -L "$prefix/bin/$f" ] || fail "$prefix/bin/$f is not a link"
        [ "$(readlink -f "$prefix/bin/$f")" = "$(readlink -f "$dir/$f")" ] || fail "$prefix/bin/$f points elsewhere"
    done
    [ -f "$dir/html/index.html" ] || fail "help pages missing"
    for page in "$source"/html/*.html; do
        cmp -s "$page" "$dir/html/$(basename "$page")" || fail "$(basename "$page") differs"
    done
    [ -d "$dir/trash" ] || fail "no trash folder"
    [ -z "$(ls -A "$dir/trash")" ] || fail "trash not empty"
    desktop="$prefix/share/applications/hadrel.desktop"
    grep -qx "Exec=$prefix/bin/hadrel" "$desktop" || fail "desktop entry does not start $prefix/bin/hadrel"
    grep -q '^Name\[ja\]=' "$desktop" || fail "no Japanese name"
    grep -q '^Comment\[ja\]=.*Skin' "$desktop" || fail "no Japanese comment"
    grep -qx 'Icon=hadrel' "$desktop" || fail "no icon"
    [ -s "$prefix/share/icons/hicolor/128x128/apps/hadrel.png" ] || fail "icon missing"
}

check_uninstall() {
    prefix="$1"
    mkdir "$prefix/lib/hadrel/trash/Deleted Skin"
    echo x > "$prefix/lib/hadrel/trash/Deleted Skin/main.bmp"
    cmake -DMANIFEST="$work/manifest.txt" -P "$source/packaging/uninstall.cmake" >"$work/uninstall.log" 2>&1 \
        || { cat "$work/uninstall.log"; fail "uninstall"; }
    while read -r f; do
        [ -e "$f" ] || [ -L "$f" ] && fail "$f left behind"
    done <"$work/manifest.txt"
    [ -f "$prefix/lib/hadrel/trash/Deleted Skin/main.bmp" ] || fail "a skin in the trash was removed"
    [ ! -e "$prefix/lib/hadrel/html" ] || fail "help folder left behind"
    rm -rf "$prefix/lib/hadrel/trash/Deleted Skin"
    cmake -DMANIFEST="$work/manifest.txt" -P "$source/packaging/uninstall.cmake" >/dev/null 2>&1
    [ ! -e "$prefix/lib/hadrel" ] || fail "empty program folder left behind"
}

# For the user: the trash belongs to them alone.
HOME="$work/home"
export HOME
mkdir -p "$HOME"
check_install "$HOME/.local"
[ "$(stat -c %a "$HOME/.local/lib/hadrel/trash")" = 755 ] || fail "user trash mode $(stat -c %a "$HOME/.local/lib/hadrel/trash")"
check_uninstall "$HOME/.local"

# For everyone: every user can delete into the trash, and nobody can take another's skin.
check_install "$work/system"
[ "$(stat -c %a "$work/system/lib/hadrel/trash")" = 1777 ] || fail "system trash mode"
check_uninstall "$work/system"
echo "install and uninstall: ok"
