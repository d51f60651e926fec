"""Resolution of a page address over yt-dlp, with its bounds.

Which page addresses reach the extractor, the destinations it may connect to
when the service is exposed, how much it reads per page, how the six raw
fields are taken from its result, and how many extractions run at once.
"""

import http.client
import ipaddress
import re
import socket
import threading
import time
import urllib.error
import urllib.parse
import urllib.request

from .reply import SCHEMES, format_duration

MAX_PAGE_BYTES = 8 * 1024 * 1024  # body bytes read per response


# ---------------------------------------------------------------------------
# Page addresses

_HOST_RE = re.compile(r"^[A-Za-z0-9.\-_~\u0080-\U0010ffff]+$")


def check_address(address):
    """Return the page address to resolve, or raise ValueError.

    Only absolute http and https addresses with a host are accepted, so
    nothing reaches yt-dlp that it could read as a search ("ytsearch10:"),
    a pseudo-scheme of an extractor, a local path or a file:/data:/ftp:
    address.
    """
    address = address.strip()
    if not address:
        raise ValueError("empty address")
    if any(ord(c) < 0x20 or ord(c) == 0x7F or c.isspace() for c in address):
        raise ValueError("control or space character in address")
    if "\\" in address:
        raise ValueError("backslash in address")
    try:
        parts = urllib.parse.urlsplit(address)
        host = parts.hostname
        parts.port  # raises ValueError for a bad port
    except ValueError as exc:
        raise ValueError("unparsable address") from exc
    if parts.scheme.lower() not in SCHEMES:
        raise ValueError("scheme not allowed")
    if not address.lower().startswith(parts.scheme.lower() + "://"):
        raise ValueError("not an absolute address")
    if not host:
        raise ValueError("no host")
    if host.startswith("[") or ":" in host:
        try:
            ipaddress.IPv6Address(host.strip("[]"))
        except ValueError as exc:
            raise ValueError("bad host") from exc
    elif not _HOST_RE.match(host):
        raise ValueError("bad host")
    return address


def to_uri(address):
    """An accepted page address in plain ASCII form.

    Non-ASCII host names become IDNA, other non-ASCII characters and spaces
    are percent-encoded as UTF-8; existing escapes stay.  yt-dlp sends the
    escaped form anyway and, given the raw form, takes the difference for a
    redirect and loads the page a second time.  Raises ValueError.
    """
    parts = urllib.parse.urlsplit(address)
    netloc = parts.netloc
    host = parts.hostname or ""
    if not host.isascii():
        try:
            ascii_host = host.encode("idna").decode("ascii")
        except UnicodeError as exc:
            raise ValueError("bad host name") from exc
        userinfo, _, hostport = netloc.rpartition("@")
        hostport = hostport.lower().replace(host, ascii_host, 1)
        netloc = userinfo + "@" + hostport if userinfo else hostport
    safe = "!#$%&'()*+,/:;=?@[]~"
    return urllib.parse.urlunsplit((
        parts.scheme.lower(), netloc,
        urllib.parse.quote(parts.path, safe=safe),
        urllib.parse.quote(parts.query, safe=safe),
        urllib.parse.quote(parts.fragment, safe=safe)))


# ---------------------------------------------------------------------------
# Destinations

def is_global_address(ip):
    """Is ip (text) a global unicast address, one a stranger may have the
    service fetch?  Loopback, private, link-local (169.254.169.254 among
    them), shared, reserved and multicast addresses are not."""
    try:
        addr = ipaddress.ip_address(ip.split("%", 1)[0])
    except ValueError:
        return False
    if isinstance(addr, ipaddress.IPv6Address) and addr.ipv4_mapped:
        addr = addr.ipv4_mapped
    return addr.is_global and not addr.is_multicast


class PrivateDestinationError(OSError):
    pass


_real_getaddrinfo = socket.getaddrinfo
_guard_lock = threading.Lock()
_guard_allowed = None  # predicate on an address text, or None when off


def _guarded_getaddrinfo(host, port, *args, **kwargs):
    allowed = _guard_allowed
    results = _real_getaddrinfo(host, port, *args, **kwargs)
    if allowed is not None:
        for result in results:
            if not allowed(result[4][0]):
                raise PrivateDestinationError(
                    "%s resolves to %s, which is not a global address" % (host, result[4][0]))
    return results


def install_destination_guard(allowed=is_global_address):
    """Refuse every outgoing connection of this process to an address that
    allowed() rejects.

    The check sits in name resolution, which every connection of yt-dlp and
    of the size probe goes through (literal addresses included), so it holds
    for the page, for every redirect and for every later request, and the
    address checked is the address connected to.  allowed=None removes it.
    """
    global _guard_allowed
    with _guard_lock:
        _guard_allowed = allowed
        socket.getaddrinfo = _guarded_getaddrinfo if allowed is not None else _real_getaddrinfo


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
# Bounded page reads

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


_real_begin = http.client.HTTPResponse.begin


def _bounded_begin(self):
    _real_begin(self)
    if self.fp is not None and not isinstance(self.fp, _BoundedBody):
        self.fp = _BoundedBody(self.fp, MAX_PAGE_BYTES)


def install_page_limit(on=True):
    """Bound the body of every HTTP response this process reads (yt-dlp's
    pages, its API answers and manifests) to MAX_PAGE_BYTES."""
    http.client.HTTPResponse.begin = _bounded_begin if on else _real_begin


# ---------------------------------------------------------------------------
# Fields of an extraction result

class _NoRedirectToOtherSchemes(urllib.request.HTTPRedirectHandler):
    """Follows redirects of a HEAD request as HEAD, to http(s) only.

    urllib turns a redirected HEAD into a GET, which would fetch the whole
    media file just to learn its size.
    """

    def redirect_request(self, req, fp, code, msg, headers, newurl):
        if urllib.parse.urlsplit(newurl).scheme.lower() not in SCHEMES:
            return None
        new = super().redirect_request(req, fp, code, msg, headers, newurl)
        if new is not None and req.get_method() == "HEAD":
            new.method = "HEAD"
        return new


_HEAD_OPENER = urllib.request.build_opener(_NoRedirectToOtherSchemes())


def head_content_length(url, headers=None, timeout=5.0):
    """Content-Length of url from a HEAD request, or None."""
    if urllib.parse.urlsplit(url).scheme.lower() not in SCHEMES:
        return None
    req = urllib.request.Request(url, method="HEAD")
    for k, v in (headers or {}).items():
        if isinstance(k, str) and isinstance(v, str):
            req.add_header(k, v)
    try:
        with _HEAD_OPENER.open(req, timeout=timeout) as resp:
            if resp.status != 200:
                return None
            value = resp.headers.get("Content-Length")
    except (OSError, ValueError, urllib.error.URLError):
        return None
    if value is None or not value.strip().isdigit():
        return None
    return int(value.strip())


def _pick_entry(info):
    """The first video of a playlist result, or info itself."""
    depth = 0
    while info and info.get("_type") in ("playlist", "multi_video") and depth < 4:
        entries = [e for e in (info.get("entries") or []) if e]
        if not entries:
            return None
        info = entries[0]
        depth += 1
    return info


# Extractors of the generic fallback: pages of no particular site.  yt-dlp
# reports a plain HTML5 <video> page as "html5" / "HTML5MediaEmbed".
_GENERIC_EXTRACTORS = {"generic", "html5mediaembed", "quotedhtml"}


def _is_generic(info):
    key = (info.get("extractor_key") or "").lower()
    name = (info.get("extractor") or "").lower()
    return (not key and not name) or key in _GENERIC_EXTRACTORS \
        or name == "html5" or name.startswith("generic")


def _title(info):
    title = info.get("title") or info.get("fulltitle") or ""
    if (info.get("extractor") or "").lower() == "html5":
        # The html5 embed extractor numbers the videos of a page
        # ("Title (1)"); only the first one is reported.
        title = re.sub(r" \(1\)$", "", str(title))
    return title


def _site_name(info, address):
    key = info.get("extractor_key") or info.get("extractor") or ""
    if _is_generic(info):
        page = info.get("webpage_url") or address
        host = urllib.parse.urlsplit(page).hostname or ""
        return host[4:] if host.startswith("www.") else host
    return key


# Extensions and path endings of streaming manifests: an address the user
# cannot download as one file.
_MANIFEST_EXTS = {"m3u8", "m3u", "mpd", "f4m", "ism", "ismc", "ismv"}
_MEDIA_EXT_RE = re.compile(r"[a-z0-9]{1,16}")


def is_direct(fmt):
    """Does the format give a progressive http(s) address of a media file?"""
    url = fmt.get("url") or ""
    scheme = urllib.parse.urlsplit(url).scheme.lower()
    protocol = (fmt.get("protocol") or scheme).lower()
    ext = str(fmt.get("ext") or "").lower()
    path = urllib.parse.urlsplit(url).path.lower()
    return (scheme in SCHEMES and protocol in SCHEMES
            and bool(_MEDIA_EXT_RE.fullmatch(ext)) and ext not in _MANIFEST_EXTS
            and not any(path.endswith("." + m) for m in _MANIFEST_EXTS))


def _has(fmt, kind):
    return (fmt.get(kind) or "none") != "none"


def _direct_choice(formats):
    """The best direct format of a format list (yt-dlp lists them worst
    first): audio and video together, else video, else audio."""
    direct = [f for f in formats if isinstance(f, dict) and is_direct(f)]
    if not direct:
        return None
    for wanted in ((True, True), (True, False), (False, True)):
        kinds = [f for f in direct if (_has(f, "vcodec"), _has(f, "acodec")) == wanted]
        if kinds:
            return kinds[-1]
    return direct[-1]


def choose_format(info):
    """The format whose address is reported.

    yt-dlp's own choice stands when it is a direct media address; when it
    is a streaming manifest, the best direct format of the result replaces
    it; a manifest is reported only when the result has nothing else.
    """
    chosen = info
    if not info.get("url") and info.get("requested_formats"):
        # Separate video and audio: report the video part.
        chosen = info["requested_formats"][0]
    if chosen.get("url") and is_direct(chosen):
        return chosen
    return _direct_choice(info.get("formats") or []) or chosen


def fields_from_info(info, address, head=head_content_length, head_timeout=5.0):
    """Map a processed yt-dlp info dict to the six raw reply fields."""
    info = _pick_entry(info)
    if not info:
        return None
    fmt = choose_format(info)
    furl = fmt.get("url") or ""
    size = fmt.get("filesize") or fmt.get("filesize_approx")
    if size is None and furl and fmt.get("protocol", "https") in SCHEMES:
        size = head(furl, fmt.get("http_headers"), head_timeout)
    return {
        "title": _title(info),
        "furl": furl,
        "ftype": fmt.get("ext") or info.get("ext") or "",
        "size": size,
        "time": format_duration(info.get("duration")),
        "site": _site_name(info, address),
    }


# ---------------------------------------------------------------------------
# Extraction

class _SilentLogger:
    def debug(self, msg):
        pass

    def info(self, msg):
        pass

    def warning(self, msg):
        pass

    def error(self, msg):
        pass


def ytdlp_options(socket_timeout):
    return {
        "quiet": True,
        "no_warnings": True,
        "noprogress": True,
        "logger": _SilentLogger(),
        "skip_download": True,
        "simulate": True,
        "cachedir": False,
        "socket_timeout": socket_timeout,
        "noplaylist": True,
        "playlistend": 1,
        "lazy_playlist": True,
        # One combined audio+video format; else the best video, else audio.
        "format": "b/bv*/ba*",
        "check_formats": False,
        "enable_file_urls": False,
        "default_search": "error",
        "usenetrc": False,
        "extractor_retries": 1,
        "retries": 1,
    }


def ytdlp_extract(address, socket_timeout):
    import yt_dlp  # imported on first use; the rest of the package does not need it

    install_page_limit()
    with yt_dlp.YoutubeDL(ytdlp_options(socket_timeout)) as ydl:
        return ydl.extract_info(address, download=False)


class KeyedLocks:
    """One lock per key, dropped when nobody holds or waits for it."""

    def __init__(self):
        self._mutex = threading.Lock()
        self._table = {}

    def acquire(self, key, timeout):
        with self._mutex:
            entry = self._table.setdefault(key, [threading.Lock(), 0])
            entry[1] += 1
        if entry[0].acquire(timeout=max(timeout, 0)):
            return True
        self._drop(key)
        return False

    def release(self, key):
        with self._mutex:
            lock = self._table[key][0]
        lock.release()
        self._drop(key)

    def _drop(self, key):
        with self._mutex:
            entry = self._table[key]
            entry[1] -= 1
            if entry[1] == 0:
                del self._table[key]

    def __len__(self):
        with self._mutex:
            return len(self._table)


def start_thread(target, name):
    threading.Thread(target=target, name=name, daemon=True).start()


class Resolver:
    """Resolves page addresses with a bound on time and concurrency.

    One extraction runs at a time per address and at most max_concurrent in
    all.  A caller waits at most `deadline` seconds; an extraction that
    overruns keeps its slot until it ends, so the bound holds.
    """

    def __init__(self, extract=None, deadline=25.0, socket_timeout=10.0,
                 max_concurrent=4, head_timeout=5.0, head=head_content_length,
                 start=start_thread):
        self.extract = extract or ytdlp_extract
        self.deadline = deadline
        self.socket_timeout = socket_timeout
        self.head_timeout = head_timeout
        self.head = head
        self.start = start
        self.max_concurrent = max_concurrent
        self.slots = threading.BoundedSemaphore(max_concurrent)
        self.locks = KeyedLocks()

    def resolve(self, address):
        """Return (fields or None, outcome text)."""
        end = time.monotonic() + self.deadline
        if not self.locks.acquire(address, end - time.monotonic()):
            return None, "busy (same address)"
        if not self.slots.acquire(timeout=max(end - time.monotonic(), 0)):
            self.locks.release(address)
            return None, "busy"
        box = {}
        done = threading.Event()

        def release():
            self.slots.release()
            self.locks.release(address)

        def work():
            try:
                info = self.extract(address, self.socket_timeout)
                box["fields"] = fields_from_info(
                    info, address, self.head, self.head_timeout)
            except BaseException as exc:  # yt-dlp raises many kinds
                box["error"] = exc
            finally:
                release()
                done.set()

        try:
            self.start(work, "extract")
        except BaseException as exc:  # no thread: nothing else will release
            release()
            return None, "failed: cannot start extraction: %s" % short_error(exc)
        if not done.wait(max(end - time.monotonic(), 0)):
            return None, "timeout"
        if "error" in box:
            return None, "failed: %s" % short_error(box["error"])
        if not box.get("fields"):
            return None, "no video"
        return box["fields"], "ok"


def short_error(exc):
    text = " ".join(str(exc).split()) or type(exc).__name__
    text = re.sub(r"\x1b\[[0-9;]*m", "", text)
    return text[:120]
