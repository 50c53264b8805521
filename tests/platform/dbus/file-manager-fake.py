#!/usr/bin/python3
# A file manager on a given bus that owns org.freedesktop.FileManager1 and writes each
# ShowItems call to stdout. MODE: "answer", "refuse" (an error reply) or "slow" (answers
# after 2.5 s, as a file manager that is still starting up does).
#   file-manager-fake.py BUS-ADDRESS MODE
import sys

from gi.repository import Gio, GLib

INTERFACE = """<node><interface name="org.freedesktop.FileManager1">
<method name="ShowItems"><arg type="as" direction="in"/><arg type="s" direction="in"/></method>
</interface></node>"""

address, mode = sys.argv[1], sys.argv[2]
loop = GLib.MainLoop()


def on_call(connection, sender, path, interface, method, parameters, invocation):
    uris, startup_id = parameters.unpack()
    print("ShowItems " + " ".join(uris) + " startup=" + repr(startup_id), flush=True)
    if mode == "refuse":
        invocation.return_dbus_error("org.freedesktop.DBus.Error.Failed", "cannot show")
    elif mode == "slow":
        def answer():
            invocation.return_value(None)
            print("answered", flush=True)
            return False
        GLib.timeout_add(2500, answer)
    else:
        invocation.return_value(None)
        print("answered", flush=True)


connection = Gio.DBusConnection.new_for_address_sync(
    address,
    Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION,
    None, None)
node = Gio.DBusNodeInfo.new_for_xml(INTERFACE)
connection.register_object("/org/freedesktop/FileManager1", node.interfaces[0], on_call, None, None)
reply = connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                             "RequestName", GLib.Variant("(su)", ("org.freedesktop.FileManager1", 4)),
                             None, Gio.DBusCallFlags.NONE, -1, None)
print("ready", flush=True)
loop.run()
