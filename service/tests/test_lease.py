"""The service's lifetime under a program: GET /health, leases held over
GET /lease, --exit-with-last-lease, and the rotating --log-file.  A real
service process on a free loopback port for the lifetime cases."""

import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
SERVICE = os.path.join(os.path.dirname(HERE), "quorlin_service.py")
sys.path.insert(0, os.path.dirname(HERE))

from linkservice import lease as leasing  # noqa: E402


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Service:
    """quorlin_service.py on a free port; always ended by close()."""

    def __init__(self, *options):
        self.port = free_port()
        self.folder = tempfile.mkdtemp(prefix="quorlin-lease-")
        self.log = os.path.join(self.folder, "logs", "service.log")
        self.proc = subprocess.Popen(
            [sys.executable, SERVICE, "--port", str(self.port), "--log-file", self.log] + list(options),
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline and self.proc.poll() is None:
            try:
                socket.create_connection(("127.0.0.1", self.port), 0.5).close()
                return
            except OSError:
                time.sleep(0.05)
        self.close()
        raise AssertionError("the service did not come up")

    def request(self, path):
        c = socket.create_connection(("127.0.0.1", self.port), 5)
        c.sendall(b"GET %s HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n\r\n" % (path.encode(), self.port))
        return c

    def get(self, path):
        with self.request(path) as c:
            data = b""
            while True:
                part = c.recv(65536)
                if not part:
                    return data
                data += part

    def exited_within(self, seconds):
        try:
            self.proc.wait(seconds)
            return True
        except subprocess.TimeoutExpired:
            return False

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait(10)


class LifetimeTests(unittest.TestCase):
    def start(self, *options):
        service = Service(*options)
        self.addCleanup(service.close)
        return service

    def test_health_names_the_service(self):
        service = self.start()
        head, _, body = service.get("/health").partition(b"\r\n\r\n")
        self.assertTrue(head.startswith(b"HTTP/1.0 200"), head)
        self.assertEqual(body, b"quorlin-service 0.3.0")

    def test_service_lives_as_long_as_a_lease(self):
        service = self.start("--exit-with-last-lease", "1")
        first, second = service.request("/lease"), service.request("/lease")
        self.assertFalse(service.exited_within(2), "stopped while two leases were open")
        first.close()
        self.assertFalse(service.exited_within(2), "stopped while one lease was open")
        started = time.monotonic()
        second.close()
        self.assertTrue(service.exited_within(5), "still running 5 s after the last lease")
        self.assertGreaterEqual(time.monotonic() - started, 0.8, "stopped without the grace time")
        self.assertEqual(service.proc.returncode, 0)
        with open(service.log, encoding="utf-8") as f:
            self.assertIn("no program holds a lease", f.read())

    def test_lease_is_answered_when_the_service_stops(self):
        # A lease taken and given back in the grace time: the service lives on.
        service = self.start("--exit-with-last-lease", "1.5")
        service.request("/lease").close()
        time.sleep(0.5)
        held = service.request("/lease")
        self.assertFalse(service.exited_within(2.5))
        service.proc.send_signal(2)  # SIGINT: the service stops and answers its leases
        held.settimeout(5)
        answer = b""
        while True:
            part = held.recv(4096)
            if not part:
                break
            answer += part
        held.close()
        self.assertIn(b"quorlin-service stopping", answer)
        self.assertTrue(service.exited_within(5))

    def test_without_the_option_leases_do_not_stop_it(self):
        service = self.start()
        service.request("/lease").close()
        self.assertFalse(service.exited_within(leasing.DEFAULT_GRACE + 1))


class LeaseCounterTests(unittest.TestCase):
    def test_no_first_lease_stops_after_first_wait(self):
        stopped = []
        leases = leasing.Leases(exit_after=0.1, stop=lambda: stopped.append(time.monotonic()),
                                first_wait=0.5)
        started = time.monotonic()
        deadline = started + 3
        while not stopped and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(stopped, "no stop without any lease")
        self.assertGreaterEqual(stopped[0] - started, 0.45)
        leases.stop()


class RotatingLogTests(unittest.TestCase):
    def test_rotates_at_the_limit(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "new", "service.log")
            log = leasing.RotatingLog(path, limit=1050)
            for i in range(30):  # 100 bytes a line
                log.write("line %03d %s\n" % (i, "x" * 90))
            log.close()
            with open(path, encoding="utf-8") as f:
                current = f.read()
            with open(path + ".1", encoding="utf-8") as f:
                previous = f.read()
            self.assertLess(os.path.getsize(path), 1050)
            self.assertLessEqual(os.path.getsize(path + ".1"), 1150)
            self.assertIn("line 029", current)
            self.assertNotIn("line 000", previous + current, "more than one old file kept")
            # Reopened over the limit, it rotates first.
            with open(path, "a") as f:
                f.write("y" * 2000 + "\n")
            leasing.RotatingLog(path, limit=1000).close()
            self.assertEqual(os.path.getsize(path), 0)


if __name__ == "__main__":
    unittest.main()
