"""Leases: how the programs that use the service keep it alive.

A program that uses the service holds one connection open with
``GET /lease``; the service answers it only when it stops.  The platform
closes a program's sockets when it ends, crashes included, so an open lease
means a living user.  Started with ``--exit-with-last-lease``, the service
stops a few seconds after the last lease closed (the pause lets a program
that restarts at once, or a second one that is starting, take over), and
also when no lease arrives at all in its first half minute (its starter died
before it could take one).

Also here: the log file the service writes when a program starts it,
rotated at 1 MiB so it never grows without bound.
"""

import os
import select
import threading
import time

DEFAULT_GRACE = 3.0          # seconds from the last lease closing to the stop
DEFAULT_FIRST_WAIT = 30.0    # seconds the first lease may take to arrive
POLL = 0.25                  # seconds between looks at a lease's socket
LOG_LIMIT = 1024 * 1024      # bytes of log before it is rotated


class Leases:
    """Counts open leases; with exit_after set, calls stop() once the count
    has stayed 0 that long (after a first lease, or first_wait without one)."""

    def __init__(self, exit_after=None, stop=None, first_wait=DEFAULT_FIRST_WAIT,
                 clock=time.monotonic):
        self.exit_after = exit_after
        self.first_wait = first_wait
        self._stop = stop
        self._clock = clock
        self._started = clock()
        self._count = 0
        self._held_any = False
        self._empty_since = self._started
        self._cond = threading.Condition()
        self.stopping = threading.Event()
        self._watcher = None
        if exit_after is not None:
            self._watcher = threading.Thread(target=self._watch, name="lease watcher", daemon=True)
            self._watcher.start()

    @property
    def count(self):
        with self._cond:
            return self._count

    def hold(self, sock, answer):
        """Blocks while the client keeps sock open and the service runs;
        when the service stops, calls answer() before the lease counts as
        closed, so stop() waits for the answer to be written.  True when it
        was answered, False when the client went away."""
        with self._cond:
            self._count += 1
            self._held_any = True
            self._cond.notify_all()
        try:
            while not self.stopping.is_set():
                try:
                    readable, _, _ = select.select([sock], [], [], POLL)
                    # Anything after the request head is ignored; end of
                    # stream (or a reset) is the client closing its lease.
                    if readable and not sock.recv(4096):
                        return False
                except (OSError, ValueError):
                    return False
            answer()
            return True
        finally:
            with self._cond:
                self._count -= 1
                if self._count == 0:
                    self._empty_since = self._clock()
                self._cond.notify_all()

    def stop(self, wait=1.0):
        """Wakes every lease so it is answered; waits up to wait seconds for
        them to be written."""
        self.stopping.set()
        deadline = self._clock() + wait
        with self._cond:
            self._cond.notify_all()
            while self._count and self._clock() < deadline:
                self._cond.wait(POLL)

    def _idle_for(self):
        """Seconds the service must still wait before stopping, or 0."""
        if self._count:
            return None
        if self._held_any:
            left = self._empty_since + self.exit_after - self._clock()
        else:
            left = self._started + max(self.first_wait, self.exit_after) - self._clock()
        return max(left, 0.0)

    def _watch(self):
        with self._cond:
            while not self.stopping.is_set():
                left = self._idle_for()
                if left == 0.0:
                    break
                self._cond.wait(POLL if left is None else min(left, 1.0))
            else:
                return
        if self._stop is not None:
            self._stop()


class RotatingLog:
    """A text stream on a file that is renamed to <name>.1 (replacing the
    one before) when it passes limit bytes; written line by line."""

    def __init__(self, path, limit=LOG_LIMIT):
        self.path = path
        self.limit = limit
        self._lock = threading.Lock()
        folder = os.path.dirname(os.path.abspath(path))
        os.makedirs(folder, exist_ok=True)
        self._file = None
        self._open()

    def _open(self):
        self._file = open(self.path, "a", encoding="utf-8", errors="backslashreplace",
                          buffering=1)
        if self._file.tell() >= self.limit:
            self._rotate()

    def _rotate(self):
        self._file.close()
        try:
            os.replace(self.path, self.path + ".1")
        except OSError:
            pass  # another process holds it; keep appending rather than lose lines
        self._file = open(self.path, "a", encoding="utf-8", errors="backslashreplace",
                          buffering=1)

    def write(self, text):
        with self._lock:
            n = self._file.write(text)
            if self._file.tell() >= self.limit:
                self._rotate()
            return n

    def flush(self):
        with self._lock:
            self._file.flush()

    def close(self):
        with self._lock:
            self._file.close()

    def isatty(self):
        return False

