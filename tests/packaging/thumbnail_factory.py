#!/usr/bin/python3
"""thumbnail_factory.py LIBRARY-VERSION MOVIE: asks a desktop's own thumbnail factory
(GnomeDesktop-3.0 as Files uses it, or its copies CinnamonDesktop-3.0 for Nemo and
MateDesktop-2.0 for Caja) for a thumbnail of MOVIE as video/quicktime, and whether it
would thumbnail video/mp4. Prints "quicktime WxH" (or "quicktime none") and "mp4 yes|no".
The thumbnailers come from $XDG_DATA_HOME and $XDG_DATA_DIRS, as in a desktop session.
The copies register the same type names, so one process loads one library."""
import importlib
import pathlib
import sys

import gi

library, version = sys.argv[1].split("-")
gi.require_version(library, version)
from gi.repository import GLib  # noqa: E402

desktop = importlib.import_module("gi.repository." + library)
factory = desktop.DesktopThumbnailFactory.new(desktop.DesktopThumbnailSize.NORMAL)
uri = pathlib.Path(sys.argv[2]).resolve().as_uri()
# GNOME's generate_thumbnail takes a GCancellable and raises; the copies return None.
arguments = (uri, "video/quicktime")
if len(desktop.DesktopThumbnailFactory.generate_thumbnail.get_arguments()) == 3:
    arguments += (None,)
try:
    picture = factory.generate_thumbnail(*arguments)
except GLib.Error:
    picture = None
print(f"quicktime {picture.get_width()}x{picture.get_height()}" if picture else "quicktime none")
print("mp4", "yes" if factory.can_thumbnail(uri + ".mp4", "video/mp4", 0) else "no")
