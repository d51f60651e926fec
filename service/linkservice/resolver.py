"""Resolution of a page address over yt-dlp, with its bounds.

Which page addresses reach the extractor, how the six raw fields are taken
from its result, the kept YoutubeDL objects, the result cache, how many
extractions run at once and how long each may take, and the reason given
for a failure.  The patches that bound what the extractor fetches are in
guards.py.
"""

import collections
import ipaddress
import re
import threading
import time
import urllib.error
import urllib.parse
import urllib.request

from . import guards
from .guards import (  # noqa: F401  (the names callers and tests use)
    MAX_PAGE_BYTES, PageTooLargeError, PrivateDestinationError, check_destination,
    install_destination_guard, install_page_limit, is_global_address)
from .reply import SCHEMES, format_duration


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


# Extensions of audio files, for formats whose codecs yt-dlp does not know.
_AUDIO_EXTS = {"m4a", "mp3", "aac", "opus", "oga", "ogg", "flac", "wav", "weba", "mka"}


def _has_video(fmt):
    vcodec = fmt.get("vcodec")
    if vcodec is None:  # unknown: a file of an audio type is taken for audio
        return str(fmt.get("ext") or "").lower() not in _AUDIO_EXTS
    return vcodec != "none"


def _has_audio(fmt):
    return fmt.get("acodec") != "none"


def _rank(fmt):
    """Lower is better: a direct file with video and audio, a direct
    video-only file, a manifest (or other stream) with video, and audio only
    when there is nothing else, direct before streamed."""
    direct = is_direct(fmt)
    if _has_video(fmt):
        if direct:
            return 0 if _has_audio(fmt) else 1
        return 2
    return 3 if direct else 4


def choose_format(info):
    """The format whose address is reported.

    The best rank (see _rank) among yt-dlp's choice and every format of the
    result; within a rank yt-dlp's own choice stands, else the last listed
    (yt-dlp lists formats worst first).
    """
    chosen = info
    if not info.get("url") and info.get("requested_formats"):
        # Separate video and audio: the video part stands for the choice.
        chosen = info["requested_formats"][0]
    formats = [f for f in (info.get("formats") or []) if isinstance(f, dict) and f.get("url")]
    if not chosen.get("url"):
        return formats[-1] if formats else chosen
    best = _rank(chosen)
    pick = chosen
    for fmt in reversed(formats):
        if _rank(fmt) < best:
            best, pick = _rank(fmt), fmt
    return pick


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
        # Only the codings the page bound decodes in steps; yt-dlp would
        # otherwise ask for brotli too and decode it whole in memory.
        "http_headers": {"Accept-Encoding": guards.ACCEPT_ENCODING},
    }


def ytdlp_extract(address, socket_timeout):
    """One extraction with a YoutubeDL object of its own (slow: making one
    loads every extractor); the service keeps its objects in a YtDlpPool."""
    import yt_dlp  # imported on first use; the rest of the package does not need it

    install_page_limit()
    cls, _ = guards.guarded_youtubedl(yt_dlp)
    with cls(ytdlp_options(socket_timeout)) as ydl:
        return ydl.extract_info(address, download=False)


class YtDlpPool:
    """YoutubeDL objects made once and kept, one per extraction that may run
    at the same time.  Making one takes about 100 ms (it loads every
    extractor), most of a resolution of a plain page; they are not safe to
    share, so each is used by one extraction thread at a time and handed
    back afterwards.  The per-request bounds do not live in the objects: the
    deadline is the extraction thread's, the page bound and the destination
    guard are the process's."""

    def __init__(self, size, socket_timeout, strict=True):
        self.size = size
        self.strict = strict
        self.socket_timeout = socket_timeout
        self.handlers = None  # text for the log, once prepared
        self._free = []
        self._lock = threading.Lock()
        self._made = threading.Semaphore(0)

    def prepare(self):
        """Make every object now, before the first request.  Raises
        guards.HandlerRestrictionError when the installed yt-dlp's request
        handlers cannot be held to the guarded ones."""
        with self._lock:
            if self.handlers is not None:
                return self.handlers
            import yt_dlp

            install_page_limit()
            guards.install_deadline_guard()
            cls, how = guards.guarded_youtubedl(yt_dlp, self.strict)
            for _ in range(self.size):
                self._free.append(cls(ytdlp_options(self.socket_timeout)))
                self._made.release()
            used = guards.handlers_in_use(self._free[0])
            self.handlers = "yt-dlp %s, request handlers %s (%s)" % (
                getattr(getattr(yt_dlp, "version", None), "__version__", "?"),
                ", ".join(used), how)
            return self.handlers

    def extract(self, address, socket_timeout):
        self.prepare()
        self._made.acquire()
        with self._lock:
            ydl = self._free.pop()
        try:
            # Nothing of one page's visit is carried to the next.
            jar = getattr(ydl, "cookiejar", None)
            if jar is not None:
                jar.clear()
            return ydl.extract_info(address, download=False)
        finally:
            with self._lock:
                self._free.append(ydl)
            self._made.release()


class ResultCache:
    """Fields of successful resolutions, by normalised page address, for
    `seconds` (the download addresses sites hand out expire), at most `size`
    entries, the least recently used going first."""

    def __init__(self, seconds, size=512, clock=time.monotonic):
        self.seconds = seconds
        self.size = size
        self.clock = clock
        self._lock = threading.Lock()
        self._entries = collections.OrderedDict()

    @staticmethod
    def key(address):
        parts = urllib.parse.urlsplit(address)
        host = (parts.hostname or "").lower()
        if ":" in host:
            host = "[%s]" % host
        port = parts.port
        if port is not None and port != {"http": 80, "https": 443}.get(parts.scheme.lower()):
            host += ":%d" % port
        userinfo = parts.netloc.rpartition("@")[0]
        netloc = userinfo + "@" + host if userinfo else host
        return urllib.parse.urlunsplit((parts.scheme.lower(), netloc, parts.path or "/",
                                        parts.query, parts.fragment))

    def get(self, address):
        if self.seconds <= 0:
            return None
        key = self.key(address)
        with self._lock:
            entry = self._entries.get(key)
            if entry is None:
                return None
            if self.clock() >= entry[0]:
                del self._entries[key]
                return None
            self._entries.move_to_end(key)
            return dict(entry[1])

    def put(self, address, fields):
        if self.seconds <= 0:
            return
        with self._lock:
            key = self.key(address)
            self._entries[key] = (self.clock() + self.seconds, dict(fields))
            self._entries.move_to_end(key)
            while len(self._entries) > self.size:
                self._entries.popitem(last=False)

    def __len__(self):
        with self._lock:
            return len(self._entries)


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
    all.  A caller waits at most `deadline` seconds, and the extraction runs
    under the same deadline: every connect and read it makes fails past it
    (the extraction deadline guard), so a slow page frees its slot and its
    address lock by then.  Work that makes no network calls is not cut off.
    Successful fields are kept for cache_seconds (0: no cache).
    """

    def __init__(self, extract=None, deadline=25.0, socket_timeout=10.0,
                 max_concurrent=4, head_timeout=5.0, head=head_content_length,
                 start=start_thread, cache_seconds=0, clock=time.monotonic,
                 strict_handlers=True):
        self.pool = None
        if extract is None:
            self.pool = YtDlpPool(max_concurrent, socket_timeout, strict_handlers)
            extract = self.pool.extract
        self.extract = extract
        self.deadline = deadline
        self.socket_timeout = socket_timeout
        self.head_timeout = head_timeout
        self.head = head
        self.start = start
        self.max_concurrent = max_concurrent
        self.slots = threading.BoundedSemaphore(max_concurrent)
        self.locks = KeyedLocks()
        self.cache = ResultCache(cache_seconds, clock=clock)

    def prepare(self):
        """Make the kept YoutubeDL objects now; returns the request handlers
        in use (text), or None with a stand-in extraction."""
        return self.pool.prepare() if self.pool is not None else None

    def free_slots(self):
        return self.slots._value

    def resolve(self, address):
        """Return (fields or None, outcome text)."""
        cached = self.cache.get(address)
        if cached is not None:
            return cached, "ok (cached)"
        end = time.monotonic() + self.deadline
        if not self.locks.acquire(address, end - time.monotonic()):
            return None, "busy (same address)"
        # A request that waited for the same address finds its result here.
        cached = self.cache.get(address)
        if cached is not None:
            self.locks.release(address)
            return cached, "ok (cached)"
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
                with guards.extraction_deadline(end):
                    info = self.extract(address, self.socket_timeout)
                    box["fields"] = fields_from_info(
                        info, address, self.head, self.head_timeout)
                if box["fields"]:
                    self.cache.put(address, box["fields"])
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
    return text[:160]


# Why a resolution gave no download address, as the program shows it to
# the user; outcomes without a known reason (a thread that could not start)
# have none.
REASONS = {
    "no video": "页面上没有找到视频",
    "fetch": "无法读取该页面",
    "refused": "不解析内网或本机地址",
    "too large": "页面太大，未能读完",
    "timeout": "解析超时",
    "busy": "解析服务正忙，请稍后再试",
}


def failure_reason(outcome):
    """The reason text for a failed resolution's outcome, or None."""
    if outcome.startswith("busy"):
        return REASONS["busy"]
    if outcome == "timeout" or "deadline has passed" in outcome:
        return REASONS["timeout"]
    if outcome == "no video" or "Unsupported URL" in outcome:
        return REASONS["no video"]
    if "private destination" in outcome or "not a global address" in outcome:
        return REASONS["refused"]
    if "larger than" in outcome or "content coding" in outcome:
        return REASONS["too large"]
    if outcome.startswith("failed: cannot start"):
        return None
    if outcome.startswith("failed") or "does not resolve" in outcome:
        return REASONS["fetch"]
    return None
