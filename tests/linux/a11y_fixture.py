#!/usr/bin/python3
"""A small window for the hit-test tests: a flat tree view, a push button, empty background.

Prints one JSON line when shown: the X window id and, for each part, a rectangle. GTK 3
rectangles are in screen coordinates; GTK 4 ones are relative to the X window (GTK 4 cannot
place a window or say where it is), and the test adds the window's origin itself.
SIGUSR1 freezes the main loop, standing in for a hung application.
"""
import argparse
import json
import signal
import sys
import time

parser = argparse.ArgumentParser()
parser.add_argument("--gtk", choices=["3", "4"], default="3")
parser.add_argument("--x", type=int, default=100)
parser.add_argument("--y", type=int, default=100)
parser.add_argument("--title", default="Tandrel fixture")
args = parser.parse_args()

import gi  # noqa: E402

gi.require_version("Gtk", args.gtk + ".0")
from gi.repository import GLib, Gtk  # noqa: E402

if args.gtk == "4":
    gi.require_version("GdkX11", "4.0")
    from gi.repository import GdkX11  # noqa: E402
else:
    gi.require_version("GdkX11", "3.0")
    from gi.repository import GdkX11  # noqa: E402,F811


def freeze(*_):
    print("frozen", flush=True)
    time.sleep(3600)
    return GLib.SOURCE_CONTINUE


GLib.unix_signal_add(GLib.PRIORITY_DEFAULT, signal.SIGUSR1, freeze)


def rect(x, y, w, h):
    return {"x": int(x), "y": int(y), "w": int(w), "h": int(h)}


def build_gtk3():
    win = Gtk.Window(title=args.title)
    win.move(args.x, args.y)
    win.set_default_size(320, 360)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
    store = Gtk.ListStore(str)
    for name in ("alpha", "beta", "gamma"):
        store.append([name])
    tree = Gtk.TreeView(model=store)
    column = Gtk.TreeViewColumn("Name", Gtk.CellRendererText(), text=0)
    tree.append_column(column)
    scroll = Gtk.ScrolledWindow()
    scroll.set_size_request(300, 140)
    scroll.add(tree)
    button = Gtk.Button(label="Press me")
    background = Gtk.Box()
    background.set_size_request(300, 120)
    box.pack_start(scroll, False, False, 0)
    box.pack_start(button, False, False, 0)
    box.pack_start(background, False, False, 0)
    win.add(box)
    win.connect("destroy", Gtk.main_quit)

    def report():
        ox, oy = win.get_window().get_origin()[1:]

        def screen(widget, x=0, y=0):
            tx, ty = widget.translate_coordinates(win, x, y)
            return ox + tx, oy + ty

        cell = tree.get_cell_area(Gtk.TreePath(1), column)
        wx, wy = tree.convert_bin_window_to_widget_coords(cell.x, cell.y)
        rx, ry = screen(tree, wx, wy)
        bx, by = screen(button)
        gx, gy = screen(background)
        alloc_b = button.get_allocation()
        alloc_g = background.get_allocation()
        out = {
            "xid": GdkX11.X11Window.get_xid(win.get_window()),
            "row": rect(rx, ry, cell.width, cell.height),
            "button": rect(bx, by, alloc_b.width, alloc_b.height),
            "background": rect(gx, gy, alloc_g.width, alloc_g.height),
        }
        print(json.dumps(out), flush=True)
        return GLib.SOURCE_REMOVE

    win.connect("map-event", lambda *_: GLib.timeout_add(50, report) and False)
    win.show_all()
    Gtk.main()


def build_gtk4():
    loop = GLib.MainLoop()
    win = Gtk.Window(title=args.title)
    win.set_default_size(320, 360)
    box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=6)
    strings = Gtk.StringList.new(["alpha", "beta", "gamma"])
    factory = Gtk.SignalListItemFactory()
    factory.connect("setup", lambda _f, item: item.set_child(Gtk.Label()))
    factory.connect("bind", lambda _f, item: item.get_child().set_text(item.get_item().get_string()))
    listview = Gtk.ListView(model=Gtk.NoSelection(model=strings), factory=factory)
    scroll = Gtk.ScrolledWindow()
    scroll.set_size_request(300, 140)
    scroll.set_child(listview)
    button = Gtk.Button(label="Press me")
    background = Gtk.Box()
    background.set_size_request(300, 120)
    box.append(scroll)
    box.append(button)
    box.append(background)
    win.set_child(box)
    win.connect("close-request", lambda *_: loop.quit() or False)

    def bounds(widget):
        ok, r = widget.compute_bounds(win)
        sx, sy = win.get_surface_transform()
        return rect(r.origin.x + sx, r.origin.y + sy, r.size.width, r.size.height)

    def report():
        # The second row: the first label's parent is a list item.
        row = listview.get_first_child()
        row = row.get_next_sibling() if row and row.get_next_sibling() else row
        out = {
            "xid": GdkX11.X11Surface.get_xid(win.get_surface()),
            "row": bounds(row),
            "button": bounds(button),
            "background": bounds(background),
        }
        print(json.dumps(out), flush=True)
        return GLib.SOURCE_REMOVE

    win.connect("map", lambda *_: GLib.timeout_add(200, report) and None)
    win.present()
    loop.run()


if args.gtk == "4":
    build_gtk4()
else:
    build_gtk3()
sys.exit(0)
