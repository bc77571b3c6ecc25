#!/bin/sh
# Builds, checks and unpacks the Debian package in a temporary folder, and runs its purge on
# a trash with a skin in it. Nothing is installed into the system.
set -eu
build="$1" source="$2" version="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"

manifest="$build/install_manifest.txt" && { [ ! -e "$manifest" ] || cp "$manifest" "$work/manifest"; }
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; fail "cpack"; }
[ ! -e "$manifest" ] || cmp -s "$manifest" "$work/manifest" || fail "packing changed what make uninstall removes"
deb="$work/out/hadrel_${version}_$(dpkg --print-architecture).deb"
dpkg-deb -f "$deb" >"$work/fields" || fail "no $(basename "$deb")"
for want in "Package: hadrel" "Version: $version" "libqt6widgets6 (" "libarchive13 (" "Suggests: wine" \
    "Depends: fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n," "Recommends: xdg-utils"; do
    grep -qF "$want" "$work/fields" || fail "no \"$want\" in: $(cat "$work/fields")"
done
# Every file and link in the package, and nothing under another prefix.
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { print $6 }' "$work/contents" | sort >"$work/files"
for f in bin/hadrel bin/hadrelwipe lib/hadrel/hadrel lib/hadrel/hadrelwipe share/applications/hadrel.desktop \
    share/doc/hadrel/copyright share/icons/hicolor/128x128/apps/hadrel.png share/icons/hicolor/32x32/apps/hadrel.png \
    share/metainfo/io.github.hadrel.hadrel.metainfo.xml "$source"/html/*.html "$source"/html/*.css; do
    case "$f" in /*) echo "./usr/lib/hadrel/html/${f##*/}" ;; *) echo "./usr/$f" ;; esac
done | sort | diff - "$work/files" || fail "package files differ from the expected list"
grep -q '^drwxrwxrwt root/root .* \./usr/lib/hadrel/trash/$' "$work/contents" || fail "trash is not root's with mode 1777"
grep -q ' \./usr/bin/hadrel -> \.\./lib/hadrel/hadrel$' "$work/contents" || fail "bad /usr/bin/hadrel link"
root="$work/root" && dpkg-deb -x "$deb" "$root" && dpkg-deb -e "$deb" "$work/control"
desktop-file-validate "$root/usr/share/applications/hadrel.desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=/usr/bin/hadrel' "$root/usr/share/applications/hadrel.desktop" || fail "menu entry does not start /usr/bin/hadrel"
metainfo="$root/usr/share/metainfo/io.github.hadrel.hadrel.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "AppStream file does not validate"
grep -Eq "<release version=\"$version\" date=\"[0-9]{4}-[0-9]{2}-[0-9]{2}\"/>" "$metainfo" || fail "no release $version with a date"

# What dpkg leaves when the package goes while a skin is in the trash: remove and purge
# keep the skin, and purge takes the folders once they are empty.
left="$work/left" skin="$work/left/usr/lib/hadrel/trash/Deleted Skin"
mkdir -p "$skin" && echo x >"$skin/main.bmp"
for action in remove purge; do
    DPKG_ROOT="$left" sh "$work/control/postrm" $action || fail "postrm $action"
    [ -f "$skin/main.bmp" ] || fail "postrm $action deleted a skin in the trash"
done
rm -r "$skin" && DPKG_ROOT="$left" sh "$work/control/postrm" purge
if [ -e "$left/usr/lib/hadrel" ] || [ ! -d "$left/usr/lib" ]; then fail "purge did not take exactly the empty folders"; fi
QT_QPA_PLATFORM=offscreen timeout 30 "$root/usr/bin/hadrel" --version >"$work/version" || fail "hadrel --version failed"
grep -qF "$version" "$work/version" || fail "hadrel --version printed: $(cat "$work/version")"
