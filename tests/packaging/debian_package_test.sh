#!/usr/bin/env bash
# The Debian package as users get it: built with cpack from this build tree, checked with
# lintian, its control fields and file list, its extracted orvelle run, and its maintainer
# scripts run by dpkg in a throwaway root. There GNOME's, Cinnamon's and MATE's thumbnail
# factories must pick Orvelle for video/quicktime whether ffmpegthumbnailer comes before or
# after it and through an upgrade of either, ffmpegthumbnailer must keep its other types,
# and removing Orvelle must give ffmpegthumbnailer its own entry back. With the KDE plug-in
# built (KDE=1), its package orvelle-kde must pass lintian too and install beside orvelle.
#   debian_package_test.sh BUILD-DIR VERSION MOVIE-DIR KDE
set -uo pipefail
build=$1
version=$2
movies=$3
kde=$4
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/../support/check.sh"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$work/out/orvelle_${version}-1_amd64.deb
[ -f "$deb" ] || { echo "FAIL: no $deb"; ls "$work/out"; exit 1; }

lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1
check "lintian reports no errors" 0 $?
grep '^E:' "$work/lintian.log"

field() { dpkg-deb -f "$deb" "$1"; }
check "Package" orvelle "$(field Package)"
check "Version" "$version-1" "$(field Version)"
check "Architecture" amd64 "$(field Architecture)"
check "Recommends" ffmpegthumbnailer "$(field Recommends)"
check "Section" graphics "$(field Section)"
# Depends comes from the libraries the program links; libpng and snappy among them.
depends=$(field Depends | tr ',' '\n' | sed -E 's/^ *//; s/ .*//')
for library in libc6 libpng16-16 libsnappy1v5 libstdc++6; do
  grep -qxF "$library" <<<"$depends"
  check "Depends names $library" 0 $?
done

check "file list" "$(printf '%s\n' \
  ./usr/bin/orvelle \
  ./usr/share/doc/orvelle/changelog.Debian.gz \
  ./usr/share/doc/orvelle/copyright \
  ./usr/share/lintian/overrides/orvelle \
  ./usr/share/man/man1/orvelle.1.gz \
  ./usr/share/thumbnailers/orvelle.thumbnailer)" \
  "$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)"

dpkg-deb -x "$deb" "$work/extracted"
orvelle=$work/extracted/usr/bin/orvelle
check "extracted orvelle --version" "orvelle $version" "$("$orvelle" --version)"
check "extracted orvelle probe" \
  '{"status":0,"codec":1,"fourcc":"Hap1","width":640,"height":360,"samples":10,"duration":0.4}' \
  "$("$orvelle" probe "$movies/hap1_640x360.mov")"
"$orvelle" thumb -s 64 "$movies/hap1_640x360.mov" "$work/thumb.png"
check "extracted orvelle thumb" 0 $?
check "extracted orvelle thumb: a PNG" 89504e47 "$(head -c 4 "$work/thumb.png" | od -An -tx1 | tr -d ' ')"
check "manual page renders without warnings" "" \
  "$(man --warnings -l "$work/extracted/usr/share/man/man1/orvelle.1.gz" 2>&1 >/dev/null)"

# A throwaway dpkg root: a stand-in for ffmpegthumbnailer that claims video/quicktime (and
# cannot make thumbnails, so a thumbnail proves Orvelle was chosen), and one package that
# provides every library the package depends on.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
provides=$(field Depends | sed -E 's/ \([^)]*\)//g; s/([^, ]+)/\1 (= 999)/g')
make_package() {  # make_package NAME VERSION CONTROL-LINE [MIME-TYPES]
  local dir=$work/pkg-$1-$2
  mkdir -p "$dir/DEBIAN"
  printf 'Package: %s\nVersion: %s\nArchitecture: amd64\nMaintainer: Test <test@example.org>\n' \
    "$1" "$2" >"$dir/DEBIAN/control"
  printf '%s\nDescription: stand-in\n' "$3" >>"$dir/DEBIAN/control"
  if [ $# -ge 4 ]; then
    mkdir -p "$dir/usr/share/thumbnailers"
    printf '[Thumbnailer Entry]\nExec=false %%i %%o %%s\nMimeType=%s\n' "$4" \
      >"$dir/usr/share/thumbnailers/ffmpegthumbnailer.thumbnailer"
  fi
  dpkg-deb -b "$dir" "$work/$1_$2.deb" >/dev/null
}
make_package libraries 1 "Provides: $provides"
make_package ffmpegthumbnailer 1 "Section: video" "video/mp4;video/quicktime;video/x-matroska;"
make_package ffmpegthumbnailer 2 "Section: video" "video/webm;video/quicktime;video/mp4;"
in_root() { dpkg --root="$root" --force-script-chrootless "$@" >>"$work/dpkg.log" 2>&1; }
entry=$root/usr/share/thumbnailers/ffmpegthumbnailer.thumbnailer

# factory: each desktop's thumbnail factory (GNOME's, and Cinnamon's and MATE's copies of it)
# over the root's thumbnailers, in a session of its own, one line per answer. The root shares
# only the MIME database with the machine, which the copies need to load the picture.
# SNAP_NAME keeps GNOME's from sandboxing the thumbnailer away from the root's /usr/bin.
factories="GnomeDesktop-3.0 CinnamonDesktop-3.0 MateDesktop-2.0"
mkdir -p "$work/mime-only" && ln -s /usr/share/mime "$work/mime-only/mime"
factory() {
  for library in $factories; do
    rm -rf "$work/session"
    env XDG_DATA_HOME="$work/session/data" XDG_CACHE_HOME="$work/session/cache" \
      XDG_DATA_DIRS="$root/usr/share:$work/mime-only" GSETTINGS_BACKEND=memory \
      GSETTINGS_SCHEMA_DIR=/usr/share/glib-2.0/schemas SNAP_NAME=orvelle-test \
      PATH="$root/usr/bin:$PATH" /usr/bin/python3 "$here/thumbnail_factory.py" "$library" \
      "$work/hap7.mov" | sed "s/^/$library /"
  done
}
# chosen MP4: what every factory answers when Orvelle has video/quicktime.
chosen() { for library in $factories; do printf '%s quicktime 102x58\n%s mp4 %s\n' "$library" "$library" "$1"; done; }
python3 "$here/../windows/make_synthetic_movies.py" "$work/synthetic" >/dev/null
cp "$work/synthetic/hap7_synthetic_102x58.mov" "$work/hap7.mov"

orvelle_chosen=$(chosen yes)
# expect_restored STEP: ffmpegthumbnailer's own entry is back and nothing of Orvelle is left.
expect_restored() {
  check "$1: ffmpegthumbnailer's own entry is back" "" \
    "$(cmp "$entry" "$work/pkg-ffmpegthumbnailer-2/usr/share/thumbnailers/ffmpegthumbnailer.thumbnailer" 2>&1)"
  check "$1: no diversion left" "" "$(dpkg-divert --root="$root" --list)"
  check "$1: no other entry left" ffmpegthumbnailer.thumbnailer "$(ls "$root/usr/share/thumbnailers")"
}

in_root -i "$work/libraries_1.deb" "$deb"
check "installed alone: Orvelle thumbnails Hap7 movies" "$(chosen no)" "$(factory)"

in_root -i "$work/ffmpegthumbnailer_1.deb"
check "ffmpegthumbnailer installed after: its other types, without video/quicktime" \
  "MimeType=video/mp4;video/x-matroska;" "$(grep '^MimeType=' "$entry")"
check "ffmpegthumbnailer installed after: still Orvelle" "$orvelle_chosen" "$(factory)"

in_root -i "$work/ffmpegthumbnailer_2.deb"
check "ffmpegthumbnailer upgraded: its new entry, without video/quicktime" \
  "MimeType=video/webm;video/mp4;" "$(grep '^MimeType=' "$entry")"
check "ffmpegthumbnailer upgraded: still Orvelle" "$orvelle_chosen" "$(factory)"

in_root -i "$deb"
check "Orvelle upgraded: still Orvelle" "$orvelle_chosen" "$(factory)"

in_root --purge orvelle
expect_restored "Orvelle purged"

in_root -i "$deb"
check "installed over ffmpegthumbnailer: its entry without video/quicktime" \
  "MimeType=video/webm;video/mp4;" "$(grep '^MimeType=' "$entry")"
check "installed over ffmpegthumbnailer: Orvelle" "$orvelle_chosen" "$(factory)"

in_root --remove orvelle
expect_restored "Orvelle removed"

check "orvelle depends on nothing of Qt or KDE" "" "$(grep -iE 'qt|kf5|kio' <<<"$depends")"
if [ "$kde" = 1 ]; then
  kde_deb=$work/out/orvelle-kde_${version}-1_amd64.deb
  lintian --fail-on error "$kde_deb" >"$work/lintian-kde.log" 2>&1
  check "orvelle-kde: lintian reports no errors" 0 $?
  kde_depends=$(dpkg-deb -f "$kde_deb" Depends)
  check "orvelle-kde depends on this orvelle first" "orvelle (= $version-1)" "${kde_depends%%,*}"
  make_package kde-libraries 1 "Provides: $(sed -E 's/^[^,]*, //; s/ \([^)]*\)//g; s/ \| /, /g
    s/([^, ]+)/\1 (= 999)/g' <<<"$kde_depends")"
  in_root -i "$work/kde-libraries_1.deb" "$deb" "$kde_deb"
  plugin=$root/usr/lib/x86_64-linux-gnu/qt5/plugins/kf5/thumbcreator/orvellethumbnail.so
  check "orvelle-kde installs beside orvelle, the plug-in where Qt finds it" "ii ii yes" \
    "$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f '${db:Status-Abbrev}' orvelle orvelle-kde |
      tr -s ' ')$(test -f "$plugin" && echo yes)"
fi

[ "$failures" -eq 0 ] || cat "$work/dpkg.log"
echo "debian package: $failures failed"
[ "$failures" -eq 0 ]
