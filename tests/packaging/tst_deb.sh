#!/bin/sh
# Builds, checks and unpacks the Debian package in a temporary folder, runs lintian on it,
# and installs it into a temporary root over an older package whose trash holds a skin.
# Nothing is installed into the system.
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
for want in "Package: hadrel" "Version: $version" "libqt6widgets6 (" "libdeflate0 (" "libsqlite3-0 (" "Suggests: wine" \
    "Depends: fonts-ipafont-gothic | fonts-noto-cjk, qt6-translations-l10n," "Recommends: xdg-utils" \
    "Maintainer: Hadrel developers <hadrel@users.noreply.github.com>"; do
    grep -qF "$want" "$work/fields" || fail "no \"$want\" in: $(cat "$work/fields")"
done
# Every file and link in the package, and nothing under another prefix.
dpkg-deb -c "$deb" >"$work/contents"
awk '$1 !~ /^d/ { print $6 }' "$work/contents" | sort >"$work/files"
for f in bin/hadrel bin/hadrelwipe lib/hadrel/hadrel lib/hadrel/hadrelwipe lib/hadrel/hadrel-thumbnailer lib/hadrel/hadrel-winamp.exe \
    share/applications/hadrel.desktop share/thumbnailers/hadrel.thumbnailer \
    share/doc/hadrel/copyright share/doc/hadrel/changelog.gz share/mime/packages/hadrel.xml \
    share/man/man1/hadrel.1.gz share/man/man1/hadrelwipe.1.gz share/man/ja/man1/hadrel.1.gz \
    share/man/ja/man1/hadrelwipe.1.gz share/icons/hicolor/128x128/apps/hadrel.png share/icons/hicolor/32x32/apps/hadrel.png \
    $(for s in 16 32 48 128 256; do echo "share/icons/hicolor/${s}x$s/mimetypes/application-x-winamp-skin.png"; done) \
    share/metainfo/io.github.hadrel.hadrel.metainfo.xml "$source"/html/*.html "$source"/html/*.css; do
    case "$f" in /*) echo "./usr/lib/hadrel/html/${f##*/}" ;; *) echo "./usr/$f" ;; esac
done | sort | diff - "$work/files" || fail "package files differ from the expected list"
! grep -q ' \./usr/lib/hadrel/trash/$' "$work/contents" || fail "the package ships a trash folder"
grep -q ' \./usr/bin/hadrel -> \.\./lib/hadrel/hadrel$' "$work/contents" || fail "bad /usr/bin/hadrel link"
root="$work/root" && dpkg-deb -x "$deb" "$root" && dpkg-deb -e "$deb" "$work/control"
desktop-file-validate "$root/usr/share/applications/hadrel.desktop" || fail "desktop entry does not validate"
grep -qx 'Exec=/usr/bin/hadrel %f' "$root/usr/share/applications/hadrel.desktop" || fail "menu entry does not start /usr/bin/hadrel %f"
grep -qx 'Exec=/usr/lib/hadrel/hadrel-thumbnailer -s %s %i %o' "$root/usr/share/thumbnailers/hadrel.thumbnailer" \
    || fail "the thumbnailer entry does not run /usr/lib/hadrel/hadrel-thumbnailer"
grep -q 'type="application/x-winamp-skin"' "$root/usr/share/mime/packages/hadrel.xml" || fail "no skin archive type"
zcat "$root/usr/share/doc/hadrel/changelog.gz" | head -1 | grep -qF "hadrel ($version)" || fail "the changelog does not begin with $version"
# The MIME, menu and manual databases are the triggers' work: no maintainer script.
[ -z "$(ls "$work/control" | grep -v -e '^control$' -e '^md5sums$')" ] || fail "maintainer scripts: $(ls "$work/control")"
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || { cat "$work/lintian"; fail "lintian"; }
metainfo="$root/usr/share/metainfo/io.github.hadrel.hadrel.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "AppStream file does not validate"
grep -Eq "<release version=\"$version\" date=\"[0-9]{4}-[0-9]{2}-[0-9]{2}\"/>" "$metainfo" || fail "no release $version with a date"

# Over an older package that shipped a trash folder: the skin in it stays, and so does
# the folder that holds it.
old="$work/old" sys="$work/sys"
mkdir -p "$old/DEBIAN" "$old/usr/lib/hadrel/trash" "$sys/var/lib/dpkg/info" "$sys/var/lib/dpkg/updates"
touch "$sys/var/lib/dpkg/status"
chmod 1777 "$old/usr/lib/hadrel/trash"
printf 'Package: hadrel\nVersion: 2.01\nArchitecture: all\nMaintainer: %s\nDescription: older\n' \
    "Hadrel developers <hadrel@users.noreply.github.com>" >"$old/DEBIAN/control"
dpkg-deb --root-owner-group -b "$old" "$work/old.deb" >/dev/null
in_sys() { dpkg --root="$sys" --force-not-root --force-depends --force-architecture --log=/dev/null "$@" >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "dpkg $*"; }; }
in_sys -i "$work/old.deb"
skin="$sys/usr/lib/hadrel/trash/Deleted Skin"
mkdir "$skin" && echo x >"$skin/main.bmp"
in_sys -i "$deb"
[ -f "$skin/main.bmp" ] || fail "the upgrade deleted a skin in the old trash"
[ -x "$sys/usr/lib/hadrel/hadrel" ] || fail "the upgrade did not install the program"
QT_QPA_PLATFORM=offscreen timeout 30 "$root/usr/bin/hadrel" --version >"$work/version" || fail "hadrel --version failed"
grep -qF "$version" "$work/version" || fail "hadrel --version printed: $(cat "$work/version")"
