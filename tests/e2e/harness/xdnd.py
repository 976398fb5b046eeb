"""Drops files on a window through the XDND protocol, as a file manager does: enter,
position, wait for the target's status, drop, and hand over the file list
("text/uri-list") when the target asks for it. Needs python3-xlib."""
import select
import socket
import time
from urllib.parse import quote

from Xlib import X, Xatom
from Xlib import display as xdisplay
from Xlib import protocol
from Xlib.support import unix_connect

_file_socket_first = unix_connect.get_socket


def _abstract_socket_first(dname, protocol_name, host, dno):
    # Each test file runs in a network namespace of its own, with an X server of its
    # own that may share its display number with another file's: the abstract socket
    # (one per namespace) reaches ours, the socket file in /tmp may be another's.
    # libxcb tries the abstract socket first as well.
    if not host and protocol_name in (None, "unix"):
        s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        try:
            s.connect("\0/tmp/.X11-unix/X%d" % dno)
            return s
        except OSError:
            s.close()
    return _file_socket_first(dname, protocol_name, host, dno)


unix_connect.get_socket = _abstract_socket_first


class DropRefused(AssertionError):
    pass


def drop_files(display_name, target_id, paths, position, timeout=10):
    """Drags `paths` (local files) onto the X window `target_id`, the pointer at
    `position` (root coordinates), and drops them. Returns when the target has
    finished with the drop; raises DropRefused when it does not take it."""
    d = xdisplay.Display(display_name)
    try:
        return _Drag(d, target_id, paths, position, timeout).run()
    finally:
        d.close()


class _Drag:
    def __init__(self, d, target_id, paths, position, timeout):
        self.d, self.timeout, self.position = d, timeout, position
        self.target = d.create_resource_object("window", target_id)
        self.source = d.screen().root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent)
        self.atom = {name: d.intern_atom(name) for name in (
            "XdndAware", "XdndSelection", "XdndEnter", "XdndPosition", "XdndStatus", "XdndDrop",
            "XdndFinished", "XdndLeave", "XdndActionCopy", "text/uri-list", "TARGETS")}
        self.data = "".join("file://" + quote(p) + "\r\n" for p in paths).encode()

    def run(self):
        aware = self.target.get_full_property(self.atom["XdndAware"], X.AnyPropertyType)
        if aware is None:
            raise DropRefused("the window does not take drops (no XdndAware)")
        version = min(5, aware.value[0])
        self.source.set_selection_owner(self.atom["XdndSelection"], X.CurrentTime)
        self.send("XdndEnter", [version << 24, self.atom["text/uri-list"], 0, 0])
        x, y = self.position
        self.send("XdndPosition", [0, (x << 16) | y, X.CurrentTime, self.atom["XdndActionCopy"]])
        status = self.wait_for("XdndStatus")
        if not status[1] & 1:
            self.send("XdndLeave", [0, 0, 0, 0])
            raise DropRefused("the window refused the drag")
        self.send("XdndDrop", [0, X.CurrentTime, 0, 0])
        finished = self.wait_for("XdndFinished")
        return bool(finished[1] & 1) if version >= 5 else True

    def send(self, kind, rest):
        event = protocol.event.ClientMessage(window=self.target, client_type=self.atom[kind],
                                             data=(32, [self.source.id] + rest))
        self.target.send_event(event, event_mask=0)
        self.d.flush()

    def wait_for(self, kind):
        """Serves the target's requests for the data until its `kind` message comes."""
        deadline = time.time() + self.timeout
        while time.time() < deadline:
            if not self.d.pending_events():
                select.select([self.d.fileno()], [], [], 0.05)
                continue
            e = self.d.next_event()
            if e.type == X.SelectionRequest:
                self.answer(e)
            elif e.type == X.ClientMessage and e.client_type == self.atom[kind]:
                return e.data[1]
        raise AssertionError(f"no {kind} from the drop target in {self.timeout} s")

    def answer(self, e):
        prop = e.property or e.target
        if e.target == self.atom["text/uri-list"]:
            e.requestor.change_property(prop, e.target, 8, self.data)
        elif e.target == self.atom["TARGETS"]:
            e.requestor.change_property(prop, Xatom.ATOM, 32, [self.atom["text/uri-list"], self.atom["TARGETS"]])
        else:
            prop = X.NONE
        notify = protocol.event.SelectionNotify(time=e.time, requestor=e.requestor, selection=e.selection,
                                                target=e.target, property=prop)
        e.requestor.send_event(notify)
        self.d.flush()
