"""Unit tests of the resolution service: argument decoding, address checks,
reply writing (read back the way the desktop program reads it), field
mapping, the HEAD size probe, the resolver's bounds and the HTTP front end.
None of these run yt-dlp; the extraction is replaced where needed."""

import http.client
import io
import http.server
import os
import re
import select
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from linkservice import front, reply  # noqa: E402
from linkservice import resolver as resolving  # noqa: E402
from tests import hostile_texts  # noqa: E402
from tests.program_reader import read_reply, request_path  # noqa: E402

EMPTY_FIELDS = {name: "" for name in reply.FIELDS}


def reply_reason(body):
    """The text of a reply's <error> element, or None without one."""
    found = re.search(rb"<error><!\[CDATA\[(.*?)\]\]></error>", body)
    return found.group(1).decode("utf-8") if found else None


def arg_of(address_gbk):
    return request_path(address_gbk)[len("/url/"):]


class ArgumentTests(unittest.TestCase):
    def test_program_request_forms_round_trip(self):
        cases = [
            (b"abc", "YWJj="),
            (b"ab", "YWI=="),
            (b"a", "YQ==="),
            (b"", "="),
            (b"\xfb\xef\xff", "++//="),          # "+" and "/" travel raw
            ("http://例子.cn/中文/视频?id=1".encode("gbk"), None),
            (b"http://h/\x80", None),            # code page 936 euro sign
        ]
        for data, expected_arg in cases:
            with self.subTest(data=data):
                arg = arg_of(data)
                if expected_arg is not None:
                    self.assertEqual(arg, expected_arg)
                self.assertEqual(front.decode_argument(arg), data)

    def test_decoded_address_text(self):
        data = "http://127.0.0.1/中文.html".encode("gbk")
        self.assertEqual(front.decode_address(front.decode_argument(arg_of(data))),
                         "http://127.0.0.1/中文.html")
        self.assertEqual(front.decode_address(b"http://h/\x80"), "http://h/\u20ac")

    def test_tolerated_variants(self):
        cases = [
            ("YWJj", b"abc"),        # no trailing "="
            ("YWI", b"ab"),          # padding missing
            ("YQ", b"a"),
            ("YQ======", b"a"),      # surplus "="
            ("%2B%2B%2F%2F", b"\xfb\xef\xff"),  # percent-escaped by a proxy
            ("--__", b"\xfb\xef\xff"),          # URL-safe alphabet
        ]
        for arg, data in cases:
            with self.subTest(arg=arg):
                self.assertEqual(front.decode_argument(arg), data)

    def test_rejected_arguments(self):
        for arg in ["Y", "YWJjZ", "YW Jj", "YQ=a", "!!!!", "YWJj%00"]:
            with self.subTest(arg=arg):
                with self.assertRaises(ValueError):
                    front.decode_argument(arg)

    def test_rejected_address_bytes(self):
        for data in [b"http://h/\x81", b"x" * (front.MAX_ADDRESS_BYTES + 1)]:
            with self.subTest(data=data[:20]):
                with self.assertRaises(ValueError):
                    front.decode_address(data)


class AddressCheckTests(unittest.TestCase):
    ACCEPTED = [
        "http://example.com/watch?v=1",
        "https://www.example.com/a/b.html#t=3",
        "HTTPS://Example.COM/",
        "http://127.0.0.1:8080/中文.html",
        "http://[::1]:8000/v",
        "  http://example.com/v  ",   # pasted with spaces around it
    ]
    REJECTED = [
        "", "   ",
        "file:///etc/passwd", "FILE:///C:/boot.ini", "file://host/share/x.mp4",
        "data:text/html,<video src=x>", "ftp://example.com/v.mp4",
        "javascript:alert(1)",
        "ytsearch:cats", "ytsearch10:cats", "ytsearchall:x", "ytsearchdate5:x",
        "youtube:tab", "generic:http://x",
        "example.com/video", "www.example.com", "//example.com/v",
        "/etc/passwd", "C:\\Videos\\a.mp4", "C:/Videos/a.mp4", "./clip.mp4",
        "http:/example.com/v", "http://", "http:///path", "https://:80/",
        "http://exa mple.com/", "http://example.com/a b",
        "http://example.com/\nHost: x", "http://ex\x00ample.com/",
        "http://example.com:99999/", "http://example.com:port/",
        "http://[zz::1]/", "http://a\\b.com/", "http://a<b.com/",
        "-o /tmp/x http://example.com/",
    ]

    def test_accepted(self):
        for address in self.ACCEPTED:
            with self.subTest(address=address):
                self.assertEqual(resolving.check_address(address), address.strip())

    def test_rejected(self):
        for address in self.REJECTED:
            with self.subTest(address=address):
                with self.assertRaises(ValueError):
                    resolving.check_address(address)


    def test_ascii_form_given_to_the_extractor(self):
        cases = [
            ("http://example.com/watch?v=1", "http://example.com/watch?v=1"),
            ("HTTPS://Example.com/a%2Fb", "https://Example.com/a%2Fb"),
            ("http://127.0.0.1:8080/中文.html", "http://127.0.0.1:8080/%E4%B8%AD%E6%96%87.html"),
            ("http://例子.cn/v?q=视频#t=1", "http://xn--fsqu00a.cn/v?q=%E8%A7%86%E9%A2%91#t=1"),
            ("http://u:p@例子.cn:81/", "http://u:p@xn--fsqu00a.cn:81/"),
            ("http://a.com/\u00e9\u20ac", "http://a.com/%C3%A9%E2%82%AC"),
        ]
        for address, uri in cases:
            with self.subTest(address=address):
                self.assertEqual(resolving.to_uri(resolving.check_address(address)), uri)


class ReplyTests(unittest.TestCase):
    BASE = {
        "title": "Clip", "furl": "http://cdn.example/v.mp4", "ftype": "mp4",
        "size": 22312, "time": "0:02", "site": "Youtube",
    }
    SHOWN_BASE = {
        "title": "Clip", "furl": "http://cdn.example/v.mp4", "ftype": "mp4",
        "size": "22312", "time": "0:02", "site": "Youtube",
    }

    def assertReply(self, fields, shown):
        body = reply.build_reply(fields)
        ET.fromstring(body)  # stays well-formed whatever the values hold
        self.assertEqual(read_reply(body), shown)

    def test_plain_values(self):
        self.assertReply(self.BASE, self.SHOWN_BASE)

    def test_hostile_titles(self):
        # Each title would break the program's cutting if written as is;
        # the title must show legibly and the other five fields stay intact.
        for title, shown_title in hostile_texts.TITLES:
            with self.subTest(title=title):
                self.assertReply(dict(self.BASE, title=title),
                                 dict(self.SHOWN_BASE, title=shown_title))

    def test_hostile_sites(self):
        for site, shown_site in hostile_texts.SITES:
            with self.subTest(site=site):
                self.assertReply(dict(self.BASE, site=site),
                                 dict(self.SHOWN_BASE, site=shown_site))

    def test_every_character_keeps_the_fields_apart(self):
        # Whatever a title holds, its code page 936 form is ASCII and whole
        # two-byte characters, so the site after it is still found.
        for first in range(0x80, 0x10000, 480):
            chars = "".join(chr(c) for c in range(first, min(first + 480, 0x10000)))
            with self.subTest(first=hex(first)):
                shown = read_reply(reply.build_reply(dict(self.BASE, title=chars)))
                self.assertEqual(dict(shown, title=""), dict(self.SHOWN_BASE, title=""))
                self.assertTrue(shown["title"])

    def test_media_addresses(self):
        cases = [
            ("https://cdn.example/v.mp4?sig=a%2Fb&e=1", "https://cdn.example/v.mp4?sig=a%2Fb&e=1"),
            ("https://cdn.example/a b.mp4", "https://cdn.example/a%20b.mp4"),
            ("https://cdn.example/中文.mp4", "https://cdn.example/%E4%B8%AD%E6%96%87.mp4"),
            ("https://cdn.example/x]]></furl><title><![CDATA[y",
             "https://cdn.example/x]]%3E%3C/furl%3E%3Ctitle%3E%3C![CDATA[y"),
            ("https://cdn.example/a\x00b", "https://cdn.example/a%00b"),
            ("file:///etc/passwd", ""),
            ("data:video/mp4;base64,AAAA", ""),
            ("https://cdn.example/" + "a" * reply.MAX_FURL_CHARS, ""),
        ]
        for furl, shown in cases:
            with self.subTest(furl=furl[:60]):
                self.assertReply(dict(self.BASE, furl=furl),
                                 dict(self.SHOWN_BASE, furl=shown))

    def test_field_formats(self):
        cases = [
            ({"size": None}, {"size": ""}),
            ({"size": 1572864.7}, {"size": "1572864"}),
            ({"size": -5}, {"size": ""}),
            ({"size": "12 MB"}, {"size": ""}),
            ({"ftype": "MP4"}, {"ftype": "mp4"}),
            ({"ftype": "mp4</ftype>"}, {"ftype": ""}),
            ({"time": "1:02:03"}, {"time": "1:02:03"}),
            ({"time": "9</time>"}, {"time": ""}),
        ]
        for change, shown in cases:
            with self.subTest(change=change):
                self.assertReply(dict(self.BASE, **change),
                                 dict(self.SHOWN_BASE, **shown))

    def test_long_title_is_cut_and_reply_bounded(self):
        body = reply.build_reply(dict(self.BASE, title="%" * 100000))
        self.assertLessEqual(len(body), reply.MAX_REPLY_BYTES)
        shown = read_reply(body)["title"]
        self.assertLessEqual(len(shown), reply.MAX_TITLE_CHARS)
        self.assertTrue(shown.startswith("%%%"))

    def test_empty_reply_has_all_six_elements(self):
        body = reply.EMPTY_REPLY
        for tag in (b"<title><![CDATA[]]></title>", b"<furl><![CDATA[]]></furl>",
                    b"<ftype></ftype>", b"<size></size>", b"<time></time>",
                    b"<sites><site><![CDATA[]]></site></sites>"):
            self.assertIn(tag, body)
        self.assertEqual(read_reply(body), EMPTY_FIELDS)
        self.assertEqual(reply.build_reply(None), body)


class DurationTests(unittest.TestCase):
    def test_table(self):
        cases = [
            (None, ""), ("", ""), ("abc", ""), (0, ""), (-3, ""), (float("nan"), ""),
            (float("inf"), ""), (0.4, "0:00"), (2, "0:02"), (2.02, "0:02"),
            (59.6, "1:00"), (205, "3:25"), (3599, "59:59"), (3600, "1:00:00"),
            (3723, "1:02:03"), (360000, "100:00:00"),
        ]
        for seconds, text in cases:
            with self.subTest(seconds=seconds):
                self.assertEqual(reply.format_duration(seconds), text)


# yt-dlp chose the streaming manifest; a worse but direct file exists.
MANIFEST_AND_FILE = {
    "title": "t", "url": "https://cdn.example/master.m3u8", "ext": "mp4",
    "protocol": "m3u8_native", "vcodec": "avc1", "acodec": "mp4a",
    "formats": [
        {"url": "https://cdn.example/a.m4a", "ext": "m4a", "protocol": "https",
         "vcodec": "none", "acodec": "mp4a", "filesize": 100},
        {"url": "https://cdn.example/v360.mp4", "ext": "mp4", "protocol": "https",
         "vcodec": "avc1", "acodec": "mp4a", "filesize": 5000},
        {"url": "https://cdn.example/v720-only.mp4", "ext": "mp4", "protocol": "https",
         "vcodec": "avc1", "acodec": "none", "filesize": 9000},
        {"url": "https://cdn.example/master.m3u8", "ext": "mp4", "protocol": "m3u8_native",
         "vcodec": "avc1", "acodec": "mp4a"},
    ],
}


class FieldMappingTests(unittest.TestCase):
    def setUp(self):
        self.head_calls = []

    def head(self, url, headers, timeout):
        self.head_calls.append(url)
        return 4321

    def map(self, info, address="http://www.example.com:8080/page"):
        return resolving.fields_from_info(info, address, self.head, 1.0)

    def test_html5_page_on_generic_fallback(self):
        info = {"extractor": "html5", "extractor_key": "HTML5MediaEmbed",
                "webpage_url": "http://www.example.com:8080/page",
                "title": "Page title (1)", "url": "http://www.example.com:8080/clip.mp4",
                "ext": "mp4", "protocol": "http", "duration": None}
        self.assertEqual(self.map(info), {
            "title": "Page title", "furl": "http://www.example.com:8080/clip.mp4",
            "ftype": "mp4", "size": 4321, "time": "", "site": "example.com"})
        self.assertEqual(self.head_calls, ["http://www.example.com:8080/clip.mp4"])

    def test_site_names(self):
        cases = [
            ({"extractor": "generic", "extractor_key": "Generic"}, "example.com"),
            ({"extractor": "generic:quoted-html", "extractor_key": "QuotedHTML"}, "example.com"),
            ({}, "example.com"),
            ({"extractor": "youtube", "extractor_key": "Youtube"}, "Youtube"),
            ({"extractor": "BiliBili"}, "BiliBili"),
        ]
        for ex, site in cases:
            with self.subTest(ex=ex):
                info = dict(ex, title="t", url="https://x/v.mp4", ext="mp4", filesize=1)
                self.assertEqual(self.map(info)["site"], site)

    def test_size_sources(self):
        cases = [
            ({"filesize": 100, "filesize_approx": 200}, 100, False),
            ({"filesize_approx": 200}, 200, False),
            ({"protocol": "https"}, 4321, True),
            ({"protocol": "m3u8_native"}, None, False),   # playlist size is no media size
            ({"protocol": "http_dash_segments"}, None, False),
        ]
        for extra, size, probed in cases:
            with self.subTest(extra=extra):
                self.head_calls.clear()
                info = dict(extra, title="t", url="https://x/v", ext="mp4",
                            extractor_key="Youtube")
                self.assertEqual(self.map(info)["size"], size)
                self.assertEqual(bool(self.head_calls), probed)

    def test_playlist_takes_first_video(self):
        info = {"_type": "playlist", "entries": [
            None, {"title": "first", "url": "https://x/1.mp4", "ext": "mp4", "filesize": 1},
            {"title": "second", "url": "https://x/2.mp4", "ext": "mp4", "filesize": 2}]}
        self.assertEqual(self.map(info)["title"], "first")
        self.assertIsNone(self.map({"_type": "playlist", "entries": []}))

    def test_separate_video_and_audio(self):
        info = {"title": "t", "extractor_key": "Youtube", "duration": 65,
                "requested_formats": [
                    {"url": "https://x/v.webm", "ext": "webm", "filesize": 10},
                    {"url": "https://x/a.m4a", "ext": "m4a", "filesize": 5}]}
        f = self.map(info)
        self.assertEqual((f["furl"], f["ftype"], f["size"], f["time"]),
                         ("https://x/v.webm", "webm", 10, "1:05"))


    def test_direct_media_preferred_to_a_manifest(self):
        m3u8 = {"url": "https://x/master.m3u8", "ext": "mp4", "protocol": "m3u8_native",
                "vcodec": "avc1", "acodec": "mp4a"}
        dash = {"url": "https://x/manifest.mpd", "ext": "mp4", "protocol": "http_dash_segments",
                "vcodec": "avc1", "acodec": "mp4a"}
        video = {"url": "https://x/video.webm", "ext": "webm", "protocol": "https",
                 "vcodec": "vp9", "acodec": "none", "filesize": 7}
        audio = {"url": "https://x/audio.m4a", "ext": "m4a", "protocol": "https",
                 "vcodec": "none", "acodec": "mp4a", "filesize": 3}
        https_m3u8 = {"url": "https://x/live.m3u8?t=1", "ext": "mp4", "protocol": "https"}
        unknown = {"url": "https://x/stream", "ext": "unknown_video", "protocol": "https"}
        av_small = {"url": "https://x/small.mp4", "ext": "mp4", "protocol": "https",
                    "vcodec": "avc1", "acodec": "mp4a", "filesize": 2}
        av_large = dict(av_small, url="https://x/large.mp4", filesize=9)
        cases = [
            ("manifest chosen, files offered", MANIFEST_AND_FILE, "https://cdn.example/v360.mp4"),
            ("only manifests", dict(m3u8, title="t", formats=[m3u8, dash]), "https://x/master.m3u8"),
            ("video file beats audio", dict(m3u8, title="t", formats=[audio, video, m3u8]),
             "https://x/video.webm"),
            # A manifest with video beats a file with sound and no picture.
            ("manifest with video beats an audio file",
             dict(m3u8, title="t", formats=[audio, dash]), "https://x/master.m3u8"),
            ("audio only when there is nothing else",
             dict(audio, title="t", formats=[audio]), "https://x/audio.m4a"),
            ("a manifest by its address is no file",
             dict(https_m3u8, title="t", formats=[https_m3u8, unknown, video]),
             "https://x/video.webm"),
            ("yt-dlp's direct choice stands within its kind",
             dict(av_small, title="t", formats=[av_small, av_large]), "https://x/small.mp4"),
            ("separate parts as manifests",
             {"title": "t", "requested_formats": [m3u8, audio], "formats": [audio, video, m3u8]},
             "https://x/video.webm"),
        ]
        for name, info, furl in cases:
            with self.subTest(name):
                fields = self.map(dict(info, extractor_key="Youtube"))
                self.assertEqual(fields["furl"], furl)
        self.assertEqual(self.map(dict(MANIFEST_AND_FILE, extractor_key="Youtube"))["size"], 5000)

    def test_preference_order(self):
        # Each kind beats every later one, wherever it stands in the list
        # and whichever yt-dlp chose; codecs yt-dlp does not know count as
        # present, except for a file of an audio type.
        kinds = [
            ("direct video and audio", {"url": "https://x/av.mp4", "ext": "mp4",
                                        "protocol": "https"}),
            ("direct video only", {"url": "https://x/v.mp4", "ext": "mp4", "protocol": "https",
                                   "vcodec": "avc1", "acodec": "none"}),
            ("manifest with video", {"url": "https://x/v.m3u8", "ext": "mp4",
                                     "protocol": "m3u8_native", "vcodec": "avc1"}),
            ("direct audio", {"url": "https://x/a.m4a", "ext": "m4a", "protocol": "https"}),
            ("manifest audio", {"url": "https://x/a.m3u8", "ext": "m4a",
                                "protocol": "m3u8_native", "vcodec": "none"}),
        ]
        for better in range(len(kinds)):
            for worse in range(better + 1, len(kinds)):
                for chosen in (better, worse):
                    for formats in ([kinds[better][1], kinds[worse][1]],
                                    [kinds[worse][1], kinds[better][1]]):
                        name = "%s over %s, yt-dlp chose %s" % (
                            kinds[better][0], kinds[worse][0], kinds[chosen][0])
                        with self.subTest(name, order=[f["url"] for f in formats]):
                            info = dict(kinds[chosen][1], title="t", formats=formats,
                                        extractor_key="Youtube")
                            self.assertEqual(self.map(info)["furl"], kinds[better][1]["url"])


class _MediaHandler(http.server.BaseHTTPRequestHandler):
    seen = []

    def log_message(self, *args):
        pass

    def _answer(self, with_body):
        type(self).seen.append((self.command, self.path))
        if self.path == "/clip.mp4":
            self.send_response(200)
            self.send_header("Content-Length", "22312")
            self.end_headers()
            if with_body:
                self.wfile.write(b"\0" * 22312)
        elif self.path == "/moved":
            self.send_response(302)
            self.send_header("Location", "/clip.mp4")
            self.send_header("Content-Length", "0")
            self.end_headers()
        elif self.path == "/to-file":
            self.send_response(302)
            self.send_header("Location", "file:///etc/passwd")
            self.send_header("Content-Length", "0")
            self.end_headers()
        else:
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()

    def do_HEAD(self):
        self._answer(False)

    def do_GET(self):
        self._answer(True)


class HeadProbeTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _MediaHandler)
        cls.base = "http://127.0.0.1:%d" % cls.httpd.server_address[1]
        threading.Thread(target=cls.httpd.serve_forever, daemon=True).start()

    @classmethod
    def tearDownClass(cls):
        cls.httpd.shutdown()
        cls.httpd.server_close()

    def test_probe(self):
        cases = [
            ("/clip.mp4", 22312, [("HEAD", "/clip.mp4")]),
            # A redirect is followed as HEAD: the file is not fetched.
            ("/moved", 22312, [("HEAD", "/moved"), ("HEAD", "/clip.mp4")]),
            ("/to-file", None, [("HEAD", "/to-file")]),
            ("/missing", None, [("HEAD", "/missing")]),
        ]
        for path, size, requests in cases:
            with self.subTest(path=path):
                _MediaHandler.seen = []
                self.assertEqual(resolving.head_content_length(self.base + path, {}, 5), size)
                self.assertEqual(_MediaHandler.seen, requests)

    def test_unreachable_and_other_schemes(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            closed_port = s.getsockname()[1]
        for url in ["http://127.0.0.1:%d/x" % closed_port, "file:///etc/passwd",
                    "ftp://127.0.0.1/x", "not a url"]:
            with self.subTest(url=url):
                self.assertIsNone(resolving.head_content_length(url, {}, 2))


GOOD_INFO = {"title": "Clip", "url": "https://cdn.example/v.mp4", "ext": "mp4",
             "filesize": 1000, "duration": 2, "extractor_key": "Youtube"}


class ResolverTests(unittest.TestCase):
    def test_failures_give_no_fields(self):
        def raising(address, timeout):
            raise RuntimeError("ERROR: Unsupported URL")

        cases = [
            (raising, "failed"),
            (lambda a, t: None, "no video"),
            (lambda a, t: {"_type": "playlist", "entries": []}, "no video"),
        ]
        for extract, outcome in cases:
            with self.subTest(outcome=outcome):
                r = resolving.Resolver(extract=extract, deadline=5)
                fields, text = r.resolve("http://x/")
                self.assertIsNone(fields)
                self.assertTrue(text.startswith(outcome), text)
                self.assertEqual(len(r.locks), 0)

    def test_overrunning_extraction_times_out_and_keeps_its_slot(self):
        release = threading.Event()

        def slow(address, timeout):
            release.wait(10)
            return GOOD_INFO

        r = resolving.Resolver(extract=slow, deadline=0.3, max_concurrent=1)
        started = time.monotonic()
        self.assertEqual(r.resolve("http://a/"), (None, "timeout"))
        self.assertLess(time.monotonic() - started, 5)
        # The slow extraction still runs: a second address finds no slot.
        self.assertEqual(r.resolve("http://b/"), (None, "busy"))
        release.set()
        deadline = time.monotonic() + 5
        while len(r.locks) and time.monotonic() < deadline:
            time.sleep(0.01)
        r.deadline = 5
        fields, outcome = r.resolve("http://b/")
        self.assertEqual(outcome, "ok")
        self.assertEqual(fields["title"], "Clip")

    def test_thread_start_failing_releases_slot_and_lock(self):
        r = resolving.Resolver(extract=lambda a, t: GOOD_INFO, deadline=5,
                               max_concurrent=2, start=_cannot_start)
        for _ in range(5):
            fields, outcome = r.resolve("http://same/")
            self.assertIsNone(fields)
            self.assertTrue(outcome.startswith("failed: cannot start"), outcome)
        self.assertEqual(len(r.locks), 0)
        r.start = resolving.start_thread
        self.assertEqual(r.resolve("http://same/")[1], "ok")

    def test_concurrency_bounds(self):
        lock = threading.Lock()
        running = {"all": 0, "max_all": 0, "same": 0, "max_same": 0}

        def extract(address, timeout):
            with lock:
                running["all"] += 1
                running["max_all"] = max(running["max_all"], running["all"])
                if address == "http://same/":
                    running["same"] += 1
                    running["max_same"] = max(running["max_same"], running["same"])
            time.sleep(0.05)
            with lock:
                running["all"] -= 1
                if address == "http://same/":
                    running["same"] -= 1
            return GOOD_INFO

        r = resolving.Resolver(extract=extract, deadline=20, max_concurrent=2)
        addresses = ["http://same/"] * 5 + ["http://other%d/" % i for i in range(5)]
        results = []
        threads = [threading.Thread(target=lambda a=a: results.append(r.resolve(a)[1]))
                   for a in addresses]
        for t in threads:
            t.start()
        for t in threads:
            t.join(30)
        self.assertEqual(results, ["ok"] * len(addresses))
        self.assertEqual(running["max_same"], 1)
        self.assertLessEqual(running["max_all"], 2)
        self.assertEqual(len(r.locks), 0)


class _ServiceFixture:
    """The real HTTP front on 127.0.0.1 with the extraction replaced; its
    log is kept in self.log."""

    server_options = {}
    resolver_options = {}

    def setUp(self):
        self.calls = []
        self.behaviour = lambda address: dict(GOOD_INFO, title="标题 100%")

        def extract(address, timeout):
            self.calls.append(address)
            return self.behaviour(address)

        self.resolver = resolving.Resolver(extract=extract, deadline=5, **self.resolver_options)
        self.server = front.make_server("127.0.0.1", 0, self.resolver, **self.server_options)
        self.port = self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()
        self.stderr = sys.stderr
        self.log = sys.stderr = io.StringIO()

    def tearDown(self):
        sys.stderr = self.stderr
        self.server.shutdown()
        self.server.server_close()

    def connect(self, timeout=10):
        # A numeric address, so no name lookup (which a destination guard
        # would refuse) stands between the test and the service.
        s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        s.settimeout(timeout)
        s.connect(("127.0.0.1", self.port))
        return s

    def raw(self, request_bytes):
        with self.connect() as s:
            s.sendall(request_bytes)
            chunks = []
            while True:
                data = s.recv(65536)
                if not data:
                    break
                chunks.append(data)
        head, _, body = b"".join(chunks).partition(b"\r\n\r\n")
        lines = head.decode("latin-1").split("\r\n")
        headers = {k.lower(): v.strip() for k, v in
                   (line.split(":", 1) for line in lines[1:])}
        return int(lines[0].split()[1]), headers, body

    def get(self, path, host=None):
        # The request as the program's WinINet call sends it.
        host = "127.0.0.1:%d" % self.port if host is None else host
        return self.raw(("GET %s HTTP/1.0\r\n"
                         "Accept: */* \r\n"
                         "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"
                         "Host: %s\r\n"
                         "Pragma: no-cache\r\n"
                         "Accept: */*\r\n\r\n" % (path, host)).encode("latin-1"))


class HttpTests(_ServiceFixture, unittest.TestCase):
    """The service's HTTP front end, with the extraction replaced."""

    def test_resolved_reply(self):
        address = "http://example.com/中文.html"
        code, headers, body = self.get(request_path(address.encode("gbk")))
        self.assertEqual(code, 200)
        self.assertEqual(int(headers["content-length"]), len(body))
        self.assertEqual(headers["connection"], "close")
        self.assertIn("utf-8", headers["content-type"])
        self.assertEqual(self.calls, ["http://example.com/%E4%B8%AD%E6%96%87.html"])
        self.assertEqual(read_reply(body), {
            "title": "标题 100%", "furl": "https://cdn.example/v.mp4", "ftype": "mp4",
            "size": "1000", "time": "0:02", "site": "Youtube"})

    def test_empty_reply_cases(self):
        def raising(address):
            raise RuntimeError("network is unreachable")

        cases = [
            ("/url/=", None),
            ("/url/", None),
            ("/url/Y", None),
            ("/url/!!!!=", None),
            (request_path(b"ytsearch10:cats"), None),
            (request_path(b"file:///etc/passwd"), None),
            (request_path(b"http://h/\x81"), None),
            (request_path(b"http://example.com/x"), raising),
            (request_path(b"http://example.com/x"), lambda a: None),
        ]
        # Past the address check, the reply says why after the six fields.
        reasons = {raising: resolving.REASONS["fetch"], None: None}
        for path, behaviour in cases:
            with self.subTest(path=path):
                self.calls.clear()
                if behaviour:
                    self.behaviour = behaviour
                code, headers, body = self.get(path)
                self.assertEqual(code, 200)
                self.assertEqual(read_reply(body), EMPTY_FIELDS)
                self.assertEqual(reply_reason(body),
                                 reasons.get(behaviour, resolving.REASONS["no video"]))
                if reply_reason(body) is None:
                    self.assertEqual(body, reply.EMPTY_REPLY)
                self.assertEqual(len(self.calls), 1 if behaviour else 0)
        # The service still answers afterwards.
        self.behaviour = lambda a: GOOD_INFO
        code, _, body = self.get(request_path(b"http://example.com/y"))
        self.assertEqual(read_reply(body)["title"], "Clip")

    def test_other_paths(self):
        cases = [("/", 200, "Quorlin"), ("/index.html", 200, "Quorlin"),
                 ("/url", 404, "not found"), ("/favicon.ico", 404, "not found"),
                 ("/URL/YWJj=", 404, "not found")]
        for path, code, text in cases:
            with self.subTest(path=path):
                got, headers, body = self.get(path)
                self.assertEqual(got, code)
                self.assertEqual(int(headers["content-length"]), len(body))
                self.assertIn(text, body.decode("utf-8"))
        self.assertEqual(self.calls, [])

    def test_bounds_on_requests(self):
        code, _, _ = self.raw(b"GET /url/" + b"A" * front.MAX_REQUEST_LINE + b"= HTTP/1.0\r\n\r\n")
        self.assertEqual(code, 414)
        code, _, body = self.raw(b"POST /url/YWJj= HTTP/1.0\r\nContent-Length: 0\r\n\r\n")
        self.assertEqual(code, 501)
        # A long but admissible address still reaches the resolver.
        long_address = b"http://example.com/" + b"a" * 3000
        code, _, body = self.get(request_path(long_address))
        self.assertEqual((code, read_reply(body)["title"]), (200, "标题 100%"))
        self.assertEqual(self.calls, [long_address.decode()])

    def test_http11_client(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=10)
        conn.request("GET", request_path(b"http://example.com/z"))
        resp = conn.getresponse()
        body = resp.read()
        conn.close()
        self.assertEqual(resp.status, 200)
        self.assertEqual(read_reply(body)["title"], "标题 100%")

    def test_direct_media_preferred_to_a_manifest(self):
        self.behaviour = lambda address: dict(MANIFEST_AND_FILE, extractor_key="Youtube")
        _, _, body = self.get(request_path(b"http://example.com/v"))
        shown = read_reply(body)
        self.assertEqual((shown["furl"], shown["ftype"], shown["size"]),
                         ("https://cdn.example/v360.mp4", "mp4", "5000"))


class StreamlessStartTests(unittest.TestCase):
    """The service started the way pythonw.exe starts it on Windows: with no
    standard streams at all (sys.stderr is None)."""

    SERVICE = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                           "quorlin_service.py")

    def start(self, *args):
        code = ("import runpy, sys; sys.stdout = sys.stderr = None; sys.argv = %r; "
                "runpy.run_path(%r, run_name='__main__')" % (["quorlin_service.py"] + list(args),
                                                           self.SERVICE))
        proc = subprocess.Popen([sys.executable, "-c", code], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.addCleanup(proc.wait, 10)
        self.addCleanup(proc.stderr.close)
        self.addCleanup(proc.kill)
        return proc

    def wait_for(self, proc, ready):
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            if proc.poll() is not None:
                self.fail("the service exited with %d: %s" % (
                    proc.returncode, proc.stderr.read().decode(errors="replace")))
            found = ready()
            if found:
                return found
            time.sleep(0.05)
        self.fail("the service did not come up")

    def ask(self, port, path):
        conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        conn.request("GET", path)
        resp = conn.getresponse()
        body = resp.read()
        conn.close()
        return resp.status, body

    def test_serves_without_streams(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]

        def accepts():
            try:
                socket.create_connection(("127.0.0.1", port), timeout=1).close()
                return True
            except OSError:
                return False

        proc = self.start("--port", str(port))
        self.wait_for(proc, accepts)
        self.assertEqual(self.ask(port, "/url/!!!!="), (200, reply.EMPTY_REPLY))
        self.assertEqual(self.ask(port, "/")[0], 200)
        self.assertIsNone(proc.poll())

    def test_log_file_takes_the_messages(self):
        with tempfile.TemporaryDirectory() as tmp:
            log = os.path.join(tmp, "service.log")
            with open(log, "w", encoding="utf-8") as f:
                f.write("earlier run\n")
            proc = self.start("--port", "0", "--log", log)

            def text():
                with open(log, encoding="utf-8") as f:
                    return f.read()

            def port_in_log():
                found = re.search(r"listening on http://127\.0\.0\.1:(\d+)/", text())
                return found and int(found.group(1))

            port = self.wait_for(proc, port_in_log)
            self.assertEqual(self.ask(port, "/url/!!!!="), (200, reply.EMPTY_REPLY))
            self.wait_for(proc, lambda: "GET /url/!!!!= -> empty" in text())
            self.assertTrue(text().startswith("earlier run\n"))
            proc.kill()
            proc.wait(10)


def _cannot_start(target, name):
    raise RuntimeError("can't start new thread")


class HostileRequestTests(_ServiceFixture, unittest.TestCase):
    """Requests a user's machine meets besides the program's own, against
    the real front on 127.0.0.1, and the answer each must get."""

    server_options = {"max_connections": 20}
    resolver_options = {"max_concurrent": 2}

    def test_answers(self):
        port = self.port
        ok_path = request_path(b"http://example.com/v")
        fields, empty, nothing = "fields", reply.EMPTY_REPLY, b""
        cases = [
            # name, request head lines after the request line (None: the
            # program's own), path, (code, body), extractions
            ("the program's request", None, ok_path, (200, fields), 1),
            ("localhost", ["Host: localhost:%d" % port], ok_path, (200, fields), 1),
            ("names ignore case", ["Host: LocalHost:%d" % port], ok_path, (200, fields), 1),
            ("IPv6 loopback Host", ["Host: [::1]:%d" % port], ok_path, (200, fields), 1),
            ("foreign Host", ["Host: attacker.example:%d" % port], ok_path, (403, nothing), 0),
            ("foreign Host, start page", ["Host: attacker.example"], "/", (403, nothing), 0),
            ("foreign Host, other path", ["Host: attacker.example"], "/favicon.ico",
             (403, nothing), 0),
            ("loopback name, other port", ["Host: 127.0.0.1:%d" % (port + 1)], ok_path,
             (403, nothing), 0),
            ("loopback name, no port", ["Host: 127.0.0.1"], ok_path, (403, nothing), 0),
            ("loopback name with a dot", ["Host: localhost.:%d" % port], ok_path,
             (403, nothing), 0),
            ("no Host", [], ok_path, (403, nothing), 0),
            ("two Host headers", ["Host: 127.0.0.1:%d" % port, "Host: attacker.example"],
             ok_path, (403, nothing), 0),
            ("overlong path", None, "/url/" + "A" * front.MAX_REQUEST_LINE + "=",
             (414, None), 0),
            ("bad Base64", None, "/url/!!!!=", (200, empty), 0),
            ("Base64 of a NUL", None, "/url/AA==", (200, empty), 0),
            ("file: address", None, request_path(b"file:///etc/passwd"), (200, empty), 0),
            ("ftp: address", None, request_path(b"ftp://example.com/v.mp4"), (200, empty), 0),
            ("javascript: address", None, request_path(b"javascript:alert(1)"),
             (200, empty), 0),
            ("data: address", None, request_path(b"data:text/html,<video src=x>"),
             (200, empty), 0),
            ("search pseudo-address", None, request_path(b"ytsearch10:cats"), (200, empty), 0),
        ]
        for name, lines, path, (code, body), extractions in cases:
            with self.subTest(name):
                self.calls.clear()
                if lines is None:
                    got_code, headers, got_body = self.get(path)
                else:
                    got_code, headers, got_body = self.raw(
                        ("GET %s HTTP/1.0\r\n%s\r\n" % (
                            path, "".join(l + "\r\n" for l in lines))).encode("latin-1"))
                self.assertEqual(got_code, code)
                if body == "fields":
                    self.assertEqual(read_reply(got_body)["title"], "标题 100%")
                elif body is not None:
                    self.assertEqual(got_body, body)
                    self.assertEqual(int(headers["content-length"]), len(body))
                self.assertEqual(len(self.calls), extractions)

    def test_200_concurrent_connections(self):
        cap = self.server.max_connections
        sockets = [self.connect(timeout=10) for _ in range(200)]
        try:
            # Those past the cap are answered 503 at once; the others wait
            # for a request.
            answers = {}
            deadline = time.monotonic() + 10
            while len(answers) < 200 - cap and time.monotonic() < deadline:
                readable, _, _ = select.select(
                    [s for s in sockets if s not in answers], [], [], 0.5)
                for s in readable:
                    answers[s] = s.recv(4096)
            time.sleep(0.2)
            readable, _, _ = select.select([s for s in sockets if s not in answers], [], [], 0)
            self.assertEqual(readable, [])
            self.assertEqual(len(answers), 200 - cap)
            for data in answers.values():
                self.assertTrue(data.startswith(b"HTTP/1.0 503 "), data)
            # The program's request finds the service full as well.
            self.assertEqual(self.get(request_path(b"http://example.com/v"))[0], 503)
            self.assertEqual(self.server.open_connections, cap)
        finally:
            for s in sockets:
                s.close()
        # Once they are gone the service answers again.
        deadline = time.monotonic() + 10
        while self.server.open_connections and time.monotonic() < deadline:
            time.sleep(0.05)
        code, _, body = self.get(request_path(b"http://example.com/v"))
        self.assertEqual((code, read_reply(body)["title"]), (200, "标题 100%"))

    def test_thread_start_failing(self):
        ok_path = request_path(b"http://example.com/v")
        # The extraction's thread: each request gets the empty reply and
        # leaves its slot and address lock free.
        self.resolver.start = _cannot_start
        for _ in range(self.resolver.max_concurrent + 3):
            self.assertEqual(self.get(ok_path)[:3:2], (200, reply.EMPTY_REPLY))
        self.assertEqual(len(self.resolver.locks), 0)
        # A connection's thread: 503, and the connection is not counted.
        self.server.start = _cannot_start
        for _ in range(self.server.max_connections + 3):
            self.assertEqual(self.get(ok_path)[0], 503)
        self.assertEqual(self.server.open_connections, 0)
        self.server.start = self.resolver.start = resolving.start_thread
        code, _, body = self.get(ok_path)
        self.assertEqual((code, read_reply(body)["title"]), (200, "标题 100%"))
        self.assertEqual(self.calls, ["http://example.com/v"])

    def test_log_lines_escape_control_characters(self):
        path = "/url/\x1b[2J\x08\x00\x7f\x9bX"
        request = ("GET %s HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n\r\n" % (path, self.port))
        self.assertEqual(self.raw(request.encode("latin-1"))[0], 200)
        self.raw(b"GET / HTTP/1.0\r\nHost: x\x1b[1A\r\n\r\n")
        self.raw(b"GET /a\rb HTTP/1.0\r\n\r\n")
        deadline = time.monotonic() + 5
        while self.log.getvalue().count("\n") < 3 and time.monotonic() < deadline:
            time.sleep(0.05)
        log = self.log.getvalue()
        self.assertIn(r"/url/\x1b[2J\x08\x00\x7f\x9bX", log)
        self.assertEqual([c for c in log if ord(c) < 0x20 and c != "\n" or 0x7f <= ord(c) < 0xa0],
                         [])
        self.assertEqual(log.count("\n"), 3)


class AllowedHostTests(unittest.TestCase):
    def test_host_values(self):
        loopback = {"127.0.0.1:8610", "localhost:8610", "[::1]:8610"}
        cases = [
            (("127.0.0.1", 8610, []), loopback),
            (("::1", 8610, []), loopback),
            (("localhost", 8610, []), loopback),
            (("127.0.0.1", 8610, ["Box.LAN"]), loopback | {"box.lan:8610"}),
            (("192.0.2.7", 8610, []), {"192.0.2.7:8610"}),
            (("192.0.2.7", 80, []), {"192.0.2.7:80", "192.0.2.7"}),
            (("0.0.0.0", 8610, ["quorlin.lan", "10.0.0.5:9000", "fe80::1", "[2001:db8::1]:81"]),
             {"quorlin.lan:8610", "10.0.0.5:9000", "[fe80::1]:8610", "[2001:db8::1]:81"}),
            (("::", 8610, []), {"[::]:8610"}),
        ]
        for args, values in cases:
            with self.subTest(args=args):
                self.assertEqual(front.allowed_host_values(*args), values)


class _Recorder(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        self.server.seen.append(self.path)
        if self.path.startswith("/to/"):
            self.send_response(302)
            self.send_header("Location", "http://" + self.path[len("/to/"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        body = b"page"
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    do_HEAD = do_GET


def _recording_server(host):
    server = http.server.ThreadingHTTPServer((host, 0), _Recorder)
    server.seen = []
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


class DestinationGuardTests(unittest.TestCase):
    def tearDown(self):
        resolving.install_destination_guard(None)

    def test_global_addresses(self):
        cases = [
            ("127.0.0.1", False), ("127.1.2.3", False), ("10.0.0.1", False),
            ("172.16.5.4", False), ("192.168.1.1", False), ("169.254.169.254", False),
            ("100.64.0.1", False), ("0.0.0.0", False), ("224.0.0.1", False),
            ("255.255.255.255", False), ("::1", False), ("::", False), ("fe80::1%2", False),
            ("fc00::1", False), ("::ffff:127.0.0.1", False), ("::ffff:169.254.169.254", False),
            ("not an address", False),
            ("93.184.216.34", True), ("8.8.8.8", True), ("2001:4860:4860::8888", True),
            ("::ffff:8.8.8.8", True),
        ]
        for ip, is_global in cases:
            with self.subTest(ip=ip):
                self.assertEqual(resolving.is_global_address(ip), is_global)

    def test_every_redirect_is_checked(self):
        # 127.0.0.1 stands for a public site, 127.0.0.2 for a private one.
        public, private = _recording_server("127.0.0.1"), _recording_server("127.0.0.2")
        try:
            target = "127.0.0.2:%d/secret" % private.server_address[1]
            start = "http://127.0.0.1:%d" % public.server_address[1]
            resolving.install_destination_guard(lambda ip: ip == "127.0.0.1")
            with urllib.request.urlopen(start + "/page", timeout=5) as resp:
                self.assertEqual(resp.read(), b"page")
            for url in ["http://" + target, start + "/to/" + target,
                        start + "/to/127.0.0.1:%d/to/%s" % (public.server_address[1], target)]:
                with self.subTest(url=url):
                    with self.assertRaises(urllib.error.URLError) as caught:
                        urllib.request.urlopen(url, timeout=5)
                    self.assertIsInstance(caught.exception.reason,
                                          resolving.PrivateDestinationError)
                    self.assertIsNone(resolving.head_content_length(url, {}, 5))
            self.assertEqual(private.seen, [])
            resolving.install_destination_guard(None)
            with urllib.request.urlopen(start + "/to/" + target, timeout=5) as resp:
                self.assertEqual(resp.read(), b"page")
            self.assertEqual(private.seen, ["/secret"])
        finally:
            for server in (public, private):
                server.shutdown()
                server.server_close()


class ExposedServiceTests(_ServiceFixture, unittest.TestCase):
    """The front as it runs when listening beyond loopback without
    --allow-private: pages on non-global addresses are refused before any
    extraction."""

    def setUp(self):
        super().setUp()
        resolving.install_destination_guard()

    def tearDown(self):
        resolving.install_destination_guard(None)
        super().tearDown()

    def test_private_pages_refused(self):
        for address in [b"http://127.0.0.1:8080/v", b"http://localhost/v", b"http://[::1]/v",
                        b"http://10.1.2.3/v", b"http://192.168.0.1/v",
                        b"http://169.254.169.254/latest/meta-data/",
                        b"http://[::ffff:127.0.0.1]/v", b"http://0.0.0.0/v"]:
            with self.subTest(address=address):
                code, _, body = self.get(request_path(address))
                self.assertEqual((code, read_reply(body)), (200, EMPTY_FIELDS))
                self.assertEqual(reply_reason(body), resolving.REASONS["refused"])
        self.assertEqual(self.calls, [])


class _Endless(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def log_message(self, *args):
        pass

    def do_GET(self):
        self.send_response(200)
        size = {"/at-limit": resolving.MAX_PAGE_BYTES,
                "/past-limit": resolving.MAX_PAGE_BYTES + 1}.get(self.path)
        if size is not None:
            self.send_header("Content-Length", str(size))
        self.end_headers()
        block = b"<p>" + b"x" * 65530 + b"</p>"
        sent = 0
        try:
            while size is None or sent < size:
                part = block if size is None else block[:size - sent]
                self.wfile.write(part)
                sent += len(part)
        except (BrokenPipeError, ConnectionResetError):
            pass


class PageLimitTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Endless)
        cls.site.daemon_threads = True
        cls.base = "http://127.0.0.1:%d" % cls.site.server_address[1]
        threading.Thread(target=cls.site.serve_forever, daemon=True).start()
        resolving.install_page_limit()

    @classmethod
    def tearDownClass(cls):
        resolving.install_page_limit(False)
        cls.site.shutdown()
        cls.site.server_close()

    def test_bodies_are_bounded(self):
        def whole(resp):
            return len(resp.read())

        def pieces(resp):
            n = 0
            while True:
                data = resp.read(100000)
                if not data:
                    return n
                n += len(data)

        def into(resp):
            n, buffer = 0, bytearray(300000)
            while True:
                got = resp.readinto(buffer)
                if not got:
                    return n
                n += got

        for path, size in [("/at-limit", resolving.MAX_PAGE_BYTES), ("/past-limit", None),
                           ("/endless", None)]:
            for read in (whole, pieces, into):
                with self.subTest(path=path, read=read.__name__):
                    with urllib.request.urlopen(self.base + path, timeout=10) as resp:
                        if size is None:
                            with self.assertRaises(resolving.PageTooLargeError):
                                read(resp)
                        else:
                            self.assertEqual(read(resp), size)



class EmbeddedAddressTests(unittest.TestCase):
    """IPv6 forms that carry an IPv4 address, and site-local addresses: the
    guard looks at where the packets end up."""

    CASES = [
        ("::127.0.0.1", False),                 # IPv4-compatible
        ("::a9fe:a9fe", False),
        ("::ffff:0:7f00:1", False),             # IPv4-translated
        ("::ffff:0:a00:1", False),
        ("64:ff9b::a9fe:a9fe", False),          # NAT64 of 169.254.169.254
        ("64:ff9b::c0a8:101", False),           # NAT64 of 192.168.1.1
        ("2002:7f00:1::1", False),              # 6to4 of 127.0.0.1
        ("2002:a00:1::", False),                # 6to4 of 10.0.0.1
        ("2001:0:4136:e378:8000:63bf:80ff:fffe", False),  # Teredo, client 127.0.0.1
        ("2001:0:a00:1:8000:63bf:3fff:fdd2", False),      # Teredo, server 10.0.0.1
        ("fec0::1", False), ("feff::1", False),  # site-local
        ("::ffff:8.8.8.8", True), ("::808:808", True), ("::ffff:0:808:808", True),
        ("64:ff9b::808:808", True), ("2002:808:808::1", True),
        ("2001:4860:4860::8888", True),
    ]

    def test_forms(self):
        for ip, is_global in self.CASES:
            with self.subTest(ip=ip):
                self.assertEqual(resolving.is_global_address(ip), is_global)


class ResolvedNameTests(_ServiceFixture, unittest.TestCase):
    """An attacker's name whose AAAA record holds such a form, through the
    exposed front with a name-resolution stub under the destination guard."""

    RECORDS = {"nat64.example": "64:ff9b::a9fe:a9fe", "compat.example": "::127.0.0.1",
               "sixtofour.example": "2002:c0a8:101::1", "site.example": "fec0::5",
               "public.example": "2001:4860:4860::8888"}

    def setUp(self):
        super().setUp()

        def stub(host, port, *args, **kwargs):
            if host in self.RECORDS:
                return [(socket.AF_INET6, socket.SOCK_STREAM, 6, "",
                         (self.RECORDS[host], port or 0, 0, 0))]
            return resolving.guards._real_getaddrinfo(host, port, *args, **kwargs)

        resolving.install_destination_guard(resolve=stub)

    def tearDown(self):
        resolving.install_destination_guard(None)
        super().tearDown()

    def test_names(self):
        for name in self.RECORDS:
            with self.subTest(name=name):
                self.calls.clear()
                code, _, body = self.get(request_path(b"http://%s/v" % name.encode()))
                if name == "public.example":
                    self.assertEqual(read_reply(body)["title"], "标题 100%")
                    self.assertEqual(self.calls, ["http://public.example/v"])
                else:
                    self.assertEqual(read_reply(body), EMPTY_FIELDS)
                    self.assertEqual(reply_reason(body), resolving.REASONS["refused"])
                    self.assertEqual(self.calls, [])


class CodePage936Tests(unittest.TestCase):
    def test_bytes_the_platform_decodes(self):
        cases = [
            (b"\x80", "\u20ac"), (b"\xff", "\uf8f5"),
            (b"\xaa\xa1", "\ue000"), (b"\xaf\xfe", "\ue233"),
            (b"\xf8\xa1", "\ue234"), (b"\xfe\xfe", "\ue4c5"),
            (b"\xa1\x40", "\ue4c6"), (b"\xa1\x7e", "\ue504"), (b"\xa1\x80", "\ue505"),
            (b"\xa7\xa0", "\ue765"),
            ("中文".encode("gbk"), "中文"),
        ]
        for data, text in cases:
            with self.subTest(data=data):
                self.assertEqual(front.decode_address(b"http://h/" + data), "http://h/" + text)

    def test_user_defined_areas_match_the_standard_mapping(self):
        # GB 18030 maps the user-defined areas of GBK as Windows does.
        areas = [(range(0xAA, 0xB0), range(0xA1, 0xFF)), (range(0xF8, 0xFF), range(0xA1, 0xFF)),
                 (range(0xA1, 0xA8), [t for t in range(0x40, 0xA1) if t != 0x7F])]
        count = 0
        for leads, trails in areas:
            for lead in leads:
                for trail in trails:
                    data = bytes((lead, trail))
                    self.assertEqual(front.decode_address(data), data.decode("gb18030"), data)
                    count += 1
        self.assertEqual(count, 0xE766 - 0xE000)

    def test_still_refused(self):
        for data in [b"\x81", b"\x81\x20", b"\xa1\x7f", b"\xfe\x20"]:
            with self.subTest(data=data):
                with self.assertRaises(ValueError):
                    front.decode_address(b"http://h/" + data)

    def test_reaches_the_extractor(self):
        fixture = HttpTests("test_resolved_reply")
        fixture.setUp()
        try:
            code, _, body = fixture.get(request_path(b"http://example.com/\xaa\xa1\xff"))
            self.assertEqual(read_reply(body)["title"], "标题 100%")
            self.assertEqual(fixture.calls, ["http://example.com/%EE%80%80%EF%A3%B5"])
        finally:
            fixture.tearDown()


class WebPageRequestTests(_ServiceFixture, unittest.TestCase):
    """Requests a web page in the user's browser makes it send (the header
    sets of current browsers), against the program's own."""

    def test_answers(self):
        ref = "Referer: https://attacker.example/page.html"
        cases = [
            ("the program's request", [], 200),
            ("typed into the address bar",
             ["Sec-Fetch-Site: none", "Sec-Fetch-Mode: navigate", "Sec-Fetch-Dest: document",
              "Sec-Fetch-User: ?1"], 200),
            ("<img>", ["Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: no-cors",
                       "Sec-Fetch-Dest: image", ref], 403),
            ("<img referrerpolicy=no-referrer>",
             ["Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: no-cors", "Sec-Fetch-Dest: image"],
             403),
            ("form GET", ["Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: navigate",
                          "Sec-Fetch-Dest: document", "Sec-Fetch-User: ?1", ref], 403),
            ("fetch no-cors", ["Sec-Fetch-Site: cross-site", "Sec-Fetch-Mode: no-cors",
                               "Sec-Fetch-Dest: empty", ref], 403),
            ("fetch cors", ["Origin: https://attacker.example", "Sec-Fetch-Site: cross-site",
                            "Sec-Fetch-Mode: cors", "Sec-Fetch-Dest: empty", ref], 403),
            ("page on another port of loopback",
             ["Sec-Fetch-Site: same-site", "Sec-Fetch-Mode: no-cors", "Sec-Fetch-Dest: image"],
             403),
            ("sandboxed frame", ["Origin: null", "Sec-Fetch-Site: cross-site"], 403),
            ("a browser without Sec-Fetch", [ref], 403),
        ]
        for path in (request_path(b"http://example.com/v"), "/health", "/"):
            for name, lines, code in cases:
                with self.subTest(name, path=path[:12]):
                    self.calls.clear()
                    got, _, body = self.raw(("GET %s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\n%s\r\n" % (
                        path, self.port, "".join(l + "\r\n" for l in lines))).encode("latin-1"))
                    self.assertEqual(got, code)
                    if code == 403:
                        self.assertEqual((body, self.calls), (b"", []))

    def test_health(self):
        code, headers, body = self.get("/health")
        self.assertEqual((code, body), (200, b"quorlin-service 0.3.0"))
        self.assertEqual(headers["content-length"], str(len(body)))
        self.assertEqual(self.calls, [])


class ListenAddressTests(unittest.TestCase):
    def test_other_loopback_address_answers_its_own_name(self):
        self.assertEqual(front.allowed_host_values("127.0.0.2", 8610),
                         {"127.0.0.1:8610", "localhost:8610", "[::1]:8610", "127.0.0.2:8610"})
        server = front.make_server("127.0.0.2", 0, resolving.Resolver(
            extract=lambda a, t: GOOD_INFO, deadline=5))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        stderr, sys.stderr = sys.stderr, io.StringIO()
        try:
            port = server.server_address[1]
            conn = http.client.HTTPConnection("127.0.0.2", port, timeout=10)
            conn.request("GET", request_path(b"http://example.com/v"))
            resp = conn.getresponse()
            self.assertEqual((resp.status, read_reply(resp.read())["title"]), (200, "Clip"))
            conn.close()
        finally:
            sys.stderr = stderr
            server.shutdown()
            server.server_close()


class SlowClientTests(_ServiceFixture, unittest.TestCase):
    """Clients that send their request head a byte at a time, never ending
    it, and heads of any size: each connection ends by the head deadline
    (a short one here; 10 s in service) or past 64 KiB."""

    server_options = {"head_deadline": 1.5}

    def test_dripping_clients_do_not_hold_the_service(self):
        cap = self.server.max_connections
        stop = threading.Event()
        drippers = [self.connect() for _ in range(cap)]
        closed = []

        def drip():
            while not stop.is_set() and len(closed) < len(drippers):
                for s in drippers:
                    if s in closed:
                        continue
                    try:
                        s.send(b"G")
                    except OSError:
                        closed.append(s)
                stop.wait(0.3)

        thread = threading.Thread(target=drip, daemon=True)
        thread.start()
        started = time.monotonic()
        try:
            time.sleep(0.5)
            self.assertEqual(self.get("/health")[0], 503)   # every connection held
            while True:
                code, _, body = self.get(request_path(b"http://example.com/v"))
                if code == 200 or time.monotonic() - started > 10:
                    break
                time.sleep(0.1)
            self.assertEqual((code, read_reply(body)["title"]), (200, "标题 100%"))
            self.assertLess(time.monotonic() - started, 1.5 + 2)
            for s in drippers:  # the service closed them, answering nothing
                s.settimeout(5)
                self.assertEqual(s.recv(100), b"")
        finally:
            stop.set()
            thread.join(5)
            for s in drippers:
                s.close()
        self.assertNotIn("Traceback", self.log.getvalue())

    def test_head_size(self):
        line = "X-Filler: " + "a" * 990 + "\r\n"
        cases = [(60, 200), (70, 431)]  # 1000-byte header lines
        for count, code in cases:
            with self.subTest(count=count):
                got, _, _ = self.raw(("GET /health HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n%s\r\n" % (
                    self.port, line * count)).encode("latin-1"))
                self.assertEqual(got, code)


class ReasonTests(unittest.TestCase):
    def test_reason_element(self):
        cases = [
            (None, None, None),
            (None, "页面上没有找到视频", "页面上没有找到视频"),
            (None, "x]]></error><furl><![CDATA[http://evil/", "x]]＞＜/error＞＜furl＞＜![CDATA[http://evil/"),
            (ReplyTests.BASE, "页面上没有找到视频", None),   # a found video has no reason
        ]
        for fields, reason, shown in cases:
            with self.subTest(reason=reason, found=bool(fields)):
                body = reply.build_reply(fields, reason)
                ET.fromstring(body)
                self.assertEqual(reply_reason(body), shown)
                self.assertEqual(read_reply(body),
                                 ReplyTests.SHOWN_BASE if fields else EMPTY_FIELDS)
                if shown is None and fields is None:
                    self.assertEqual(body, reply.EMPTY_REPLY)

    def test_outcomes(self):
        cases = [
            ("busy", "busy"), ("busy (same address)", "busy"), ("timeout", "timeout"),
            ("no video", "no video"), ("failed: ERROR: Unsupported URL: http://x/", "no video"),
            ("failed: ERROR: Unable to download webpage: HTTP Error 404", "fetch"),
            ("private destination", "refused"),
            ("failed: x resolves to 10.0.0.1, which is not a global address", "refused"),
            ("failed: response body larger than 8388608 bytes", "too large"),
            ("failed: the extraction's deadline has passed", "timeout"),
            ("host does not resolve", "fetch"),
            ("failed: cannot start extraction: no thread", None),
        ]
        for outcome, key in cases:
            with self.subTest(outcome=outcome):
                self.assertEqual(resolving.failure_reason(outcome),
                                 resolving.REASONS[key] if key else None)


class CacheTests(unittest.TestCase):
    def test_repeated_requests_answer_from_the_cache(self):
        now = [0.0]
        calls = []

        def extract(address, timeout):
            calls.append(address)
            if "fail" in address:
                raise RuntimeError("ERROR: Unsupported URL")
            return dict(GOOD_INFO, title=address)

        r = resolving.Resolver(extract=extract, deadline=5, cache_seconds=600,
                               clock=lambda: now[0])
        self.assertEqual(r.resolve("http://Example.com:80/v")[1], "ok")
        for same in ["http://example.com/v", "HTTP://EXAMPLE.COM/v", "http://example.com:80/v"]:
            with self.subTest(same=same):
                fields, outcome = r.resolve(same)
                self.assertEqual((fields["title"], outcome),
                                 ("http://Example.com:80/v", "ok (cached)"))
        for other in ["http://example.com/V", "http://example.com:81/v", "https://example.com/v",
                      "http://example.com/v?x=1"]:
            with self.subTest(other=other):
                self.assertEqual(r.resolve(other)[1], "ok")
        self.assertEqual(len(calls), 5)
        # Failures are not kept; entries expire.
        r.resolve("http://example.com/fail")
        r.resolve("http://example.com/fail")
        self.assertEqual(len(calls), 7)
        now[0] = 600
        self.assertEqual(r.resolve("http://example.com/v")[1], "ok")
        self.assertEqual(len(calls), 8)

    def test_bounded_least_recently_used_out(self):
        cache = resolving.ResultCache(600, size=3)
        for i in range(3):
            cache.put("http://h/%d" % i, {"title": i})
        cache.get("http://h/0")
        cache.put("http://h/3", {"title": 3})
        self.assertEqual([cache.get("http://h/%d" % i) is not None for i in range(4)],
                         [True, False, True, True])
        self.assertEqual(len(cache), 3)
        off = resolving.ResultCache(0)
        off.put("http://h/", {"title": 1})
        self.assertIsNone(off.get("http://h/"))


class _Handler:
    def __init__(self, ydl):
        pass


def _stand_in_ytdlp(with_director, with_networking=True):
    """A module that plays yt-dlp's interface: a YoutubeDL whose
    constructor builds its request director from every registered handler,
    through build_request_director where the release has it."""
    module = type(sys)("yt_dlp")
    handlers = {key: type(key + "RH", (_Handler,), {"RH_KEY": key})
                for key in ("Urllib", "Requests", "Websockets", "CurlCFFI")}

    class Director:
        def __init__(self, chosen):
            self.handlers = {h.RH_KEY: h(None) for h in chosen}

    class YoutubeDL:
        def __init__(self, params=None):
            self.params = params
            if with_director:
                self._request_director = self.build_request_director(handlers.values())
            elif with_networking:
                self._request_director = Director(handlers.values())

    if with_director:
        YoutubeDL.build_request_director = lambda self, hs, preferences=None: Director(hs)
    module.YoutubeDL = YoutubeDL
    if with_networking:
        module.networking = type(sys)("yt_dlp.networking")
    return module


class RequestHandlerTests(unittest.TestCase):
    def test_restriction(self):
        module = _stand_in_ytdlp(with_director=True)
        cls, how = resolving.guards.guarded_youtubedl(module)
        self.assertEqual(resolving.guards.handlers_in_use(cls({})), ["Requests", "Urllib"])
        self.assertIn("restricted", how)
        # The release as it is would hold them all.
        self.assertEqual(len(resolving.guards.handlers_in_use(module.YoutubeDL({}))), 4)

    def test_releases_that_cannot_be_restricted(self):
        module = _stand_in_ytdlp(with_director=False)
        with self.assertRaises(resolving.guards.HandlerRestrictionError):
            resolving.guards.guarded_youtubedl(module)
        cls, how = resolving.guards.guarded_youtubedl(module, strict=False)
        self.assertIs(cls, module.YoutubeDL)
        self.assertIn("NOT restricted", how)
        old = _stand_in_ytdlp(with_director=False, with_networking=False)
        old.__name__ = "yt_dlp_old_stand_in"
        cls, how = resolving.guards.guarded_youtubedl(old)
        self.assertIs(cls, old.YoutubeDL)
        self.assertEqual(resolving.guards.handlers_in_use(cls({})), ["Urllib"])

    def test_exposed_service_refuses_to_start(self):
        # The real service, with a stand-in yt_dlp package first on the path
        # that has request handlers but no way to restrict them.
        with tempfile.TemporaryDirectory() as tmp:
            package = os.path.join(tmp, "yt_dlp")
            os.makedirs(os.path.join(package, "networking"))
            with open(os.path.join(package, "__init__.py"), "w") as f:
                f.write("class YoutubeDL:\n    def __init__(self, params=None):\n"
                        "        self.params = params\n")
            open(os.path.join(package, "networking", "__init__.py"), "w").close()
            env = dict(os.environ, PYTHONPATH=tmp)
            service = StreamlessStartTests.SERVICE
            for extra, code, text in [(["--exposed"], 2, "error: the service is reachable"),
                                      ([], None, "NOT restricted")]:
                with self.subTest(extra=extra):
                    proc = subprocess.Popen([sys.executable, service, "--port", "0"] + extra,
                                            env=env, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                            text=True)
                    try:
                        if code is not None:
                            self.assertEqual(proc.wait(20), code)
                            self.assertIn(text, proc.stderr.read())
                        else:
                            lines = [proc.stderr.readline(), proc.stderr.readline()]
                            self.assertIn("listening on", lines[0])
                            self.assertIn(text, lines[1])
                    finally:
                        proc.kill()
                        proc.wait(10)
                        proc.stderr.close()


if __name__ == "__main__":
    unittest.main()
