#!/usr/bin/python3
"""A GTK window that accepts file drops as a file manager does and prints each dropped
URI on a line of its own. Its title is "drop-target"."""
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, Gtk  # noqa: E402

window = Gtk.Window(title="drop-target")
window.set_default_size(500, 300)
window.drag_dest_set(Gtk.DestDefaults.ALL, [Gtk.TargetEntry.new("text/uri-list", 0, 0)],
                     Gdk.DragAction.COPY)


def received(_widget, _context, _x, _y, data, _info, _time):
    for uri in data.get_uris():
        print(uri, flush=True)


window.connect("drag-data-received", received)
window.connect("destroy", Gtk.main_quit)
window.show_all()
window.move(int(sys.argv[1]), int(sys.argv[2]))
Gtk.main()
