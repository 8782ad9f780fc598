#!/usr/bin/python3
"""gnome_factory.py MOVIE: asks GNOME's own thumbnail factory (libgnome-desktop, as Files
uses it) for a thumbnail of MOVIE as video/quicktime, and whether it would thumbnail
video/mp4. Prints "quicktime WxH" (or "quicktime none") and "mp4 yes|no". The
thumbnailers come from $XDG_DATA_HOME and $XDG_DATA_DIRS, as in a desktop session."""
import pathlib
import sys

import gi

gi.require_version("GnomeDesktop", "3.0")
from gi.repository import GLib, GnomeDesktop  # noqa: E402

factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.NORMAL)
uri = pathlib.Path(sys.argv[1]).resolve().as_uri()
try:
    picture = factory.generate_thumbnail(uri, "video/quicktime", None)
    print(f"quicktime {picture.get_width()}x{picture.get_height()}")
except GLib.Error:
    print("quicktime none")
print("mp4", "yes" if factory.can_thumbnail(uri + ".mp4", "video/mp4", 0) else "no")
