"""A local fake of the cloud service: records every request, answers from a table the test sets."""
import json
import socket
import struct
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qsl

DEV_PORT = 18765


class Request:
    def __init__(self, method, path, headers, body):
        self.method, self.path, self.headers, self.body = method, path, headers, body
        self.time = time.monotonic()  # when it arrived

    @property
    def form(self):
        """The form fields in the order they were sent."""
        return parse_qsl(self.body.decode("utf-8"), keep_blank_values=True)

    def __repr__(self):
        return f"<{self.method} {self.path} {self.body[:200]!r}>"


class Misbehave:
    """How a reply departs from a plain answer: `drip` sends it one byte every so many
    seconds, `reset` drops the connection without answering, `headers` adds headers,
    `repeat` sends the body that many times (an oversized answer without a copy here)."""

    def __init__(self, drip=0, reset=False, headers=None, repeat=1):
        self.drip, self.reset, self.headers, self.repeat = drip, reset, headers or {}, repeat


class FakeCloud:
    """answer(path, body, status=200) sets the reply for a path; a list of bodies is
    answered in turn (the last one repeats). Unknown paths get 404. A reply may be a
    Misbehave wrapped around a body: (Misbehave(...), body)."""

    def __init__(self, port=DEV_PORT):
        self.requests = []
        self.routes = {}
        self.lock = threading.Lock()
        self.cond = threading.Condition(self.lock)
        cloud = self

        class Handler(BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def _handle(self):
                length = int(self.headers.get("Content-Length") or 0)
                body = self.rfile.read(length) if length else b""
                req = Request(self.command, self.path, dict(self.headers), body)
                with cloud.cond:
                    cloud.requests.append(req)
                    cloud.cond.notify_all()
                    route = cloud.routes.get(self.path.split("?")[0])
                    reply = None
                    if route is not None:
                        replies, status, delay = route
                        reply = replies.pop(0) if len(replies) > 1 else replies[0]
                if route is None:
                    self.send_response(404)
                    self.end_headers()
                    return
                if delay:
                    threading.Event().wait(delay)
                how = Misbehave()
                if isinstance(reply, tuple):
                    how, reply = reply
                if how.reset:
                    # Linger 0: the close is a reset, as a crashed server or a proxy gives.
                    self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
                    self.connection.close()
                    self.close_connection = True
                    return
                data = reply if isinstance(reply, (bytes, str)) else json.dumps(reply)
                data = data.encode() if isinstance(data, str) else data
                self.send_response(status)
                self.send_header("Content-Type", "application/json")
                self.send_header("Content-Length", str(len(data) * how.repeat))
                for name, value in how.headers.items():
                    self.send_header(name, value)
                self.end_headers()
                try:
                    if how.drip:
                        for i in range(len(data)):
                            self.wfile.write(data[i:i + 1])
                            self.wfile.flush()
                            threading.Event().wait(how.drip)
                    else:
                        for _ in range(how.repeat):
                            self.wfile.write(data)
                except OSError:
                    self.close_connection = True  # the client gave up: as it should

            do_POST = _handle
            do_GET = _handle

        self.server = ThreadingHTTPServer(("127.0.0.1", port), Handler)
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def answer(self, path, body, status=200, delay=0):
        bodies = list(body) if isinstance(body, list) else [body]
        with self.lock:
            self.routes[path] = (bodies, status, delay)

    def requests_to(self, path):
        with self.lock:
            return [r for r in self.requests if r.path.split("?")[0] == path]

    def wait_for(self, path, count=1, timeout=15):
        with self.cond:
            ok = self.cond.wait_for(lambda: len([r for r in self.requests if r.path.split("?")[0] == path]) >= count,
                                    timeout=timeout)
        if not ok:
            raise AssertionError(f"expected {count} request(s) to {path}, got {self.requests_to(path)}")
        return self.requests_to(path)

    def close(self):
        self.server.shutdown()
        self.server.server_close()
