#!/usr/bin/env python3
"""Speed of a resolution against a plain fetch of the same page, in one run.

A loopback page with one <video> is resolved through the real service front
(the program's request over HTTP, real yt-dlp with the kept YoutubeDL
objects), uncached and cached, and fetched plainly over HTTP; the medians
and their ratios are printed.  Targets: uncached at most 10 times the plain
fetch (the page plus the HEAD of its video is the floor, about 2 times),
cached at most 2 times.  Exits 1 when a target is missed.

    /usr/bin/python3 service/bench/service_bench.py [--runs N]
"""

import argparse
import http.client
import http.server
import io
import os
import statistics
import sys
import threading
import time
import urllib.request

SERVICE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, SERVICE_DIR)

from linkservice import front  # noqa: E402
from linkservice import resolver as resolving  # noqa: E402
from tests.program_reader import read_reply, request_path  # noqa: E402

PAGE = (b"<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>bench</title></head>"
        b"<body><video src=\"clip.mp4\" controls></video></body></html>")
CLIP = b"\0" * 4096


class Site(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def _answer(self, body):
        data = {"/page.html": PAGE, "/clip.mp4": CLIP}.get(self.path.split("?", 1)[0])
        self.send_response(200 if data is not None else 404)
        self.send_header("Content-Length", str(len(data or b"")))
        self.end_headers()
        if body and data:
            self.wfile.write(data)

    def do_GET(self):
        self._answer(True)

    def do_HEAD(self):
        self._answer(False)


def get(port, path, host):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=30)
    conn.request("GET", path, headers={"Host": host})
    resp = conn.getresponse()
    body = resp.read()
    conn.close()
    return resp.status, body


def median_ms(action, runs):
    times = []
    for i in range(runs):
        started = time.perf_counter()
        action(i)
        times.append((time.perf_counter() - started) * 1000)
    return statistics.median(times)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--runs", type=int, default=8)
    p.add_argument("--fresh", action="store_true",
                   help="also time an extraction with a new YoutubeDL object, for comparison")
    args = p.parse_args()
    site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
    site_port = site.server_address[1]
    threading.Thread(target=site.serve_forever, daemon=True).start()
    page = "http://127.0.0.1:%d/page.html" % site_port
    sys.stderr, stderr = io.StringIO(), sys.stderr

    services = {}
    for name, seconds in (("uncached", 0), ("cached", 600)):
        resolver = resolving.Resolver(deadline=25, socket_timeout=10, cache_seconds=seconds)
        resolver.prepare()
        server = front.make_server("127.0.0.1", 0, resolver)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        services[name] = server.server_address[1]

    def plain(i):
        # As the extractor fetches a page: urllib, one connection per fetch.
        with urllib.request.urlopen(page + "?r=%d" % i, timeout=30) as resp:
            assert resp.read() == PAGE

    def resolution(name, vary):
        port = services[name]

        def run(i):
            address = page + ("?r=%d" % i if vary else "")
            status, body = get(port, request_path(address.encode("gbk")), "127.0.0.1:%d" % port)
            assert status == 200 and read_reply(body)["ftype"] == "mp4", body
        return run

    plain(-1)
    resolution("uncached", True)(-1)   # warm the extractors' first use
    resolution("cached", False)(-1)    # fills the cache
    base = median_ms(plain, args.runs)
    uncached = median_ms(resolution("uncached", True), args.runs)
    cached = median_ms(resolution("cached", False), args.runs)
    fresh = median_ms(lambda i: resolving.ytdlp_extract(page + "?f=%d" % i, 10), args.runs) \
        if args.fresh else None
    sys.stderr = stderr
    ok = True
    print("plain fetch of the page          %8.2f ms" % base)
    for name, value, target in (("resolution, uncached", uncached, 10), ("resolution, cached", cached, 2)):
        met = value / base <= target
        ok = ok and met
        print("%-32s %8.2f ms  %5.2fx plain  (target <= %dx: %s)" % (
            name, value, value / base, target, "met" if met else "MISSED"))
    if fresh is not None:
        print("extraction, new YoutubeDL each   %8.2f ms  %5.2fx plain" % (fresh, fresh / base))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
