"""A clipboard manager as desktops run one: it owns CLIPBOARD_MANAGER, and when a
program that owns the clipboard quits and asks it to (SAVE_TARGETS), it reads the
clipboard's picture (image/png) and keeps offering it after the program is gone.
Needs python3-xlib."""
import select
import threading

from Xlib import X, Xatom
from Xlib import display as xdisplay
from Xlib import protocol

from . import xdnd  # noqa: F401  (reaches the test's own X server first)


class ClipboardManager:
    def __init__(self, display_name):
        self.d = xdisplay.Display(display_name)
        self.window = self.d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
        atom = self.d.intern_atom
        self.manager, self.clipboard = atom("CLIPBOARD_MANAGER"), atom("CLIPBOARD")
        self.save, self.targets, self.png = atom("SAVE_TARGETS"), atom("TARGETS"), atom("image/png")
        self.incoming = atom("QN_SAVED")
        self.saved = None
        self.asked = threading.Event()
        self._stop = False
        self.window.set_selection_owner(self.manager, X.CurrentTime)
        self.d.sync()
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()

    def close(self):
        self._stop = True
        self._thread.join(timeout=5)
        self.d.close()

    def _reply(self, request, prop):
        event = protocol.event.SelectionNotify(time=request.time, requestor=request.requestor,
                                               selection=request.selection, target=request.target, property=prop)
        request.requestor.send_event(event)
        self.d.flush()

    def _read_picture(self, time):
        self.window.convert_selection(self.clipboard, self.png, self.incoming, time)
        self.d.flush()
        while True:
            event = self.d.next_event()
            if event.type == X.SelectionNotify and event.requestor == self.window:
                if event.property == X.NONE:
                    return None
                prop = self.window.get_full_property(self.incoming, X.AnyPropertyType, sizehint=1 << 22)
                return bytes(prop.value) if prop and prop.property_type == self.png else None

    def _serve(self, request):
        prop = request.property or request.target
        if request.target == self.targets:
            request.requestor.change_property(prop, Xatom.ATOM, 32, [self.targets, self.png])
        elif request.target == self.png and self.saved is not None:
            request.requestor.change_property(prop, self.png, 8, self.saved)
        else:
            prop = X.NONE
        self._reply(request, prop)

    def _run(self):
        while not self._stop:
            if not self.d.pending_events():
                select.select([self.d.fileno()], [], [], 0.1)
                if not self.d.pending_events():
                    continue
            event = self.d.next_event()
            if event.type != X.SelectionRequest:
                continue
            if event.selection == self.manager and event.target == self.save:
                self.saved = self._read_picture(event.time)
                if self.saved is not None:
                    self.window.set_selection_owner(self.clipboard, event.time)
                self._reply(event, event.property)
                self.asked.set()
            elif event.selection == self.clipboard:
                self._serve(event)
            else:
                self._reply(event, X.NONE)
