#!/usr/bin/python3
"""The whole chain with real parts: a web page with an HTML5 <video> and a
real mp4 clip served on 127.0.0.1, the real link-resolution service (yt-dlp)
on the port the program's test build is compiled to ask, and the real
Quorlin-e2e.exe under Wine, driven through its window by the Windows test
program resolve_page_test.exe.

This script makes the clip, starts both servers, runs the test program
through tools/wine-exec (so it needs the DISPLAY and Wine prefix that
tools/wine-session provides), stops the servers and exits with the test
program's exit code.  Exit code 77 means skipped (no ffmpeg or no yt_dlp).
--program and --service drive another build of the program against another
copy of the service (an unpacked release bundle).

The expected label texts go to the test program in environment variables,
hex-encoded in code page 936, the way the program's controls hold them.
"""

import argparse
import http.server
import importlib.util
import os
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

SKIP = 77
MiB = 1048576

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SERVICE = os.path.join(ROOT, "service", "quorlin_service.py")
WINE_EXEC = os.path.join(ROOT, "tools", "wine-exec")

# An ASCII title with Chinese words and a "%" (the service sends it as %25,
# the program percent-decodes the whole reply).
TITLE = "Quorlin loopback clip 测试视频 100% 中文"
PAGE_PATH = "/videos/page.html"
CLIP_PATH = "/videos/clip.mp4"
# The media address carries a query with "&", which the service passes on
# as it is and the program must not cut.
CLIP_QUERY = "?part=1&x=2"
CLIP_SECONDS = 3
# Code page 936 writes the euro sign and U+F8F5 as lone bytes of 0x80 and
# above; a title ending in one would reach the window empty unless the
# service spells it out or drops it.
LONE_BYTE_TITLE = "Quorlin 价格 9€ 标价\uf8f5 €"
LONE_BYTE_SHOWN = "Quorlin 价格 9EUR 标价 EUR"
LONE_BYTE_PAGE_PATH = "/videos/lone-bytes.html"


def page(title):
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
            "<title>%s</title></head>\n"
            "<body><h1>clip</h1><video src=\"clip.mp4%s\" controls></video></body></html>\n"
            % (title, CLIP_QUERY.replace("&", "&amp;")))


# (page path, title the page holds, title the program must show)
CASES = [
    (PAGE_PATH, TITLE, TITLE),
    (LONE_BYTE_PAGE_PATH, LONE_BYTE_TITLE, LONE_BYTE_SHOWN),
]


def log(message):
    sys.stderr.write("program_e2e: %s\n" % message)
    sys.stderr.flush()


def megabytes_label(size):
    """The size label for a byte count: MiB rounded half away from zero."""
    whole, rest = divmod(size, MiB)
    return "%dMB" % (whole + (1 if 2 * rest >= MiB else 0))


def make_clip(folder):
    """A real H.264/AAC mp4 of a few MB.  The picture is noise so it does not
    compress away; a trailing top-level "free" box then brings the file to a
    size whose MiB figure has .6 as fraction, so the label needs rounding up."""
    path = os.path.join(folder, "clip.mp4")
    subprocess.run(
        ["ffmpeg", "-nostdin", "-loglevel", "error", "-y",
         "-f", "lavfi", "-i",
         "testsrc2=duration=%d:size=320x240:rate=25,noise=alls=60:allf=t+u" % CLIP_SECONDS,
         "-f", "lavfi", "-i", "sine=duration=%d" % CLIP_SECONDS, "-shortest",
         "-c:v", "libx264", "-preset", "ultrafast", "-crf", "20", "-pix_fmt", "yuv420p",
         "-c:a", "aac", "-movflags", "+faststart", path],
        check=True, timeout=120, stdin=subprocess.DEVNULL)
    with open(path, "rb") as f:
        data = f.read()
    target = (len(data) // MiB) * MiB + MiB * 6 // 10
    if target < len(data) + 8:
        target += MiB
    pad = target - len(data)
    data += struct.pack(">I4s", pad, b"free") + b"\0" * (pad - 8)
    with open(path, "wb") as f:
        f.write(data)
    return data


class Site(http.server.BaseHTTPRequestHandler):
    files = {}

    def log_message(self, *args):
        pass

    def _answer(self, with_body):
        path = urllib.parse.unquote(self.path.split("?", 1)[0])
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
            try:
                self.wfile.write(data)
            except (BrokenPipeError, ConnectionResetError):
                pass

    def do_GET(self):
        self._answer(True)

    def do_HEAD(self):
        self._answer(False)


def accepts(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=1):
            return True
    except OSError:
        return False


def start_service(service, port, workdir):
    """The real service on 127.0.0.1:port, in an empty directory with an
    empty home and no proxies; returns once it accepts connections."""
    env = dict(os.environ, HOME=workdir, XDG_CACHE_HOME=os.path.join(workdir, "cache"),
               NO_PROXY="*", no_proxy="*", PYTHONDONTWRITEBYTECODE="1")
    for k in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"):
        env.pop(k, None)
    service_log = open(os.path.join(os.path.dirname(workdir), "service.log"), "w+")
    proc = subprocess.Popen(
        [sys.executable, service, "--host", "127.0.0.1", "--port", str(port),
         "--timeout", "40", "--socket-timeout", "10"],
        cwd=workdir, env=env, stdin=subprocess.DEVNULL, stdout=service_log, stderr=service_log)
    deadline = time.monotonic() + 30
    while time.monotonic() < deadline:
        if proc.poll() is not None:
            break
        if accepts(port):
            return proc, service_log
        time.sleep(0.1)
    stop(proc)
    service_log.seek(0)
    raise RuntimeError("the service did not come up on port %d: %s" % (port, service_log.read()))


def stop(proc, group=False):
    if proc is None or proc.poll() is not None:
        return
    try:
        if group:
            os.killpg(proc.pid, signal.SIGTERM)
        else:
            proc.terminate()
        proc.wait(10)
    except (subprocess.TimeoutExpired, ProcessLookupError):
        try:
            if group:
                os.killpg(proc.pid, signal.SIGKILL)
            else:
                proc.kill()
        except ProcessLookupError:
            pass
        proc.wait(10)


def hex936(text):
    return text.encode("gbk").hex()


def windows_path(path):
    """The path under Wine's drive Z:, which is the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--build-dir", required=True)
    p.add_argument("--service-port", type=int, default=18610,
                   help="port compiled into Quorlin-e2e.exe")
    p.add_argument("--test-program", default="program_e2e_resolve_page.exe")
    p.add_argument("--program", help="the program to drive (default: Quorlin-e2e.exe "
                   "next to the test program)")
    p.add_argument("--service", default=SERVICE, help="the service script to run")
    p.add_argument("--skip-if-busy", action="store_true",
                   help="skip instead of failing when the service port is taken")
    p.add_argument("--timeout", type=float, default=150,
                   help="seconds the Windows test program may run")
    args = p.parse_args(argv)

    if not shutil.which("ffmpeg"):
        log("skipped: ffmpeg is not installed")
        return SKIP
    if importlib.util.find_spec("yt_dlp") is None:
        log("skipped: yt_dlp is not importable by %s" % sys.executable)
        return SKIP

    bin_dir = os.path.join(os.path.abspath(args.build_dir), "bin")
    test_program = os.path.join(bin_dir, args.test_program)
    program_file = args.program or os.path.join(bin_dir, "Quorlin-e2e.exe")
    for path in (test_program, program_file, args.service):
        if not os.path.isfile(path):
            log("missing %s" % path)
            return 1
    if accepts(args.service_port):
        log("%ssomething already listens on 127.0.0.1:%d; the program would ask it "
            "instead of the service" % ("skipped: " if args.skip_if_busy else "", args.service_port))
        return SKIP if args.skip_if_busy else 1

    started = time.monotonic()
    tmp = tempfile.mkdtemp(prefix="quorlin-program-e2e-")
    site = service = program = service_log = None
    try:
        clip = make_clip(tmp)
        Site.files = {path: ("text/html; charset=utf-8", page(title).encode("utf-8"))
                      for path, title, _ in CASES}
        Site.files[CLIP_PATH] = ("video/mp4", clip)
        site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
        site.daemon_threads = True
        threading.Thread(target=site.serve_forever, daemon=True).start()
        base = "http://127.0.0.1:%d" % site.server_address[1]

        workdir = os.path.join(tmp, "work")
        os.mkdir(workdir)
        service, service_log = start_service(args.service, args.service_port, workdir)

        rc = 0
        for path, _, shown in CASES:
            env = dict(os.environ,
                       QUORLIN_E2E_PAGE=base + path,
                       QUORLIN_E2E_TITLE=hex936(shown),
                       QUORLIN_E2E_SIZE=hex936(megabytes_label(len(clip))),
                       QUORLIN_E2E_FORMAT=hex936("mp4"),
                       QUORLIN_E2E_SITE=hex936("127.0.0.1"),
                       QUORLIN_E2E_FURL=hex936(base + CLIP_PATH + CLIP_QUERY),
                       # yt-dlp does not probe the media of a plain page, so the
                       # running time is normally unknown; should it learn it,
                       # it is the clip's length.
                       QUORLIN_E2E_TIMES=",".join(
                           hex936(t) for t in ("", "0:%02d" % (CLIP_SECONDS - 1),
                                               "0:%02d" % CLIP_SECONDS,
                                               "0:%02d" % (CLIP_SECONDS + 1))))
            if args.program:
                env["QUORLIN_E2E_PROGRAM"] = windows_path(args.program)
            log("page %s, clip %d bytes (%s)" % (base + path, len(clip),
                                                  megabytes_label(len(clip))))
            program = subprocess.Popen([WINE_EXEC, test_program], env=env,
                                       stdin=subprocess.DEVNULL, start_new_session=True)
            try:
                case_rc = program.wait(args.timeout)
            except subprocess.TimeoutExpired:
                log("the test program did not finish in %d s" % args.timeout)
                case_rc = 1
            stop(program, group=True)
            if case_rc != 0:
                rc = case_rc
                service_log.seek(0)
                log("service log:\n" + service_log.read())
        log("finished in %.1f s" % (time.monotonic() - started))
        return rc
    finally:
        stop(program, group=True)
        stop(service)
        if service_log is not None:
            service_log.close()
        if site is not None:
            site.shutdown()
            site.server_close()
        shutil.rmtree(tmp, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
