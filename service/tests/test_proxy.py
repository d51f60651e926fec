"""The example nginx configuration of service/deploy in front of two
instances of the service: requests are spread over both, the Host they
expect reaches them, the client address is logged and a request a web page
makes is still refused.  nginx runs with a private prefix and configuration
on free loopback ports; the test skips where nginx is not installed
(.ci/install-deps installs it)."""

import http.server
import importlib.util
import io
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

from linkservice import front  # noqa: E402
from linkservice import resolver as resolving  # noqa: E402
from tests.program_reader import read_reply, request_path  # noqa: E402
from tests.test_e2e import PAGE, _Site  # noqa: E402

SERVICE_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CONFIG = os.path.join(SERVICE_DIR, "deploy", "quorlin-nginx.conf")
NGINX = shutil.which("nginx") or next(
    (p for p in ("/usr/sbin/nginx",) if os.access(p, os.X_OK)), None)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class _Counting:
    def __init__(self, resolver):
        self.resolver = resolver
        self.count = 0

    def resolve(self, address):
        self.count += 1
        return self.resolver.resolve(address)


@unittest.skipUnless(NGINX, "nginx is not installed, so the reverse-proxy example is not "
                            "tested (.ci/install-deps installs it)")
@unittest.skipUnless(importlib.util.find_spec("yt_dlp"), "yt_dlp is not importable")
class ReverseProxyTests(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="quorlin-nginx-")
        os.chmod(cls.tmp, 0o755)
        _Site.files = {"/page.html": ("text/html; charset=utf-8", PAGE.encode("utf-8")),
                       "/clip.mp4": ("video/mp4", b"\0" * 1000)}
        cls.site = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Site)
        cls.site_base = "http://127.0.0.1:%d" % cls.site.server_address[1]
        threading.Thread(target=cls.site.serve_forever, daemon=True).start()

        cls.stderr, sys.stderr = sys.stderr, io.StringIO()
        cls.port = free_port()
        cls.host = "quorlin.test:%d" % cls.port
        cls.instances = []
        for _ in range(2):
            counting = _Counting(resolving.Resolver(deadline=20, socket_timeout=5))
            server = front.make_server("127.0.0.1", 0, counting, allowed_hosts=[cls.host])
            threading.Thread(target=server.serve_forever, daemon=True).start()
            cls.instances.append((server, counting))

        with open(CONFIG, encoding="utf-8") as f:
            site = f.read()
        site = site.replace("listen 8610;", "listen 127.0.0.1:%d;" % cls.port)
        for shipped, (server, _) in zip(("8611", "8612"), cls.instances):
            site = site.replace("127.0.0.1:%s;" % shipped, "127.0.0.1:%d;" % server.server_address[1])
        cls.access_log = os.path.join(cls.tmp, "access.log")
        site = site.replace("/var/log/nginx/quorlin.access.log", cls.access_log)
        with open(os.path.join(cls.tmp, "quorlin.conf"), "w", encoding="utf-8") as f:
            f.write(site)
        temp_paths = "".join("%s_temp_path %s;\n" % (kind, os.path.join(cls.tmp, kind))
                             for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        with open(os.path.join(cls.tmp, "nginx.conf"), "w", encoding="utf-8") as f:
            f.write("%sworker_processes 1;\ndaemon off;\npid %s;\nerror_log %s;\n"
                    "events { worker_connections 64; }\n"
                    "http {\n%saccess_log off;\ninclude %s;\n}\n" % (
                        "user root;\n" if os.geteuid() == 0 else "",
                        os.path.join(cls.tmp, "nginx.pid"), os.path.join(cls.tmp, "error.log"),
                        temp_paths, os.path.join(cls.tmp, "quorlin.conf")))
        cls.nginx = subprocess.Popen(
            [NGINX, "-p", cls.tmp, "-c", os.path.join(cls.tmp, "nginx.conf")],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            if cls.nginx.poll() is not None:
                error = cls.nginx.stderr.read().decode(errors="replace")
                cls.tearDownClass()
                raise RuntimeError("nginx did not start: %s" % error)
            try:
                socket.create_connection(("127.0.0.1", cls.port), timeout=1).close()
                break
            except OSError:
                time.sleep(0.05)

    @classmethod
    def tearDownClass(cls):
        nginx = getattr(cls, "nginx", None)
        if nginx is not None and nginx.poll() is None:
            nginx.send_signal(signal.SIGQUIT)
            try:
                nginx.wait(10)
            except subprocess.TimeoutExpired:
                nginx.kill()
                nginx.wait(10)
        if nginx is not None:
            nginx.stderr.close()
        for server, _ in cls.instances:
            server.shutdown()
            server.server_close()
        sys.stderr = cls.stderr
        cls.site.shutdown()
        cls.site.server_close()
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def ask(self, path, extra=""):
        request = ("GET %s HTTP/1.0\r\nAccept: */*\r\nHost: %s\r\n%s\r\n" % (
            path, self.host, extra)).encode("latin-1")
        with socket.create_connection(("127.0.0.1", self.port), timeout=30) as s:
            s.sendall(request)
            data = b""
            while True:
                chunk = s.recv(65536)
                if not chunk:
                    break
                data += chunk
        head, _, body = data.partition(b"\r\n\r\n")
        return int(head.split()[1]), body

    def test_through_the_proxy(self):
        path = request_path((self.site_base + "/page.html").encode("gbk"))
        for _ in range(4):
            code, body = self.ask(path)
            self.assertEqual(code, 200)
            fields = read_reply(body)
            self.assertEqual((fields["ftype"], fields["size"], fields["site"]),
                             ("mp4", "1000", "127.0.0.1"))
        self.assertEqual([c.count > 0 for _, c in self.instances], [True, True])
        # A web page's request is refused through the proxy too.
        code, body = self.ask(path, "Origin: https://attacker.example\r\n")
        self.assertEqual((code, body), (403, b""))
        code, body = self.ask("/health")
        self.assertEqual((code, body), (200, front.HEALTH_BODY))
        with open(self.access_log, encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertEqual(len(lines), 6)
        self.assertTrue(all(line.startswith("127.0.0.1 ") for line in lines), lines)


if __name__ == "__main__":
    unittest.main()
