#!/usr/bin/python3
"""A StatusNotifierWatcher and host of a desktop's notification area, on the session bus, and a
client that opens an icon's menu and chooses an item, as a D-Bus notification area does.

  sni.py watcher            serves org.kde.StatusNotifierWatcher until killed
  sni.py ready              waits until the watcher serves (30 s at most)
  sni.py items              prints the newest icon's service
  sni.py menu               prints the newest icon's menu: id<TAB>label, one item a line
  sni.py choose LABEL       chooses the item of the newest icon's menu whose label (mnemonic
                            marks removed) is LABEL; exit 1 when there is none
"""
import sys
import time

import dbus
import dbus.service

WATCHER = "org.kde.StatusNotifierWatcher"
WATCHER_PATH = "/StatusNotifierWatcher"
ITEM_IFACE = "org.kde.StatusNotifierItem"
MENU_IFACE = "com.canonical.dbusmenu"
PROPS = "org.freedesktop.DBus.Properties"

INTROSPECTION = """<!DOCTYPE node PUBLIC "-//freedesktop//DTD D-BUS Object Introspection 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd">
<node>
  <interface name="org.freedesktop.DBus.Introspectable">
    <method name="Introspect"><arg direction="out" type="s"/></method>
  </interface>
  <interface name="org.freedesktop.DBus.Properties">
    <method name="Get"><arg direction="in" type="s"/><arg direction="in" type="s"/>
      <arg direction="out" type="v"/></method>
    <method name="GetAll"><arg direction="in" type="s"/><arg direction="out" type="a{sv}"/></method>
  </interface>
  <interface name="org.kde.StatusNotifierWatcher">
    <method name="RegisterStatusNotifierItem"><arg direction="in" type="s"/></method>
    <method name="RegisterStatusNotifierHost"><arg direction="in" type="s"/></method>
    <property name="RegisteredStatusNotifierItems" type="as" access="read"/>
    <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
    <property name="ProtocolVersion" type="i" access="read"/>
    <signal name="StatusNotifierItemRegistered"><arg type="s"/></signal>
    <signal name="StatusNotifierItemUnregistered"><arg type="s"/></signal>
    <signal name="StatusNotifierHostRegistered"/>
  </interface>
</node>
"""


class Watcher(dbus.service.Object):
    def __init__(self, bus):
        self.items = []
        self.bus = bus
        super().__init__(bus, WATCHER_PATH)

    @dbus.service.method(WATCHER, in_signature="s", sender_keyword="sender")
    def RegisterStatusNotifierItem(self, service, sender=None):
        # An icon may give its own bus name or a path of its own service.
        if service.startswith("/"):
            service = sender + service
        # The newest registration last: a process may register again after its earlier icon
        # went, under the same bus name.
        if service in self.items:
            self.items.remove(service)
        self.items.append(service)
        self.StatusNotifierItemRegistered(service)

    @dbus.service.method(WATCHER, in_signature="s")
    def RegisterStatusNotifierHost(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemRegistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="s")
    def StatusNotifierItemUnregistered(self, service):
        pass

    @dbus.service.signal(WATCHER, signature="")
    def StatusNotifierHostRegistered(self):
        pass

    def properties(self):
        alive = [s for s in self.items if self.bus.name_has_owner(s.split("/")[0])]
        return {
            "RegisteredStatusNotifierItems": dbus.Array(alive, signature="s"),
            "IsStatusNotifierHostRegistered": dbus.Boolean(True),
            "ProtocolVersion": dbus.Int32(0),
        }

    @dbus.service.method(PROPS, in_signature="ss", out_signature="v")
    def Get(self, interface, name):
        return self.properties()[name]

    @dbus.service.method(PROPS, in_signature="s", out_signature="a{sv}")
    def GetAll(self, interface):
        return self.properties()

    # Qt reads the watcher's properties through its introspection data, which dbus-python does
    # not write for properties.
    @dbus.service.method("org.freedesktop.DBus.Introspectable", out_signature="s",
                         path_keyword="path", connection_keyword="connection")
    def Introspect(self, path, connection):
        return INTROSPECTION


def serve():
    from dbus.mainloop.glib import DBusGMainLoop
    from gi.repository import GLib

    DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    watcher = Watcher(bus)
    bus.request_name(WATCHER)
    GLib.MainLoop().run()


def live_item(bus, timeout=30.0):
    """The newest registered icon that is still there: its service and object path."""
    watcher = bus.get_object(WATCHER, WATCHER_PATH)
    deadline = time.monotonic() + timeout
    while True:
        items = watcher.Get(WATCHER, "RegisteredStatusNotifierItems", dbus_interface=PROPS)
        for registered in reversed(items):
            service, _, path = str(registered).partition("/")
            path = "/" + (path or "StatusNotifierItem")
            try:
                bus.get_object(service, path).Get(ITEM_IFACE, "Id", dbus_interface=PROPS)
                return service, path
            except dbus.DBusException:
                continue
        if time.monotonic() > deadline:
            sys.exit("no icon registered")
        time.sleep(0.1)


def menu_items(bus):
    service, path = live_item(bus)
    item = bus.get_object(service, path)
    menu_path = item.Get(ITEM_IFACE, "Menu", dbus_interface=PROPS)
    if menu_path == "/NO_DBUSMENU":
        sys.exit("the icon has no menu")
    menu = dbus.Interface(bus.get_object(service, menu_path), MENU_IFACE)
    menu.AboutToShow(0)
    _, layout = menu.GetLayout(0, -1, [])
    found = []
    for child in layout[2]:
        ident, props = int(child[0]), child[1]
        label = str(props.get("label", ""))
        if props.get("type") == "separator":
            label = "-"
        found.append((ident, label))
    return menu, found


def main():
    command = sys.argv[1] if len(sys.argv) > 1 else ""
    if command == "watcher":
        serve()
        return
    bus = dbus.SessionBus()
    if command == "ready":
        deadline = time.monotonic() + 30
        while not bus.name_has_owner(WATCHER):
            if time.monotonic() > deadline:
                sys.exit("the watcher did not start")
            time.sleep(0.05)
    elif command == "items":
        print(live_item(bus)[0])
    elif command == "menu":
        for ident, label in menu_items(bus)[1]:
            print(f"{ident}\t{label}")
    elif command == "choose":
        menu, items = menu_items(bus)
        wanted = sys.argv[2]
        for ident, label in items:
            if label.replace("_", "") == wanted:
                menu.Event(ident, "clicked", dbus.Int32(0, variant_level=1), dbus.UInt32(0))
                return
        sys.exit(f"no item {wanted!r}")
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
