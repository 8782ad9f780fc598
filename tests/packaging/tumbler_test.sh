#!/usr/bin/env bash
# Xfce's thumbnail service as Thunar uses it: Debian's tumblerd in a D-Bus session of its
# own with a throwaway HOME, Orvelle installed as the package installs it, and one Queue
# call for all the movies below. Orvelle's entry must come before ffmpegthumbnailer's
# whether its data directory is listed before or after /usr/share: the Hap movies' cached
# thumbnails hold exactly the pixels of `orvelle thumb -s 128`, with tumbler's Thumb::URI
# and Thumb::MTime, and the other movies still get a thumbnail.
#   tumbler_test.sh BUILD-DIR MOVIE-DIR
set -uo pipefail
tumblerd=/usr/lib/x86_64-linux-gnu/tumbler-1/tumblerd
here=$(cd "$(dirname "$0")" && pwd)

# In the session: start the daemon and wait for its name, so that D-Bus does not activate
# another one; queue every movie in one call, wait for Finished, and print each movie with
# its MIME type and "orvelle" when its cached thumbnail holds Orvelle's pixels, "other" for
# another picture, "none" without one, "no keys" when Thumb::URI or Thumb::MTime is wrong.
if [ "${1:-}" = --in-session ]; then
  "$tumblerd" >"$HOME/tumblerd.log" 2>&1 &
  gdbus wait --session --timeout 20 org.freedesktop.thumbnails.Thumbnailer1
  exec python3 - "$here/../windows" "$2" "$3" <<'PY'
import hashlib, os, struct, sys
from gi.repository import Gio, GLib
sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, sys.argv[1])
from compare_thumbnail import read_png

work, table = sys.argv[2], [line.split() for line in sys.argv[3].splitlines()]
movies = [os.path.join(work, "movies", movie) for movie, _, _ in table]
name, path = "org.freedesktop.thumbnails.Thumbnailer1", "/org/freedesktop/thumbnails/Thumbnailer1"
bus, loop = Gio.bus_get_sync(Gio.BusType.SESSION), GLib.MainLoop()
bus.signal_subscribe(name, name, "Finished", path, None, 0, lambda *_: loop.quit())
request = (["file://" + movie for movie in movies], [mime for _, mime, _ in table], "normal", "default", 0)
bus.call_sync(name, path, name, "Queue", GLib.Variant("(asasssu)", request), None, 0, 20000, None)
GLib.timeout_add_seconds(40, loop.quit)
loop.run()

def keys(png):  # the tEXt chunks
    data, position, found = open(png, "rb").read(), 8, {}
    while position < len(data):
        length, kind = struct.unpack_from(">I4s", data, position)
        if kind == b"tEXt":
            key, _, value = data[position + 8:position + 8 + length].partition(b"\0")
            found[key.decode()] = value.decode()
        position += 12 + length
    return found

for (movie, mime, _), source in zip(table, movies):
    uri = "file://" + source
    cached = os.path.expanduser("~/.cache/thumbnails/normal/%s.png" % hashlib.md5(uri.encode()).hexdigest())
    reference = os.path.join(work, movie + ".png")
    if not os.path.exists(cached):
        state = "none"
    elif keys(cached).get("Thumb::URI") != uri or \
            abs(float(keys(cached).get("Thumb::MTime", 0)) - os.stat(source).st_mtime) > 1e-3:
        state = "no keys"  # tumbler writes the time to the microsecond
    elif os.path.exists(reference) and read_png(cached) == read_png(reference):
        state = "orvelle"
    else:
        read_png(cached)  # stops the listing short unless it is a PNG
        state = "other"
    print(movie, mime, state)
PY
fi

build=$1
movies=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$here/../support/check.sh"

# The package's layout: bin/ and share/thumbnailers/ under one prefix.
prefix=$work/usr
cmake --install "$build" --prefix "$prefix" >/dev/null || exit 1
python3 "$here/../windows/make_synthetic_movies.py" "$work/synthetic" >/dev/null
mkdir "$work/movies"
cp "$movies/hap1_640x360.mov" "$movies/hap1_640x360.avi" "$movies/h264_320x240.mov" \
  "$work/synthetic/hap7_synthetic_102x58.mov" "$work/movies/"

# Each movie, its MIME type and whose picture tumbler must cache.
expected="hap1_640x360.mov video/quicktime orvelle
hap7_synthetic_102x58.mov video/quicktime orvelle
hap1_640x360.avi video/x-msvideo orvelle
h264_320x240.mov video/quicktime other"
while read -r movie _; do
  "$prefix/bin/orvelle" thumb -s 128 --no-fallback "$work/movies/$movie" "$work/$movie.png" 2>/dev/null
done <<<"$expected"

# Orvelle's data directory before and after /usr/share, where ffmpegthumbnailer's entry is.
for dirs in "$prefix/share:/usr/share" "/usr/share:$prefix/share"; do
  home=$(mktemp -d "$work/home.XXXX")
  actual=$(env -i HOME="$home" PATH="$prefix/bin:/usr/bin:/bin" XDG_DATA_DIRS="$dirs" \
    dbus-run-session -- bash "$0" --in-session "$work" "$expected" 2>"$home/session.log")
  check "XDG_DATA_DIRS=$dirs" "$expected" "$actual"
  [ "$actual" = "$expected" ] || cat "$home/session.log" "$home/tumblerd.log"
done

echo "tumbler: $failures failed"
[ "$failures" -eq 0 ]
