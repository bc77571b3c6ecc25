#!/bin/sh
# Builds the Debian package into a temporary folder, checks its control fields and files,
# validates the menu entry and the AppStream file, tries the purge script on a trash with
# a skin in it, and runs the unpacked program. Nothing is installed into the system.
set -eu
build="$1"
source="$2"
version="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
HOME="$work/home"
XDG_CONFIG_HOME="$work/config"
export HOME XDG_CONFIG_HOME
mkdir -p "$HOME"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
deb="$work/out/hadrel_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || { ls "$work/out"; fail "no $(basename "$deb")"; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = hadrel ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
depends=$(field Depends)
for dep in 'libqt6widgets6 (' 'libarchive13 (' 'qt6-qpa-plugins' 'fonts-ipafont-gothic | fonts-noto-cjk'; do
    case "$depends" in *"$dep"*) ;; *) fail "Depends lacks $dep: $depends" ;; esac
done
case "$(field Recommends)" in *qt6-translations-l10n*xdg-utils*) ;; *) fail "Recommends: $(field Recommends)" ;; esac
[ "$(field Suggests)" = wine ] || fail "Suggests: $(field Suggests)"

# Every file and link in the package, nothing under another prefix.
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { print $6 }' "$work/contents" | sort >"$work/files"
{
    for f in bin/hadrel bin/hadrelwipe lib/hadrel/hadrel lib/hadrel/hadrelwipe \
        share/applications/hadrel.desktop share/doc/hadrel/copyright \
        share/icons/hicolor/128x128/apps/hadrel.png share/icons/hicolor/32x32/apps/hadrel.png \
        share/metainfo/io.github.hadrel.hadrel.metainfo.xml; do
        echo "./usr/$f"
    done
    for page in "$source"/html/*.html "$source"/html/*.css; do
        echo "./usr/lib/hadrel/html/$(basename "$page")"
    done
} | sort >"$work/expected"
diff "$work/expected" "$work/files" || fail "package files differ from the expected list"
grep -q '^drwxrwxrwt root/root .* \./usr/lib/hadrel/trash/$' "$work/contents" || fail "trash is not root's with mode 1777"
grep -q '^lrwxrwxrwx .* \./usr/bin/hadrel -> \.\./lib/hadrel/hadrel$' "$work/contents" || fail "bad /usr/bin/hadrel link"

root="$work/root"
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$work/control"
desktop-file-validate "$root/usr/share/applications/hadrel.desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=/usr/bin/hadrel' "$root/usr/share/applications/hadrel.desktop" || fail "desktop entry does not start /usr/bin/hadrel"
metainfo="$root/usr/share/metainfo/io.github.hadrel.hadrel.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log"; fail "AppStream file does not validate"; }
grep -Eq "<release version=\"$version\" date=\"[0-9]{4}-[0-9]{2}-[0-9]{2}\"/>" "$metainfo" || fail "no release $version with a date"

# What dpkg leaves after removing the package while a skin is in the trash: the postrm
# must keep the skin on remove and purge, and take the folders once they are empty.
left="$work/left"
mkdir -p "$left/usr/lib/hadrel/trash/Deleted Skin"
echo x >"$left/usr/lib/hadrel/trash/Deleted Skin/main.bmp"
for action in remove purge; do
    DPKG_ROOT="$left" sh "$work/control/postrm" $action || fail "postrm $action failed"
    [ -f "$left/usr/lib/hadrel/trash/Deleted Skin/main.bmp" ] || fail "postrm $action deleted a skin in the trash"
done
rm -r "$left/usr/lib/hadrel/trash/Deleted Skin"
DPKG_ROOT="$left" sh "$work/control/postrm" purge || fail "postrm purge failed"
[ ! -e "$left/usr/lib/hadrel" ] || fail "purge left the empty program folder"
[ -d "$left/usr/lib" ] || fail "purge went above the program folder"

# The unpacked program tells its version (the About window's, from the same place).
QT_QPA_PLATFORM=offscreen timeout 30 "$root/usr/bin/hadrel" --version >"$work/version.out" 2>"$work/version.err" \
    || { cat "$work/version.err"; fail "hadrel --version failed"; }
grep -qF "$version" "$work/version.out" || fail "hadrel --version printed: $(cat "$work/version.out")"

echo "package: ok"
