"""The HTTP front of the service and its limits.

Answers ``GET /url/<Base64>=`` where the Base64 argument holds the address of
a web page (bytes in code page 936), with the reply of ``reply.py``, and
``GET /health`` with the service's name and version.  Only the Host names
the service is meant to be reached by are answered (a web page in a browser
on the same machine could otherwise reach it through DNS rebinding), and no
request a browser sends for a web page (it carries Origin, Referer or
Sec-Fetch-Site); open connections, request heads and extractions are
bounded.

Every failure of a /url/ request (bad argument, refused address, unsupported
page, network error, timeout) gives the same six elements, empty; where the
reason is known an <error> element follows them.
"""

import argparse
import base64
import binascii
import codecs
import importlib.util
import ipaddress
import itertools
import os
import sys
import threading
import time
import urllib.parse
import socket
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

from . import guards
from . import lease as leasing
from . import resolver as resolving
from .reply import EMPTY_REPLY, build_reply

VERSION = "0.3.0"
HEALTH_BODY = ("quorlin-service %s" % VERSION).encode("ascii")

DEFAULT_HOST = "127.0.0.1"
DEFAULT_PORT = 8610
DEFAULT_MAX_CONNECTIONS = 64
DEFAULT_CACHE_SECONDS = 600

MAX_REQUEST_LINE = 8192       # bytes, request line including CRLF
MAX_HEAD_BYTES = 64 * 1024    # request line and headers together
HEAD_DEADLINE = 10.0          # seconds for the whole request head
WRITE_TIMEOUT = 15.0          # seconds per write of the reply
MAX_ADDRESS_BYTES = 4096      # decoded page address


# ---------------------------------------------------------------------------
# Request argument

def _user_defined(lead, trail):
    """The private-use character Windows code page 936 gives a two-byte
    code of its user-defined areas, or None."""
    if 0xAA <= lead <= 0xAF and 0xA1 <= trail <= 0xFE:
        return 0xE000 + (lead - 0xAA) * 94 + trail - 0xA1
    if 0xF8 <= lead <= 0xFE and 0xA1 <= trail <= 0xFE:
        return 0xE234 + (lead - 0xF8) * 94 + trail - 0xA1
    if 0xA1 <= lead <= 0xA7 and 0x40 <= trail <= 0xA0 and trail != 0x7F:
        return 0xE4C6 + (lead - 0xA1) * 96 + trail - 0x40 - (trail > 0x7F)
    return None


def _cp936_errors(exc):
    # Python's GBK codec leaves out what Windows code page 936 decodes: the
    # single bytes 0x80 (euro sign) and 0xFF (U+F8F5), and the user-defined
    # areas, which map to private-use characters.
    if not isinstance(exc, UnicodeDecodeError):
        raise exc
    data, i = exc.object, exc.start
    if data[i] == 0x80:
        return "\u20ac", i + 1
    if data[i] == 0xFF:
        return "\uf8f5", i + 1
    if i + 1 < len(data):
        code = _user_defined(data[i], data[i + 1])
        if code is not None:
            return chr(code), i + 2
    raise exc


codecs.register_error("quorlin-cp936", _cp936_errors)


def decode_argument(arg):
    """Base64 argument of /url/ -> bytes.

    The program appends one "=" after the normal padding, so any run of
    trailing "=" is dropped and the padding rebuilt.  "+" and "/" arrive raw;
    a percent-escaped form and the URL-safe alphabet are accepted as well.
    Raises ValueError for anything that is not Base64.
    """
    text = urllib.parse.unquote(arg).strip()
    text = text.rstrip("=").replace("-", "+").replace("_", "/")
    if len(text) % 4 == 1:
        raise ValueError("truncated Base64")
    text += "=" * (-len(text) % 4)
    try:
        return base64.b64decode(text, validate=True)
    except (binascii.Error, ValueError) as exc:
        raise ValueError("bad Base64") from exc


def decode_address(data):
    """Address bytes in code page 936 -> str, as Windows decodes them.
    Raises ValueError."""
    if len(data) > MAX_ADDRESS_BYTES:
        raise ValueError("address too long")
    try:
        return data.decode("gbk", errors="quorlin-cp936")
    except UnicodeDecodeError as exc:
        raise ValueError("address is not GBK") from exc


# ---------------------------------------------------------------------------
# Host names

LOOPBACK_NAMES = ("127.0.0.1", "localhost", "[::1]")


def is_loopback(host):
    if host.lower() == "localhost":
        return True
    try:
        return ipaddress.ip_address(host.strip("[]")).is_loopback
    except ValueError:
        return False


def _is_unspecified(host):
    try:
        return ipaddress.ip_address(host.strip("[]")).is_unspecified
    except ValueError:
        return False


def _host_entry(name, port):
    """The Host header values one allowed name stands for."""
    name = name.strip().lower()
    if name.startswith("["):
        has_port = "]:" in name
    else:
        try:
            ipaddress.IPv6Address(name)
            name = "[%s]" % name
            has_port = False
        except ValueError:
            has_port = ":" in name
    if has_port:
        return {name}
    values = {"%s:%d" % (name, port)}
    if port == 80:
        values.add(name)  # a client leaves the default port out
    return values


def allowed_host_values(listen_host, port, allowed=()):
    """Host header values to answer: the loopback names when listening on
    loopback, else the given names or the listen address; names given with
    --allowed-host are added in both cases, and so is the listen address
    itself unless it is the any-address (a literal address cannot be
    re-pointed by DNS rebinding)."""
    names = list(allowed)
    if is_loopback(listen_host):
        names += LOOPBACK_NAMES
    elif not names:
        names = [listen_host]
    if not _is_unspecified(listen_host):
        names.append(listen_host)
    values = set()
    for name in names:
        values |= _host_entry(name, port)
    return frozenset(values)


# ---------------------------------------------------------------------------
# HTTP

START_PAGE = """<!DOCTYPE html>
<html lang="zh-CN"><head><meta charset="utf-8"><title>Quorlin</title></head>
<body>
<h1>Quorlin 链接解析服务</h1>
<p>这是 Quorlin 的视频链接解析服务。Quorlin link-resolution service.</p>
<p><code>GET /url/&lt;Base64&gt;=</code></p>
</body></html>
""".encode("utf-8")

BUSY_RESPONSE = (b"HTTP/1.0 503 Service Unavailable\r\nContent-Length: 0\r\n"
                 b"Retry-After: 1\r\nConnection: close\r\n\r\n")

# Control characters in log lines are written as \xNN (and "\" as "\\"), as
# the standard handler writes them, so a request cannot forge log lines.
_LOG_ESCAPES = str.maketrans(
    {c: r"\x%02x" % c for c in itertools.chain(range(0x20), range(0x7F, 0xA0))})
_LOG_ESCAPES[ord("\\")] = r"\\"


def log_safe(text):
    return text.translate(_LOG_ESCAPES)


class HeadTimeout(Exception):
    pass


class HeadTooLarge(Exception):
    pass


class _HeadReader:
    """Reads a request head from the connection with a deadline for the
    whole head and a bound on its size.

    A per-read time-out alone lets a client send one byte just before each
    time-out for ever; here every receive waits only for the time left.
    """

    def __init__(self, sock, deadline, limit):
        self._sock = sock
        self._end = time.monotonic() + deadline
        self._limit = limit
        self._buffer = b""
        self._received = 0
        self._eof = False

    def readline(self, limit=-1):
        while True:
            cut = self._buffer.find(b"\n") + 1
            if not cut and 0 <= limit <= len(self._buffer):
                cut = limit
            if not cut and self._eof:
                cut = len(self._buffer)
            if cut:
                if 0 <= limit < cut:
                    cut = limit
                line, self._buffer = self._buffer[:cut], self._buffer[cut:]
                return line
            self._receive()

    def _receive(self):
        left = self._end - time.monotonic()
        if left <= 0:
            raise HeadTimeout()
        self._sock.settimeout(left)
        try:
            data = self._sock.recv(4096)
        except (socket.timeout, TimeoutError) as exc:  # not one class before 3.10
            raise HeadTimeout() from exc
        if not data:
            self._eof = True
            return
        self._received += len(data)
        if self._received > self._limit:
            raise HeadTooLarge()
        self._buffer += data

    def close(self):
        pass


def _short(text, limit=80):
    return text if len(text) <= limit else text[:limit - 3] + "..."


# Headers a browser adds to the requests a web page makes it send (an
# <img>, a form, a fetch); the program's own request carries none of them.
# A typed address ("Sec-Fetch-Site: none") is the user's own request.
def from_web_page(headers):
    if headers.get("Origin") is not None or headers.get("Referer") is not None:
        return True
    sites = headers.get_all("Sec-Fetch-Site") or []
    return any(site.strip().lower() != "none" for site in sites)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    server_version = "QuorlinService/" + VERSION
    sys_version = ""

    def setup(self):
        super().setup()
        self.rfile = _HeadReader(self.connection, self.server.head_deadline, MAX_HEAD_BYTES)

    def handle_one_request(self):
        try:
            self._read_and_answer()
        except HeadTimeout:
            self.log_error("request head not complete within %gs", self.server.head_deadline)
            self.close_connection = True
        except HeadTooLarge:
            self.requestline = self.request_version = self.command = ""
            self.close_connection = True
            try:
                self.send_error(431, "request head larger than %d bytes" % MAX_HEAD_BYTES)
            except OSError:
                pass
        except (socket.timeout, TimeoutError) as exc:  # a reply the client does not take
            self.log_error("request timed out: %r", exc)
            self.close_connection = True

    def _read_and_answer(self):
        self.raw_requestline = self.rfile.readline(MAX_REQUEST_LINE + 1)
        if len(self.raw_requestline) > MAX_REQUEST_LINE:
            self.requestline = ""
            self.request_version = ""
            self.command = ""
            self.send_error(414)
            return
        if not self.raw_requestline:
            self.close_connection = True
            return
        if not self.parse_request():
            return
        self.connection.settimeout(WRITE_TIMEOUT)
        method = getattr(self, "do_" + self.command, None)
        if method is None:
            self.send_error(501)
            return
        method()
        self.wfile.flush()

    def log_request(self, code="-", size="-"):
        pass  # do_GET writes its own line

    def log_message(self, format, *args):
        sys.stderr.write("%s %s\n" % (self.address_string(),
                                      log_safe(_short(format % args, 160))))

    def _send(self, code, body, ctype=None):
        self.send_response(code)
        if ctype:
            self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def _host_allowed(self):
        hosts = self.headers.get_all("Host") or []
        return len(hosts) == 1 and hosts[0].strip().lower() in self.server.allowed_hosts

    def do_GET(self):
        started = time.monotonic()
        path = self.path.split("?", 1)[0].split("#", 1)[0]
        if not self._host_allowed():
            outcome = "403 host %s" % _short(repr(self.headers.get("Host")), 60)
            self._send(403, b"")
        elif from_web_page(self.headers):
            outcome = "403 from a web page (Origin %s, Referer %s, Sec-Fetch-Site %s)" % tuple(
                _short(repr(self.headers.get(h)), 40)
                for h in ("Origin", "Referer", "Sec-Fetch-Site"))
            self._send(403, b"")
        else:
            outcome = self._route(path)
        sys.stderr.write("%s GET %s -> %s %.2fs%s\n" % (
            self.address_string(), log_safe(_short(self.path)), log_safe(outcome),
            time.monotonic() - started, self._proxied_for()))

    def _route(self, path):
        """Answer an admitted request; returns the outcome for the log."""
        if path.startswith("/url/"):
            body, outcome = self._resolve(path[len("/url/"):])
            self._send(200, body, "text/xml; charset=utf-8")
        elif path == "/health":
            outcome = "health"
            self._send(200, HEALTH_BODY, "text/plain; charset=us-ascii")
        elif path == "/lease":
            outcome = self._lease()
        elif path in ("/", "/index.html"):
            outcome = "start page"
            self._send(200, START_PAGE, "text/html; charset=utf-8")
        else:
            outcome = "404"
            self._send(404, b"not found\n", "text/plain; charset=utf-8")
        return outcome

    def _proxied_for(self):
        # Behind a reverse proxy on this machine, the client it saw.
        forwarded = self.headers.get("X-Real-IP")
        if forwarded and is_loopback(self.client_address[0]):
            return " for %s" % log_safe(_short(forwarded, 60))
        return ""

    def _lease(self):
        """Holds the connection until the client closes it or the service
        stops; only then is it answered."""
        started = time.monotonic()
        def answer():
            try:
                self._send(200, b"quorlin-service stopping\n", "text/plain; charset=utf-8")
                self.wfile.flush()
            except OSError:
                pass

        if self.server.leases.hold(self.connection, answer):
            return "lease answered: stopping"
        self.close_connection = True
        return "lease closed after %.1fs" % (time.monotonic() - started)

    def _resolve(self, arg):
        try:
            address = resolving.to_uri(resolving.check_address(
                decode_address(decode_argument(arg))))
        except ValueError as exc:
            return EMPTY_REPLY, "empty: %s" % exc
        try:
            resolving.check_destination(address)
            fields, outcome = self.server.resolver.resolve(address)
        except ValueError as exc:
            fields, outcome = None, str(exc)
        except Exception as exc:  # never let one request take the service down
            return EMPTY_REPLY, "empty: %s" % resolving.short_error(exc)
        if fields is None:
            return (build_reply(None, resolving.failure_reason(outcome)),
                    "empty: %s" % outcome)
        return build_reply(fields), outcome


class Server(ThreadingHTTPServer):
    """One thread per connection, at most max_connections of them; a
    connection past that (or one whose thread cannot start) is answered 503
    and closed at once."""

    daemon_threads = True
    # On Windows address reuse lets a second service bind the same port;
    # there the port is taken exclusively instead (server_bind).
    allow_reuse_address = os.name != "nt"
    request_queue_size = 128

    def __init__(self, address, resolver, max_connections=DEFAULT_MAX_CONNECTIONS,
                 allowed_hosts=(), start=resolving.start_thread, head_deadline=HEAD_DEADLINE,
                 leases=None):
        self.resolver = resolver
        self.head_deadline = head_deadline
        self.leases = leases or leasing.Leases()
        self.max_connections = max_connections
        self.start = start
        self.open_connections = 0
        self._count_lock = threading.Lock()
        if ":" in address[0]:
            self.address_family = socket.AF_INET6
        super().__init__(address, Handler)
        self.allowed_hosts = allowed_host_values(address[0], self.server_address[1],
                                                 allowed_hosts)

    def server_bind(self):
        if os.name == "nt" and hasattr(socket, "SO_EXCLUSIVEADDRUSE"):
            self.socket.setsockopt(socket.SOL_SOCKET, socket.SO_EXCLUSIVEADDRUSE, 1)
        super().server_bind()

    def process_request(self, request, client_address):
        with self._count_lock:
            admitted = self.open_connections < self.max_connections
            if admitted:
                self.open_connections += 1
        if not admitted:
            self._refuse(request)
            return
        try:
            self.start(lambda: self._serve(request, client_address), "connection")
        except BaseException:
            self._leave()
            self._refuse(request)

    def _serve(self, request, client_address):
        try:
            self.process_request_thread(request, client_address)
        finally:
            self._leave()

    def _leave(self):
        with self._count_lock:
            self.open_connections -= 1

    def _refuse(self, request):
        try:
            request.setblocking(False)
            try:
                request.recv(65536)  # what already arrived, so the close is not a reset
            except OSError:
                pass
            request.send(BUSY_RESPONSE)
        except OSError:
            pass
        self.shutdown_request(request)


def make_server(host=DEFAULT_HOST, port=DEFAULT_PORT, resolver=None, **options):
    return Server((host, port), resolver or resolving.Resolver(), **options)


def main(argv=None):
    p = argparse.ArgumentParser(description="Quorlin link-resolution service")
    p.add_argument("--host", default=DEFAULT_HOST,
                   help="address to listen on (default %(default)s)")
    p.add_argument("--port", type=int, default=DEFAULT_PORT,
                   help="port to listen on (default %(default)s, 0 = any free port)")
    p.add_argument("--timeout", type=float, default=25.0,
                   help="seconds a request may take at most (default %(default)s)")
    p.add_argument("--socket-timeout", type=float, default=10.0,
                   help="network timeout of yt-dlp, seconds (default %(default)s)")
    p.add_argument("--max-concurrent", type=int, default=4,
                   help="extractions running at the same time (default %(default)s)")
    p.add_argument("--max-connections", type=int, default=DEFAULT_MAX_CONNECTIONS,
                   help="open connections at the same time; more get 503 "
                        "(default %(default)s)")
    p.add_argument("--allowed-host", action="append", default=[], metavar="NAME[:PORT]",
                   help="a Host name the service answers (repeatable); without it "
                        "the loopback names on loopback, else the listen address")
    p.add_argument("--allow-private", action="store_true",
                   help="when listening beyond loopback, still fetch pages and "
                        "redirects on loopback, private and link-local addresses")
    p.add_argument("--exposed", action="store_true",
                   help="guard as if listening beyond loopback (behind a reverse proxy "
                        "on this machine that serves other machines)")
    p.add_argument("--cache-seconds", type=float, default=DEFAULT_CACHE_SECONDS,
                   help="seconds the fields of a resolved page are kept (default "
                        "%(default)s, 0 = no cache)")
    p.add_argument("--log", metavar="FILE",
                   help="append the messages and request lines to FILE instead of stderr")
    p.add_argument("--log-file", metavar="FILE",
                   help="like --log, but FILE is renamed to FILE.1 when it passes 1 MiB "
                        "(its folder is made when missing)")
    p.add_argument("--exit-with-last-lease", type=float, nargs="?", const=leasing.DEFAULT_GRACE,
                   metavar="SECONDS",
                   help="stop SECONDS (default %s) after the last GET /lease connection "
                        "closed, or when none arrives in the first %d s"
                        % (leasing.DEFAULT_GRACE, leasing.DEFAULT_FIRST_WAIT))
    args = p.parse_args(argv)
    if args.log_file:
        try:
            sys.stderr = leasing.RotatingLog(args.log_file)
        except OSError as exc:
            if sys.stderr is None:
                return 1
            sys.stderr.write("cannot open the log %s: %s\n" % (args.log_file, exc))
    elif args.log:
        sys.stderr = open(args.log, "a", encoding="utf-8", errors="backslashreplace",
                          buffering=1)
    elif sys.stderr is None:
        # pythonw.exe starts the service without any standard streams.
        sys.stderr = open(os.devnull, "w")
    if (args.max_concurrent < 1 or args.max_connections < 1 or args.timeout <= 0
            or args.socket_timeout <= 0 or args.cache_seconds < 0):
        p.error("--timeout, --socket-timeout, --max-concurrent and --max-connections "
                "must be positive, --cache-seconds not negative")
    exposed = args.exposed or not is_loopback(args.host)
    resolver = resolving.Resolver(deadline=args.timeout, socket_timeout=args.socket_timeout,
                                  max_concurrent=args.max_concurrent,
                                  head_timeout=min(5.0, args.socket_timeout),
                                  cache_seconds=args.cache_seconds, strict_handlers=exposed)
    if args.exit_with_last_lease is not None and args.exit_with_last_lease < 0:
        p.error("--exit-with-last-lease must not be negative")
    leases = leasing.Leases(exit_after=args.exit_with_last_lease,
                            stop=lambda: server.shutdown())
    try:
        server = make_server(args.host, args.port, resolver, max_connections=args.max_connections,
                             allowed_hosts=args.allowed_host, leases=leases)
    except OSError as exc:
        # Another service (or another program) holds the port: one clear
        # line, the one a program starting the service shows its user.
        sys.stderr.write("cannot listen on %s:%d: %s\n" % (args.host, args.port, exc))
        sys.stderr.flush()
        return 1
    host, port = server.server_address[:2]
    handlers = None
    if importlib.util.find_spec("yt_dlp") is None:
        sys.stderr.write("warning: yt_dlp cannot be imported by %s; every request "
                         "will get an empty reply\n" % sys.executable)
    else:
        try:
            handlers = resolver.prepare()
        except guards.HandlerRestrictionError as exc:
            # Its other handlers would fetch past the destination guard and
            # the page bound, for anyone who can reach the service.
            sys.stderr.write("error: the service is reachable from other machines, but %s; "
                             "install a yt-dlp release whose request handlers can be "
                             "restricted, or listen on loopback only\n" % exc)
            server.server_close()
            return 2
    if exposed:
        sys.stderr.write("warning: %s; answering Host %s\n" % (
            "listening on %s, not only on loopback" % args.host if not is_loopback(args.host)
            else "--exposed", ", ".join(sorted(server.allowed_hosts))))
        if not args.allowed_host and _is_unspecified(args.host):
            sys.stderr.write("warning: no client names %s; give the names the service is "
                             "reached by with --allowed-host\n" % args.host)
        if args.allow_private:
            sys.stderr.write("warning: --allow-private: pages on private addresses "
                             "are fetched for anyone who can reach the service\n")
        else:
            guards.install_destination_guard()
    shown = "[%s]" % host if ":" in host else host
    sys.stderr.write("Quorlin service listening on http://%s:%d/\n" % (shown, port))
    if handlers:
        sys.stderr.write("%s\n" % handlers)
    sys.stderr.flush()
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        leases.stop()
        server.server_close()
        if args.exit_with_last_lease is not None:
            sys.stderr.write("Quorlin service stopped: no program holds a lease\n")
            sys.stderr.flush()
    return 0
