#!/usr/bin/python3
"""Drops files on an X11 window the way a Linux file manager does, through
the XDND protocol: XdndEnter offering text/uri-list, serving the selection,
XdndPosition, XdndStatus, XdndDrop, XdndFinished.

    xdnd-drop.py TITLE FILE...
    xdnd-drop.py --as TYPE TITLE FILE

TITLE is the start of the target window's name; the drop lands in the middle
of its left half. With --as the drag carries FILE's bytes as data of the X
target TYPE (image/png, UTF8_STRING), as a picture or text dragged from a
browser does, instead of the file's name. Exit status 0 when the window took the drop, 3 when it
refused it (the drag is then left with XdndLeave), 1 on any other failure.
"""
import os
import select
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, protocol

XDND_VERSION = 5
DEADLINE_SECONDS = 20


class DragSource:
    def __init__(self, files, data_type=None):
        self.display = display.Display()
        self.root = self.display.screen().root
        self.atoms = {name: self.display.intern_atom(name) for name in (
            "XdndAware", "XdndSelection", "XdndEnter", "XdndPosition", "XdndStatus", "XdndLeave",
            "XdndDrop", "XdndFinished", "XdndActionCopy", "text/uri-list", "TARGETS", "_NET_WM_NAME",
            "UTF8_STRING")}
        self.window = self.root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        if data_type is None:
            self.offered = self.atoms["text/uri-list"]
            self.data = "".join(
                "file://" + urllib.parse.quote(os.path.abspath(path)) + "\r\n" for path in files).encode()
        else:
            self.offered = self.display.intern_atom(data_type)
            with open(files[0], "rb") as data:
                self.data = data.read()

    def window_name(self, window):
        try:
            name = window.get_full_property(self.atoms["_NET_WM_NAME"], self.atoms["UTF8_STRING"])
            if name is not None:
                return name.value.decode("utf-8", "replace")
            return window.get_wm_name() or ""
        except Exception:  # the window went away meanwhile
            return ""

    def find_target(self, title):
        for window in self.root.query_tree().children:
            try:
                if window.get_attributes().map_state != X.IsViewable:
                    continue
                if window.get_full_property(self.atoms["XdndAware"], X.AnyPropertyType) is None:
                    continue
            except Exception:
                continue
            if self.window_name(window).startswith(title):
                return window
        return None

    def send(self, target, message, *values):
        data = list(values) + [0] * (5 - len(values))
        event = protocol.event.ClientMessage(window=target, client_type=self.atoms[message],
                                             data=(32, data))
        target.send_event(event, event_mask=0)
        self.display.flush()

    def serve(self, request):
        """Answers a request for the dragged data."""
        prop = request.property
        if request.target == self.offered:
            request.requestor.change_property(prop, request.target, 8, self.data)
        elif request.target == self.atoms["TARGETS"]:
            request.requestor.change_property(prop, Xatom.ATOM, 32, [self.atoms["TARGETS"], self.offered])
        else:
            prop = X.NONE
        notify = protocol.event.SelectionNotify(time=request.time, requestor=request.requestor,
                                                selection=request.selection, target=request.target,
                                                property=prop)
        request.requestor.send_event(notify, event_mask=0)
        self.display.flush()

    def wait_for(self, message, deadline):
        """Serves selection requests until the target sends this message."""
        while time.monotonic() < deadline:
            while self.display.pending_events():
                event = self.display.next_event()
                if event.type == X.SelectionRequest:
                    self.serve(event)
                elif event.type == X.ClientMessage and event.client_type == self.atoms[message]:
                    return event
            select.select([self.display], [], [], 0.05)
        raise TimeoutError("no %s from the target" % message)

    def drop(self, title):
        deadline = time.monotonic() + DEADLINE_SECONDS
        target = None
        while target is None:
            target = self.find_target(title)
            if target is None:
                if time.monotonic() >= deadline:
                    raise TimeoutError("no window named %r" % title)
                time.sleep(0.05)
        geometry = target.get_geometry()
        origin = target.translate_coords(self.root, 0, 0)
        x = -origin.x + geometry.width // 4
        y = -origin.y + geometry.height // 2

        self.window.set_selection_owner(self.atoms["XdndSelection"], X.CurrentTime)
        self.display.flush()
        self.send(target, "XdndEnter", self.window.id, XDND_VERSION << 24, self.offered)
        self.send(target, "XdndPosition", self.window.id, 0, (x << 16) | y, X.CurrentTime,
                  self.atoms["XdndActionCopy"])
        status = self.wait_for("XdndStatus", deadline)
        if not status.data[1][1] & 1:
            self.send(target, "XdndLeave", self.window.id)
            return False
        self.send(target, "XdndDrop", self.window.id, 0, X.CurrentTime)
        self.wait_for("XdndFinished", deadline)
        return True


def main():
    arguments = sys.argv[1:]
    data_type = None
    if arguments[:1] == ["--as"] and len(arguments) == 4:
        data_type, arguments = arguments[1], arguments[2:]
    if len(arguments) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 1
    try:
        taken = DragSource(arguments[1:], data_type).drop(arguments[0])
    except Exception as error:  # report, never a traceback
        print("xdnd-drop: %s" % error, file=sys.stderr)
        return 1
    if not taken:
        print("xdnd-drop: the window refused the drop", file=sys.stderr)
        return 3
    return 0


if __name__ == "__main__":
    sys.exit(main())
