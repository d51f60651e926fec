"""The guards on what the extractor fetches: patches of the standard library.

yt-dlp is a library of its own that opens connections and reads bodies
wherever its extractors want; the service bounds it at the layers every such
fetch goes through.  Each guard below says what it patches, why, and how a
test turns it off:

destination guard   socket.getaddrinfo: refuses every connection to an
                    address that is not global (loopback, private,
                    link-local, site-local, and IPv6 forms that embed such an
                    IPv4 address).  Installed only when the service is
                    reachable from other machines.
                    install_destination_guard(None) removes it.
page bound          http.client.HTTPResponse.begin: every response body is
                    cut off at MAX_PAGE_BYTES as it arrives, and a compressed
                    body is decoded here, in steps, with the same bound on
                    its decoded size (the header is then removed, so the
                    extractor never decompresses a whole body in memory).
                    install_page_limit(False) removes it.
extraction deadline socket.socket.connect, socket.socket.recv_into and
                    ssl.SSLSocket.recv_into: in a thread that runs under
                    extraction_deadline(end), every connect and every read
                    waits no longer than the time left and fails past it, so
                    a page that sends one byte every few seconds cannot hold
                    an extraction's slot.  Other threads are not affected.
                    install_deadline_guard(False) removes it.
request handlers    yt-dlp releases that choose among several request
                    handlers are held to the ones that go through Python's
                    sockets and http.client (the other guards' layers);
                    guarded_youtubedl() builds that class.
"""

import http.client
import ipaddress
import socket
import ssl
import threading
import time
import urllib.parse
import zlib

MAX_PAGE_BYTES = 8 * 1024 * 1024  # body bytes read per response, and decoded


# ---------------------------------------------------------------------------
# Destinations

_NAT64 = ipaddress.ip_network("64:ff9b::/96")


def embedded_ipv4(addr):
    """The IPv4 addresses an IPv6 address stands for: IPv4-mapped,
    IPv4-compatible, IPv4-translated, NAT64, 6to4 and Teredo forms."""
    value = int(addr)
    found = []
    if addr.ipv4_mapped:
        found.append(addr.ipv4_mapped)
    if value >> 32 == 0 and value > 1:                 # ::a.b.c.d
        found.append(ipaddress.IPv4Address(value))
    if value >> 32 == 0xFFFF0000:                      # ::ffff:0:a.b.c.d
        found.append(ipaddress.IPv4Address(value & 0xFFFFFFFF))
    if addr in _NAT64:
        found.append(ipaddress.IPv4Address(value & 0xFFFFFFFF))
    if addr.sixtofour:
        found.append(addr.sixtofour)
    if addr.teredo:
        found.extend(addr.teredo)                      # server and client
    return found


def is_global_address(ip):
    """Is ip (text) a global unicast address, one a stranger may have the
    service fetch?  Loopback, private, link-local (169.254.169.254 among
    them), shared, reserved, multicast and site-local addresses are not, nor
    an IPv6 address that embeds an IPv4 address which is not."""
    try:
        addr = ipaddress.ip_address(ip.split("%", 1)[0])
    except ValueError:
        return False
    if isinstance(addr, ipaddress.IPv6Address):
        if addr.is_site_local or addr.is_multicast:
            return False
        inner = embedded_ipv4(addr)
        if inner:
            # Python counts several of these forms as global whatever they
            # embed; the embedded address is where the packets end up.
            return all(a.is_global and not a.is_multicast for a in inner)
    return addr.is_global and not addr.is_multicast


class PrivateDestinationError(OSError):
    pass


_real_getaddrinfo = socket.getaddrinfo
_guard_lock = threading.Lock()
_guard_allowed = None  # predicate on an address text, or None when off
_resolve = _real_getaddrinfo


def _guarded_getaddrinfo(host, port, *args, **kwargs):
    allowed = _guard_allowed
    results = _resolve(host, port, *args, **kwargs)
    if allowed is not None:
        for result in results:
            if not allowed(result[4][0]):
                raise PrivateDestinationError(
                    "%s resolves to %s, which is not a global address" % (host, result[4][0]))
    return results


def install_destination_guard(allowed=is_global_address, resolve=None):
    """Refuse every outgoing connection of this process to an address that
    allowed() rejects.

    The check sits in name resolution, which every connection of yt-dlp and
    of the size probe goes through (literal addresses included), so it holds
    for the page, for every redirect and for every later request, and the
    address checked is the address connected to.  allowed=None removes it.
    resolve replaces the system's resolver under the guard (tests).
    """
    global _guard_allowed, _resolve
    with _guard_lock:
        _guard_allowed = allowed
        _resolve = resolve or _real_getaddrinfo
        socket.getaddrinfo = _guarded_getaddrinfo if allowed is not None else _real_getaddrinfo


def destination_guard_on():
    return _guard_allowed is not None


def check_destination(address):
    """Raise ValueError when the destination guard is on and the page's host
    resolves to an address it refuses (or does not resolve)."""
    if _guard_allowed is None:
        return
    parts = urllib.parse.urlsplit(address)
    try:
        socket.getaddrinfo(parts.hostname, parts.port or 80, 0, socket.SOCK_STREAM)
    except PrivateDestinationError as exc:
        raise ValueError("private destination") from exc
    except OSError as exc:
        raise ValueError("host does not resolve") from exc


# ---------------------------------------------------------------------------
# Extraction deadline

class ExtractionDeadlineError(OSError):
    pass


_deadline = threading.local()


class extraction_deadline:
    """Context: the network reads and connects of this thread end by `end`
    (a time.monotonic() value)."""

    def __init__(self, end):
        self.end = end

    def __enter__(self):
        self.before = getattr(_deadline, "end", None)
        _deadline.end = self.end
        return self

    def __exit__(self, *exc):
        _deadline.end = self.before


def _time_left(sock):
    """Limit sock's time-out to the time this thread has left; raise past
    its deadline.  No deadline, no change."""
    end = getattr(_deadline, "end", None)
    if end is None:
        return
    left = end - time.monotonic()
    if left <= 0:
        raise ExtractionDeadlineError("the extraction's deadline has passed")
    current = sock.gettimeout()
    if current is None or current > left:
        sock.settimeout(left)


_real_connect = socket.socket.connect
_real_recv_into = socket.socket.recv_into
_real_ssl_recv_into = ssl.SSLSocket.recv_into


def _deadline_connect(self, address):
    _time_left(self)
    return _real_connect(self, address)


def _deadline_recv_into(self, buffer, nbytes=0, flags=0):
    _time_left(self)
    return _real_recv_into(self, buffer, nbytes, flags)


def _deadline_ssl_recv_into(self, buffer, nbytes=None, flags=0):
    _time_left(self)
    return _real_ssl_recv_into(self, buffer, nbytes, flags)


def install_deadline_guard(on=True):
    socket.socket.connect = _deadline_connect if on else _real_connect
    socket.socket.recv_into = _deadline_recv_into if on else _real_recv_into
    ssl.SSLSocket.recv_into = _deadline_ssl_recv_into if on else _real_ssl_recv_into


# ---------------------------------------------------------------------------
# Page bound

class PageTooLargeError(OSError):
    pass


class _BoundedBody:
    """The body stream of one HTTP response, failing once more than limit
    bytes have been read from it."""

    def __init__(self, fp, limit):
        self._fp = fp
        self._left = limit

    def _count(self, n):
        self._left -= n
        if self._left < 0:
            raise PageTooLargeError("response body larger than %d bytes" % MAX_PAGE_BYTES)

    def _cap(self, amt):
        # Never ask for much more than the budget, so an endless body costs
        # one bounded read, not an unbounded one.
        room = max(self._left, 0) + 1
        return room if amt is None or amt < 0 or amt > room else amt

    def read(self, amt=None):
        if amt is None or amt < 0:
            chunks = []
            while True:
                data = self._fp.read(min(self._cap(None), 65536))
                if not data:
                    return b"".join(chunks)
                self._count(len(data))
                chunks.append(data)
        data = self._fp.read(self._cap(amt))
        self._count(len(data))
        return data

    def read1(self, amt=-1):
        data = self._fp.read1(self._cap(amt if amt and amt > 0 else 65536))
        self._count(len(data))
        return data

    def readinto(self, buffer):
        view = memoryview(buffer)
        n = self._fp.readinto(view[:self._cap(len(view))])
        self._count(n or 0)
        return n

    def readline(self, limit=-1):
        data = self._fp.readline(self._cap(limit))
        self._count(len(data))
        return data

    def peek(self, n=0):
        return self._fp.peek(n)

    def __getattr__(self, name):
        return getattr(self._fp, name)


class _StepDecoder:
    """One content coding, decoded a step at a time with a bound on the
    output, so a small body that expands without end costs one step."""

    def __init__(self, coding):
        self.coding = coding
        self.obj = None
        self.pending = b""
        if coding in ("gzip", "x-gzip"):
            self.obj = zlib.decompressobj(16 + zlib.MAX_WBITS)

    def _start(self, data):
        if self.obj is None:
            # "deflate" is zlib data by the standard, raw deflate in practice.
            self.pending += data
            if len(self.pending) < 2:
                return b""
            data, self.pending = self.pending, b""
            wrapped = data[0] & 0x0F == 8 and (data[0] << 8 | data[1]) % 31 == 0
            self.obj = zlib.decompressobj(zlib.MAX_WBITS if wrapped else -zlib.MAX_WBITS)
        return data

    def feed(self, data, budget):
        """Decoded bytes of data; raise once they pass budget."""
        data = self._start(data)
        out = []
        total = 0
        while data:
            if self.obj.eof:
                # A second gzip member follows, or junk (ignored, as
                # browsers do).
                rest = self.obj.unused_data + data
                if self.coding == "deflate" or not rest.startswith(b"\x1f\x8b"):
                    break
                self.obj = zlib.decompressobj(16 + zlib.MAX_WBITS)
                data = rest
            piece = self.obj.decompress(data, 65536)
            data = self.obj.unconsumed_tail
            total += len(piece)
            if total > budget:
                raise PageTooLargeError("decoded response body larger than %d bytes"
                                        % MAX_PAGE_BYTES)
            out.append(piece)
            if not piece and not data:
                break
        return b"".join(out)

    def flush(self):
        return self.obj.flush() if self.obj is not None else b""


_DECODABLE = {"gzip", "x-gzip", "deflate"}
_IDENTITY = {"", "identity"}


class _DecodedResponse(http.client.HTTPResponse):
    """A response whose compressed body is decoded here, bounded; its
    Content-Encoding and Content-Length headers are gone, so nobody above
    decodes it again or counts it against the compressed length."""

    def _q_setup(self, codings):
        self._q_decoders = [_StepDecoder(c) for c in reversed(codings)]
        self._q_buffer = bytearray()
        self._q_left = MAX_PAGE_BYTES
        self._q_done = False

    def _q_fill(self, want):
        raw = bytearray(65536)
        while not self._q_done and (want is None or len(self._q_buffer) < want):
            n = http.client.HTTPResponse.readinto(self, raw)
            data = bytes(raw[:n])
            for decoder in self._q_decoders:
                data = decoder.feed(data, self._q_left) if n else data + decoder.flush()
            self._q_left -= len(data)
            if self._q_left < 0:
                raise PageTooLargeError("decoded response body larger than %d bytes"
                                        % MAX_PAGE_BYTES)
            self._q_buffer += data
            if not n:
                self._q_done = True

    def _q_take(self, n):
        if n is None or n < 0 or n > len(self._q_buffer):
            n = len(self._q_buffer)
        data = bytes(self._q_buffer[:n])
        del self._q_buffer[:n]
        return data

    def read(self, amt=None):
        if amt is not None and amt >= 0:
            self._q_fill(amt)
            return self._q_take(amt)
        self._q_fill(None)
        return self._q_take(None)

    def read1(self, n=-1):
        self._q_fill(1)
        return self._q_take(n if n and n > 0 else None)

    def readinto(self, buffer):
        view = memoryview(buffer).cast("B")
        data = self.read(len(view))
        view[:len(data)] = data
        return len(data)

    def peek(self, n=-1):
        self._q_fill(1)
        return bytes(self._q_buffer)

    def readline(self, limit=-1):
        while b"\n" not in self._q_buffer and not self._q_done \
                and (limit is None or limit < 0 or len(self._q_buffer) < limit):
            self._q_fill(len(self._q_buffer) + 1)
        end = self._q_buffer.find(b"\n") + 1 or len(self._q_buffer)
        if limit is not None and limit >= 0:
            end = min(end, limit)
        return self._q_take(end)


_real_begin = http.client.HTTPResponse.begin


def _bounded_begin(self):
    _real_begin(self)
    if self.fp is not None and not isinstance(self.fp, _BoundedBody):
        self.fp = _BoundedBody(self.fp, MAX_PAGE_BYTES)
    codings = [c.strip().lower() for c in ",".join(self.msg.get_all("Content-Encoding") or [])
               .split(",")]
    codings = [c for c in codings if c not in _IDENTITY]
    if not codings or self._method == "HEAD":
        return
    unknown = [c for c in codings if c not in _DECODABLE]
    if unknown:
        # yt-dlp would decode some of these (brotli, zstd) whole in memory;
        # the request asked for gzip and deflate only.
        self.close()
        raise PageTooLargeError("response in a content coding not decoded with a bound: %s"
                                % ", ".join(unknown))
    del self.msg["Content-Encoding"]
    del self.msg["Content-Length"]
    self.__class__ = _DecodedResponse
    self._q_setup(codings)


def install_page_limit(on=True):
    """Bound the body of every HTTP response this process reads (yt-dlp's
    pages, its API answers and manifests) to MAX_PAGE_BYTES, decoded or not."""
    http.client.HTTPResponse.begin = _bounded_begin if on else _real_begin


# The codings the extractor may ask for: the ones the page bound decodes.
ACCEPT_ENCODING = "gzip, deflate"


# ---------------------------------------------------------------------------
# Request handlers of yt-dlp

# Handlers whose connections go through socket.getaddrinfo and whose bodies
# are read through http.client, where the guards above sit.  Others (the
# libcurl-based one among them) resolve names and read bodies in C.
PYTHON_HANDLERS = ("Urllib", "Requests")


class HandlerRestrictionError(RuntimeError):
    pass


def guarded_youtubedl(yt_dlp, strict=True):
    """(YoutubeDL class to use, description of its request handlers) for the
    imported yt_dlp module.

    Releases with a request director build it through
    YoutubeDL.build_request_director(handlers, preferences); the class
    returned passes it only the handlers of PYTHON_HANDLERS.  Releases before
    the director fetch through urllib only.  A release that has a director
    this does not know how to restrict raises HandlerRestrictionError when
    strict, else it is used as it is (and the description says so).
    """
    base = yt_dlp.YoutubeDL
    if hasattr(base, "build_request_director"):
        class GuardedYoutubeDL(base):
            def build_request_director(self, handlers, preferences=None):
                kept = [h for h in handlers if getattr(h, "RH_KEY", None) in PYTHON_HANDLERS]
                return super().build_request_director(kept, preferences)

        return GuardedYoutubeDL, "restricted to %s" % ", ".join(PYTHON_HANDLERS)
    networking = getattr(yt_dlp, "networking", None)
    if networking is None:
        try:
            import importlib.util
            networking = importlib.util.find_spec(yt_dlp.__name__ + ".networking")
        except (ImportError, ValueError):
            networking = None
    if networking is not None:
        why = "this yt-dlp has request handlers but no build_request_director to restrict them"
        if strict:
            raise HandlerRestrictionError(why)
        return base, "NOT restricted: " + why
    return base, "urllib (the only one this yt-dlp has)"


def handlers_in_use(ydl):
    """The keys of the request handlers a YoutubeDL object holds."""
    director = getattr(ydl, "_request_director", None)
    handlers = getattr(director, "handlers", None)
    if handlers is None:
        return ["Urllib"]
    return sorted(handlers)
