#!/usr/bin/python3
"""A small GTK 3 window for the desktop tests: a flat tree view of rows, a push button, a label
and an image, each with its own context menu on a button-3 press.

It says what it receives on standard output, one line per event, as `kind key=value ...`:
  ready window=X,Y,W,H row0=X,Y row1=X,Y row2=X,Y button=X,Y label=X,Y image=X,Y
  press button=N x=X y=Y root=X,Y time=T state=S widget=NAME
  release button=N x=X y=Y root=X,Y time=T state=S widget=NAME
  menu-opened widget=NAME
  menu-item-activated NAME
  menu-closed widget=NAME
  clicked widget=button
Points are screen coordinates of each target's centre, so tests know where to press.
"""

import sys

import gi

gi.require_version("Gdk", "3.0")
gi.require_version("Gtk", "3.0")
from gi.repository import Gdk, GLib, Gtk  # noqa: E402

WINDOW_ORIGIN = (100, 100)
ROWS = ["Alpha", "Beta", "Gamma", "Delta"]


def say(line):
    print(line, flush=True)


class SampleApp:
    def __init__(self):
        # One press can reach us twice (the widget and the window it propagates to, or a bare
        # window reporting it twice): report each (type, button, time) once.
        self.seen = set()
        self.menus = []  # keep the menus alive while shown
        self.ready_reported = False

        self.window = Gtk.Window(title="Tandrel sample")
        self.window.set_default_size(480, 360)
        self.window.move(*WINDOW_ORIGIN)
        self.window.connect("destroy", Gtk.main_quit)

        box = Gtk.Box(orientation=Gtk.Orientation.VERTICAL, spacing=8)
        box.set_border_width(8)
        self.window.add(box)

        store = Gtk.ListStore(str)
        for name in ROWS:
            store.append([name])
        self.tree = Gtk.TreeView(model=store)
        self.column = Gtk.TreeViewColumn("Name", Gtk.CellRendererText(), text=0)
        self.tree.append_column(self.column)
        box.pack_start(self.tree, False, False, 0)

        self.button = Gtk.Button(label="Push me")
        self.button.connect("clicked", lambda _b: say("clicked widget=button"))
        box.pack_start(self.button, False, False, 0)

        # Labels and images have no input window of their own: event boxes give them one.
        self.label_box = Gtk.EventBox()
        self.label_box.add(Gtk.Label(label="A plain label"))
        box.pack_start(self.label_box, False, False, 0)

        self.image_box = Gtk.EventBox()
        self.image_box.add(Gtk.Image.new_from_icon_name("image-missing", Gtk.IconSize.DIALOG))
        box.pack_start(self.image_box, False, False, 0)

        targets = [
            (self.tree, "row", ["Open", "Rename", "Delete"]),
            (self.button, "button", ["Press", "Configure"]),
            (self.label_box, "label", ["Copy Text"]),
            (self.image_box, "image", ["Save Image", "Copy Image"]),
        ]
        for widget, name, items in targets:
            widget.add_events(Gdk.EventMask.BUTTON_PRESS_MASK | Gdk.EventMask.BUTTON_RELEASE_MASK)
            widget.connect("button-press-event", self.on_button, name, items)
            widget.connect("button-release-event", self.on_button, name, None)
        self.window.connect("button-press-event", self.on_button, "window", None)
        self.window.connect("button-release-event", self.on_button, "window", None)

        self.window.connect("map-event", self.on_mapped)
        self.window.show_all()

    def on_button(self, widget, event, name, items):
        kind = "press" if event.type == Gdk.EventType.BUTTON_PRESS else (
            "release" if event.type == Gdk.EventType.BUTTON_RELEASE else None)
        if kind is None:
            return False  # the double and triple press GTK adds after a plain one
        key = (kind, event.button, event.time)
        if key in self.seen:
            return False
        self.seen.add(key)
        say("%s button=%d x=%d y=%d root=%d,%d time=%d state=0x%x widget=%s" % (
            kind, event.button, event.x, event.y, event.x_root, event.y_root, event.time,
            event.state, name))
        if kind == "press" and event.button == 3 and items:
            self.popup(widget, event, name, items)
            return True
        return False

    def popup(self, widget, event, name, items):
        if widget is self.tree:
            hit = self.tree.get_path_at_pos(int(event.x), int(event.y))
            if hit is not None:
                self.tree.get_selection().select_path(hit[0])
        menu = Gtk.Menu()
        for label in items:
            item = Gtk.MenuItem(label=label)
            item.connect("activate", lambda _i, label=label: say("menu-item-activated " + label))
            menu.append(item)
        menu.show_all()
        menu.attach_to_widget(widget, None)
        menu.connect("deactivate", lambda _m: say("menu-closed widget=" + name))
        self.menus.append(menu)
        menu.popup_at_pointer(event)
        say("menu-opened widget=" + name)

    def centre_of(self, widget, x, y, w, h):
        """Screen point of the centre of a rectangle in widget coordinates."""
        wx, wy = widget.translate_coordinates(self.window, x + w // 2, y + h // 2)
        ox, oy = self.window.get_window().get_origin()[1:]
        return "%d,%d" % (ox + wx, oy + wy)

    def on_mapped(self, *_args):
        # Report from an idle, once every allocation is final; the window can be mapped twice.
        if not self.ready_reported:
            self.ready_reported = True
            GLib.idle_add(self.report_ready)
        return False

    def report_ready(self):
        gdk_window = self.window.get_window()
        ox, oy = gdk_window.get_origin()[1:]
        width, height = gdk_window.get_width(), gdk_window.get_height()
        parts = ["window=%d,%d,%d,%d" % (ox, oy, width, height)]
        for index in range(len(ROWS)):
            area = self.tree.get_cell_area(Gtk.TreePath(index), self.column)
            bx, by = self.tree.convert_bin_window_to_widget_coords(area.x, area.y)
            parts.append("row%d=%s" % (index, self.centre_of(
                self.tree, bx, by, area.width, area.height)))
        for name, widget in (("button", self.button), ("label", self.label_box),
                             ("image", self.image_box)):
            alloc = widget.get_allocation()
            parts.append("%s=%s" % (name, self.centre_of(widget, 0, 0, alloc.width, alloc.height)))
        say("ready " + " ".join(parts))
        return False


def main():
    SampleApp()
    Gtk.main()
    return 0


if __name__ == "__main__":
    sys.exit(main())
