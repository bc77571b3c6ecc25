#!/bin/sh
# Installs into a temporary prefix, checks what landed where, uninstalls, and checks that
# exactly that went away and a skin left in an older install's trash stayed.
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
    [ -x "$dir/hadrel-thumbnailer" ] || fail "thumbnailer not installed"
    grep -qx "Exec=$dir/hadrel-thumbnailer -s %s %i %o" "$prefix/share/thumbnailers/hadrel.thumbnailer" \
        || fail "the thumbnailer entry does not run $dir/hadrel-thumbnailer"
    for f in hadrel hadrelwipe; do
        [ -x "$dir/$f" ] || fail "$dir/$f not installed"
        [ -L "$prefix/bin/$f" ] || fail "$prefix/bin/$f is not a link"
        [ "$(readlink -f "$prefix/bin/$f")" = "$(readlink -f "$dir/$f")" ] || fail "$prefix/bin/$f points elsewhere"
    done
    [ -f "$dir/hadrel-winamp.exe" ] || fail "the Winamp helper is not beside the program"
    [ -f "$dir/html/index.html" ] || fail "help pages missing"
    for page in "$source"/html/*.html; do
        cmp -s "$page" "$dir/html/$(basename "$page")" || fail "$(basename "$page") differs"
    done
    [ ! -d "$dir/trash" ] || [ -n "$(ls -A "$dir/trash")" ] || fail "an empty trash folder is there"
    desktop="$prefix/share/applications/hadrel.desktop"
    grep -qx "Exec=$prefix/bin/hadrel %f" "$desktop" || fail "desktop entry does not start $prefix/bin/hadrel %f"
    grep -qx 'MimeType=application/x-winamp-skin;' "$desktop" || fail "desktop entry opens no skin archives"
    for page in man1/hadrel.1.gz man1/hadrelwipe.1.gz ja/man1/hadrel.1.gz ja/man1/hadrelwipe.1.gz; do
        [ -s "$prefix/share/man/$page" ] || fail "manual page $page missing"
    done
    # The install told the desktop: the type is in the prefix's MIME database.
    grep -q '\*\.wsz' "$prefix/share/mime/globs2" 2>/dev/null || fail "*.wsz not in the MIME database"
    grep -q ':main\.bmp$' "$prefix/share/mime/globs2" || fail "main.bmp not in the MIME database"
    grep -qx 'application/x-winamp-skin:application-x-winamp-skin' "$prefix/share/mime/icons" || fail "no icon for skin archives"
    [ -s "$prefix/share/icons/hicolor/48x48/mimetypes/application-x-winamp-skin.png" ] || fail "skin archive icon missing"
    grep -q '^Name\[ja\]=' "$desktop" || fail "no Japanese name"
    grep -q '^Comment\[ja\]=.*Skin' "$desktop" || fail "no Japanese comment"
    grep -qx 'Icon=hadrel' "$desktop" || fail "no icon"
    [ -s "$prefix/share/icons/hicolor/128x128/apps/hadrel.png" ] || fail "icon missing"
}

check_uninstall() {
    prefix="$1"
    cmake -DMANIFEST="$work/manifest.txt" -P "$source/packaging/uninstall.cmake" >"$work/uninstall.log" 2>&1 \
        || { cat "$work/uninstall.log"; fail "uninstall"; }
    while read -r f; do
        [ -e "$f" ] || [ -L "$f" ] && fail "$f left behind"
    done <"$work/manifest.txt"
    [ -f "$prefix/lib/hadrel/trash/Deleted Skin/main.bmp" ] || fail "a skin in the trash was removed"
    [ ! -e "$prefix/lib/hadrel/html" ] || fail "help folder left behind"
    ! grep -q '\*\.wsz' "$prefix/share/mime/globs2" 2>/dev/null || fail "*.wsz left in the MIME database"
    rm -rf "$prefix/lib/hadrel/trash/Deleted Skin"
    cmake -DMANIFEST="$work/manifest.txt" -P "$source/packaging/uninstall.cmake" >/dev/null 2>&1
    [ ! -e "$prefix/lib/hadrel" ] || fail "empty program folder left behind"
}

# Older installs deleted into trash/ beside the program: an install over one leaves it
# alone while it holds skins, and takes it away when empty.
for prefix in "$work/home/.local" "$work/system"; do
    HOME="$work/home"
    export HOME
    mkdir -p "$prefix/lib/hadrel/trash/Deleted Skin" "$work/empty/lib/hadrel/trash"
    echo x >"$prefix/lib/hadrel/trash/Deleted Skin/main.bmp"
    check_install "$prefix"
    [ -f "$prefix/lib/hadrel/trash/Deleted Skin/main.bmp" ] || fail "the install removed a skin in the old trash"
    check_uninstall "$prefix"
done
check_install "$work/empty"
echo "install and uninstall: ok"
