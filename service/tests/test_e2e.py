"""End to end: the real service (a subprocess running yt-dlp) resolving a
real HTML5 video page served on 127.0.0.1, asked exactly the way the
desktop program asks (HTTP/1.0, Base64 of the GBK address plus "=").

What yt-dlp makes of such a page: no site-specific extractor matches, the
generic fallback finds the <video> element and reports it as extractor
"html5" (HTML5MediaEmbed), so the service names the site by the page's
host, 127.0.0.1 (no port).  yt-dlp does not read the media file, so it knows
no running time and no size: the time field stays empty and the size comes
from the service's own HEAD request."""

import http.server
import importlib.util
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.parse
import urllib.request
import zlib

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from linkservice import resolver as resolving  # noqa: E402
from tests.program_reader import read_reply, request_path  # noqa: E402

SERVICE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                       "quorlin_service.py")
PAGE_TITLE = "测试视频 100% ]]> 中文"
PAGE_PATH = "/中文/page.html"
CLIP_PATH = "/中文/clip.mp4"
PAGE = ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
        "<title>测试视频 100% ]]&gt; 中文</title></head>\n"
        "<body><h1>clip</h1><video src=\"clip.mp4\" controls></video></body></html>\n")
NO_VIDEO_PAGE = ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>nothing</title>"
                 "</head><body><p>no media here</p></body></html>")


_BOMB = []


def _bomb_pieces():
    """The first piece of a gzip stream of zeros (header and 1 MiB) and a
    piece that adds 1 MiB more each time it is repeated: after a full flush
    the compressor starts afresh, so the same input gives the same bytes."""
    if not _BOMB:
        c = zlib.compressobj(9, zlib.DEFLATED, 31)
        zeros = bytes(1 << 20)
        first = c.compress(b"<html><body>" + zeros) + c.flush(zlib.Z_FULL_FLUSH)
        block = c.compress(zeros) + c.flush(zlib.Z_FULL_FLUSH)
        _BOMB.extend([first, block])
    return _BOMB


def vm_rss_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    raise RuntimeError("no VmRSS for %d" % pid)


class _Site(http.server.BaseHTTPRequestHandler):
    stop = threading.Event()
    files = {}
    redirects = {}
    seen = []

    def log_message(self, *args):
        pass

    def _endless(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.end_headers()
        try:
            self.wfile.write(b"<!DOCTYPE html><html><head><title>endless</title></head><body>")
            while True:
                self.wfile.write(b"<p>" + b"x" * 65530 + b"</p>")
        except (BrokenPipeError, ConnectionResetError):
            pass

    def _bomb(self):
        # A gzip body of about 2 MiB that expands to 2 GiB of zeros.
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Encoding", "gzip")
        self.end_headers()
        first, block = _bomb_pieces()
        try:
            self.wfile.write(first)
            for _ in range(2047):
                self.wfile.write(block)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def _drip(self):
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.end_headers()
        try:
            while not _Site.stop.wait(2):
                self.wfile.write(b"<")
                self.wfile.flush()
        except (BrokenPipeError, ConnectionResetError):
            pass

    def _answer(self, with_body):
        path = urllib.parse.unquote(self.path.split("?", 1)[0])
        type(self).seen.append((self.command, path))
        if path == "/endless.html":
            self._endless()
            return
        if path == "/bomb.html":
            self._bomb()
            return
        if path.startswith("/drip"):
            self._drip()
            return
        if path in self.redirects:
            self.send_response(302)
            self.send_header("Location", self.redirects[path])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        entry = self.files.get(path)
        if entry is None:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        ctype, data = entry
        self.send_response(200)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        if with_body:
            self.wfile.write(data)

    def do_GET(self):
        self._answer(True)

    def do_HEAD(self):
        self._answer(False)


@unittest.skipUnless(shutil.which("ffmpeg"), "ffmpeg is not installed")
@unittest.skipUnless(importlib.util.find_spec("yt_dlp"), "yt_dlp is not importable")
class EndToEndTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="quorlin-e2e-")
        clip = os.path.join(cls.tmp, "clip.mp4")
        subprocess.run(
            ["ffmpeg", "-nostdin", "-loglevel", "error", "-y",
             "-f", "lavfi", "-i", "testsrc=duration=2:size=64x64:rate=10",
             "-f", "lavfi", "-i", "sine=duration=2", "-shortest",
             "-pix_fmt", "yuv420p", clip],
            check=True, timeout=60)
        with open(clip, "rb") as f:
            cls.clip = f.read()
        _Site.files = {
            PAGE_PATH: ("text/html; charset=utf-8", PAGE.encode("utf-8")),
            CLIP_PATH: ("video/mp4", cls.clip),
            "/plain.html": ("text/html; charset=utf-8", NO_VIDEO_PAGE.encode("utf-8")),
        }
        cls.site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Site)
        cls.site_base = "http://127.0.0.1:%d" % cls.site.server_address[1]
        threading.Thread(target=cls.site.serve_forever, daemon=True).start()

        # The service runs in an empty directory with an empty home, so that
        # any file it wrote would show.
        cls.workdir = os.path.join(cls.tmp, "work")
        os.mkdir(cls.workdir)
        env = dict(os.environ, HOME=cls.workdir, XDG_CACHE_HOME=os.path.join(cls.workdir, "cache"),
                   NO_PROXY="*", no_proxy="*")
        for k in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"):
            env.pop(k, None)
        cls.proc = subprocess.Popen(
            [sys.executable, SERVICE, "--host", "127.0.0.1", "--port", "0",
             "--timeout", "30", "--socket-timeout", "5", "--cache-seconds", "0"],
            cwd=cls.workdir, env=env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        cls.log = []
        ready = threading.Event()

        def drain():
            for line in cls.proc.stderr:
                cls.log.append(line.rstrip("\n"))
                if "listening on" in line:
                    ready.set()
            ready.set()

        threading.Thread(target=drain, daemon=True).start()
        if not ready.wait(30) or not cls.log or "listening on" not in cls.log[0]:
            cls.tearDownClass()
            raise RuntimeError("service did not start: %r" % cls.log)
        cls.port = int(cls.log[0].rstrip("/").rsplit(":", 1)[1])

    @classmethod
    def tearDownClass(cls):
        proc = getattr(cls, "proc", None)
        if proc is not None:
            proc.terminate()
            try:
                proc.wait(10)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait(10)
        cls.site.shutdown()
        cls.site.server_close()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def ask(self, address):
        """Send the program's request for address; return (headers, body)."""
        path = request_path(address.encode("gbk"))
        request = ("GET %s HTTP/1.0\r\n"
                   "Accept: */* \r\n"
                   "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                   "Host: 127.0.0.1:%d\r\n"
                   "Pragma: no-cache\r\n"
                   "Accept: */*\r\n\r\n" % (path, self.port)).encode("latin-1")
        with socket.create_connection(("127.0.0.1", self.port), timeout=60) as s:
            s.sendall(request)
            data = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        self.assertTrue(lines[0].startswith("HTTP/1.0 200"), lines[0])
        headers = {k.lower(): v.strip() for k, v in (l.split(":", 1) for l in lines[1:])}
        self.assertEqual(int(headers["content-length"]), len(body))
        return headers, body

    def test_html5_video_page(self):
        _Site.seen = []
        started = time.monotonic()
        _, body = self.ask(self.site_base + PAGE_PATH)
        fields = read_reply(body)
        self.assertLess(time.monotonic() - started, 60)

        self.assertEqual(fields["title"], "测试视频 100% ]]＞ 中文")
        self.assertEqual(urllib.parse.unquote(fields["furl"]), self.site_base + CLIP_PATH)
        self.assertEqual(fields["ftype"], "mp4")
        self.assertEqual(fields["size"], str(len(self.clip)))
        self.assertEqual(fields["site"], "127.0.0.1")
        # yt-dlp does not probe the media of a plain page; were it to learn
        # the running time, it would be about two seconds.
        self.assertIn(fields["time"], ("", "0:01", "0:02", "0:03"))

        # The download address works, and the service never fetched the
        # media itself (a HEAD for the size only).
        with urllib.request.urlopen(fields["furl"], timeout=10) as resp:
            self.assertEqual(resp.read(), self.clip)
        self.assertNotIn(("GET", CLIP_PATH), _Site.seen[:-1])
        self.assertEqual(_Site.seen.count(("GET", PAGE_PATH)), 1)
        self.assertEqual(os.listdir(self.workdir), [])

    def test_endless_page_read_is_bounded(self):
        # The extraction stops reading at the page limit and fails, well
        # before the request's deadline; its slot is free again afterwards.
        _, body = self.ask(self.site_base + "/endless.html")
        self.assertEqual(read_reply(body)["title"], "")
        deadline = time.monotonic() + 5
        while not any("/url/" in l and "larger than" in l for l in self.log) \
                and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(any("/url/" in l and "larger than" in l for l in self.log), self.log)
        _, body = self.ask(self.site_base + PAGE_PATH)
        self.assertEqual(read_reply(body)["ftype"], "mp4")

    def test_compressed_page_is_bounded_decoded(self):
        # The extraction fails at the page bound on the decoded body; the
        # service never holds much of the 2 GiB in memory.
        peak = [vm_rss_mb(self.proc.pid)]
        done = threading.Event()

        def sample():
            while not done.wait(0.02):
                peak.append(vm_rss_mb(self.proc.pid))

        sampler = threading.Thread(target=sample, daemon=True)
        sampler.start()
        try:
            _, body = self.ask(self.site_base + "/bomb.html")
        finally:
            done.set()
            sampler.join(5)
        self.assertEqual(read_reply(body), {k: "" for k in
                         ("title", "furl", "ftype", "size", "time", "site")})
        self.assertLess(max(peak), 300, "resident memory peaked at %.0f MB" % max(peak))
        self.assertGreater(len(peak), 3)

    def test_failures_give_empty_fields(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            closed = s.getsockname()[1]
        cases = [
            self.site_base + "/plain.html",          # no video on the page
            self.site_base + "/missing.html",        # 404
            "http://127.0.0.1:%d/x.html" % closed,   # nobody listening
            "ytsearch1:" + self.site_base,           # search pseudo-scheme
            "file:///etc/passwd",
            "",
        ]
        for address in cases:
            with self.subTest(address=address):
                _, body = self.ask(address)
                self.assertEqual(read_reply(body), {k: "" for k in
                                 ("title", "furl", "ftype", "size", "time", "site")})
                self.assertIn(b"<sites><site><![CDATA[]]></site></sites>", body)
        self.assertIsNone(self.proc.poll())
        # One log line per request, with the outcome and the time taken.
        deadline = time.monotonic() + 5
        while len([l for l in self.log if " GET /url/" in l]) < len(cases) \
                and time.monotonic() < deadline:
            time.sleep(0.05)
        lines = [l for l in self.log if " GET /url/" in l]
        self.assertGreaterEqual(len(lines), len(cases))
        self.assertTrue(all(" -> " in l and l.endswith("s") for l in lines), lines)


@unittest.skipUnless(importlib.util.find_spec("yt_dlp"), "yt_dlp is not importable")
class KeptExtractorTests(unittest.TestCase):
    """The resolver with its kept YoutubeDL objects against real pages:
    slow pages end by the deadline (a short one here), and the cache."""

    DEADLINE = 3.0

    def setUp(self):
        _Site.stop.clear()
        _Site.files = {"/page.html": ("text/html; charset=utf-8", PAGE.encode("utf-8")),
                       "/clip.mp4": ("video/mp4", b"\0" * 1000)}
        _Site.seen = []
        self.site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Site)
        self.site.daemon_threads = True
        self.base = "http://127.0.0.1:%d" % self.site.server_address[1]
        threading.Thread(target=self.site.serve_forever, daemon=True).start()

    def tearDown(self):
        _Site.stop.set()
        self.site.shutdown()
        self.site.server_close()

    def test_dripping_pages_end_by_the_deadline(self):
        r = resolving.Resolver(deadline=self.DEADLINE, socket_timeout=10, max_concurrent=4)
        r.prepare()
        outcomes = []
        drippers = [threading.Thread(target=lambda i=i: outcomes.append(
            r.resolve(self.base + "/drip%d.html" % i)[1])) for i in range(4)]
        started = time.monotonic()
        for t in drippers:
            t.start()
        time.sleep(0.5)
        self.assertEqual(r.free_slots(), 0)
        while True:
            fields, outcome = r.resolve(self.base + "/page.html")
            if fields or time.monotonic() - started > self.DEADLINE + 5:
                break
        self.assertEqual(outcome, "ok")
        self.assertLess(time.monotonic() - started, self.DEADLINE + 5)
        for t in drippers:
            t.join(5)
        self.assertEqual(sorted(outcomes), ["timeout"] * 4)
        deadline = time.monotonic() + 2
        while (r.free_slots() < 4 or len(r.locks)) and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertEqual((r.free_slots(), len(r.locks)), (4, 0))

    def test_cache(self):
        r = resolving.Resolver(deadline=20, socket_timeout=5, max_concurrent=1,
                               cache_seconds=1.0)
        page = self.base + "/page.html"
        self.assertEqual(r.resolve(page)[1], "ok")
        fields, outcome = r.resolve(page)
        self.assertEqual((outcome, urllib.parse.unquote(fields["furl"])),
                         ("ok (cached)", self.base + "/clip.mp4"))
        self.assertEqual(_Site.seen.count(("GET", "/page.html")), 1)
        time.sleep(1.1)
        self.assertEqual(r.resolve(page)[1], "ok")
        self.assertEqual(_Site.seen.count(("GET", "/page.html")), 2)


@unittest.skipUnless(importlib.util.find_spec("yt_dlp"), "yt_dlp is not importable")
class DestinationGuardEndToEndTests(unittest.TestCase):
    """yt-dlp itself under the destination guard: 127.0.0.1 stands for a
    public site, 127.0.0.2 for a private address it redirects to."""

    def setUp(self):
        self.private = http.server.ThreadingHTTPServer(("127.0.0.2", 0), _Site)
        self.public = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Site)
        for server in (self.private, self.public):
            threading.Thread(target=server.serve_forever, daemon=True).start()
        private_base = "http://127.0.0.2:%d" % self.private.server_address[1]
        self.public_base = "http://127.0.0.1:%d" % self.public.server_address[1]
        _Site.files = {"/page.html": ("text/html; charset=utf-8", PAGE.encode("utf-8")),
                       "/clip.mp4": ("video/mp4", b"\0" * 1000)}
        _Site.redirects = {"/to-private": private_base + "/page.html"}
        _Site.seen = []

    def tearDown(self):
        resolving.install_destination_guard(None)
        _Site.redirects = {}
        for server in (self.private, self.public):
            server.shutdown()
            server.server_close()

    def test_redirect_to_a_private_address_is_not_followed(self):
        resolving.install_destination_guard(lambda ip: ip == "127.0.0.1")
        with self.assertRaises(Exception) as caught:
            resolving.ytdlp_extract(self.public_base + "/to-private", 5)
        self.assertIn("not a global address", str(caught.exception))
        self.assertEqual(_Site.seen, [("GET", "/to-private")])
        # Without the guard the same address resolves.
        resolving.install_destination_guard(None)
        info = resolving.ytdlp_extract(self.public_base + "/to-private", 5)
        self.assertTrue(resolving.fields_from_info(info, self.public_base, lambda *a: None)["furl"])


if __name__ == "__main__":
    unittest.main()
