#!/usr/bin/python3
# A GTK 3 text view showing numbered lines of text. Once drawn it writes the text area's
# rectangle on the root window and the height of the whole text:
#   gtk-text-view.py GEOMETRY.txt
# (x y width height content-height)
import os
import sys

import gi

gi.require_version("Gtk", "3.0")
from gi.repository import GLib, Gtk  # noqa: E402

WORDS = ["alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel", "india"]
text = "\n".join(
    "Line %04d %s" % (i, " ".join(WORDS[(i * 7 + k) % 9] for k in range(2 + i % 7)))
    for i in range(240)
)

window = Gtk.Window(title="GTK text view")
window.set_default_size(600, 500)
scrolled = Gtk.ScrolledWindow()
scrolled.set_policy(Gtk.PolicyType.NEVER, Gtk.PolicyType.ALWAYS)
view = Gtk.TextView()
view.set_editable(False)
view.set_cursor_visible(False)
view.get_buffer().set_text(text)
scrolled.add(view)
window.add(scrolled)
window.connect("destroy", Gtk.main_quit)


def report():
    adjustment = scrolled.get_vadjustment()
    if adjustment.get_upper() <= adjustment.get_page_size():
        return True  # not laid out yet
    _, x, y = view.get_window(Gtk.TextWindowType.WIDGET).get_origin()
    with open(sys.argv[1] + ".part", "w") as out:
        out.write("%d %d %d %d %d\n" % (x, y, view.get_allocated_width(),
                                         view.get_allocated_height(), adjustment.get_upper()))
    os.rename(sys.argv[1] + ".part", sys.argv[1])
    return False


window.show_all()
GLib.timeout_add(300, report)
Gtk.main()
