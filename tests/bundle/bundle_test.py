#!/usr/bin/python3
"""The Windows release bundle, made by tools/bundle/make_bundle.py from this
build tree's Quorlin.exe, checked the way a Windows user meets it:

  contents  the zip holds exactly the bundle's tracked files (an untracked
            file beside them stays out); its Quorlin.exe is a PE32 i686 GUI
            program that loads system DLLs only and carries the project
            version; two runs write the same bytes.
  program   the unpacked Quorlin.exe resolves a page on 127.0.0.1 through the
            unpacked service, run with this machine's Python on the port the
            program is built to ask, driven like the end-to-end test.
  launch    unpacked into C:\\用户 文件\\Quorlin of the Wine prefix, with this
            machine's python3 registered the Windows way: Quorlin.exe alone
            starts the service, which names itself on /health, and ends with
            the last program using it (two programs; a killed one).
  refusals  the same folder with a foreign listener on the port (named, no
            service started) and with no Python registered (the install
            commands shown).

Exit code 77 means skipped.  program, launch and refusals run under
tools/wine-session.
"""

import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
PACKER = os.path.join(ROOT, "tools", "bundle", "make_bundle.py")
WINE_EXEC = os.path.join(ROOT, "tools", "wine-exec")
sys.path.insert(0, os.path.join(ROOT, "tests", "program_e2e"))

import pe_image  # noqa: E402
import run_program_e2e  # noqa: E402

SKIP = 77
ENTRIES = ["Quorlin.exe", "README.txt", "service/README.md", "service/linkservice/__init__.py",
           "service/linkservice/front.py", "service/linkservice/guards.py", "service/linkservice/lease.py",
           "service/linkservice/reply.py", "service/linkservice/resolver.py",
           "service/quorlin_service.py"]
# A file of the service's package that git does not track.
UNTRACKED = os.path.join(ROOT, "service", "linkservice", "zz_untracked_bundle_probe.py")
# DLLs every Windows from 7 on has in its system folder.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "gdiplus.dll", "imm32.dll", "iphlpapi.dll",
    "kernel32.dll", "msimg32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll",
    "shlwapi.dll", "user32.dll", "uxtheme.dll", "version.dll", "wininet.dll", "winmm.dll",
    "ws2_32.dll",
}


def log(message):
    sys.stderr.write("bundle: %s\n" % message)
    sys.stderr.flush()


def make_bundle(args, out_dir):
    subprocess.run([sys.executable, PACKER, "--program", args.program, "--version", args.version,
                    "--out-dir", out_dir], check=True, stdout=subprocess.DEVNULL, timeout=120)
    path = os.path.join(out_dir, "Quorlin-%s-win32.zip" % args.version)
    if not os.path.isfile(path):
        raise AssertionError("no %s" % path)
    return path


def unpack(args, tmp):
    """The bundle unpacked into a folder whose name has a space, as under
    "Program Files"; returns that folder."""
    folder = os.path.join(tmp, "Quorlin bundle")
    with zipfile.ZipFile(make_bundle(args, tmp)) as z:
        z.extractall(folder)
    return folder


class Checks:
    def __init__(self):
        self.failures = []

    def __call__(self, ok, message):
        if not ok:
            self.failures.append(message)
            log("FAILED: " + message)


def windows_lines(data):
    return b"\n" not in data.replace(b"\r\n", b"")


def check_contents(args, tmp):
    check = Checks()
    with open(UNTRACKED, "w") as f:
        f.write("# left in the working tree; must not reach the zip\n")
    try:
        first = make_bundle(args, os.path.join(tmp, "first"))
        second = make_bundle(args, os.path.join(tmp, "second"))
    finally:
        os.unlink(UNTRACKED)
    with open(first, "rb") as f, open(second, "rb") as g:
        check(f.read() == g.read(), "two runs wrote different zips")

    with zipfile.ZipFile(first) as z:
        check(z.testzip() is None, "an entry fails its CRC check")
        names = z.namelist()
        check(names == ENTRIES, "entries %s, expected %s" % (names, ENTRIES))
        read = lambda name: z.read(name) if name in names else b""
        exe, readme = read("Quorlin.exe"), read("README.txt")
        service = {name: read(name) for name in ENTRIES if name.startswith("service/")}

    with open(args.program, "rb") as f:
        check(exe == f.read(), "Quorlin.exe is not the program of this tree")
    for name, data in service.items():
        with open(os.path.join(ROOT, *name.split("/")), "rb") as f:
            check(data == f.read(), "%s is not the tree's file" % name)
    check(readme.startswith(b"\xef\xbb\xbf") and windows_lines(readme),
          "README.txt is not UTF-8 with a byte-order mark and CRLF lines")

    image = pe_image.Image(exe)
    check((image.machine, image.magic) == (pe_image.MACHINE_I386, pe_image.PE32),
          "Quorlin.exe is machine %#x, optional header %#x, not PE32 i686"
          % (image.machine, image.magic))
    check(image.subsystem == pe_image.SUBSYSTEM_WINDOWS_GUI, "Quorlin.exe is no GUI program")
    dlls = image.imports()
    others = sorted(d for d in dlls if d.lower() not in SYSTEM_DLLS)
    check("kernel32.dll" in {d.lower() for d in dlls} and not others,
          "Quorlin.exe loads %s; not system DLLs: %s" % (dlls, others))
    version = image.version()
    numbers = tuple(int(n) for n in args.version.split(".")) + (0,)
    check(version is not None and version[:2] == (numbers, numbers)
          and version[2].get("FileVersion") == args.version
          and version[2].get("ProductVersion") == args.version,
          "Quorlin.exe's version resource %s does not say %s" % (version, args.version))
    return 1 if check.failures else 0


def wine32_installed():
    if os.access("/usr/lib/wine/wine", os.X_OK):
        return True
    done = subprocess.run(["dpkg-query", "-W", "-f=${Status}", "wine32"],
                          capture_output=True, text=True)
    return "install ok installed" in done.stdout


def check_program(args, tmp):
    if not wine32_installed():
        log("skipped: wine32 is not installed, so the 32-bit program cannot run")
        return SKIP
    folder = unpack(args, tmp)
    return run_program_e2e.main([
        "--build-dir", args.build_dir, "--service-port", str(args.service_port),
        "--program", os.path.join(folder, "Quorlin.exe"),
        "--service", os.path.join(folder, "service", "quorlin_service.py"),
        "--skip-if-busy"])


# ---------------------------------------------------------------------------
# The program starting its own service

REGISTRATION = r"HKCU\Software\Python\PythonCore\3.11\InstallPath"
UNIX_PYTHON = "/usr/bin/python3"  # Debian's, which has yt-dlp


def wine(args, **kw):
    return subprocess.run([WINE_EXEC] + args, stdin=subprocess.DEVNULL, capture_output=True,
                          timeout=120, **kw)


def register_python(on):
    wine(["reg.exe", "delete", r"HKCU\Software\Python", "/f"])
    if on:
        python = run_program_e2e.windows_path(UNIX_PYTHON)
        for value in (["/ve", "/d", run_program_e2e.windows_path(os.path.dirname(UNIX_PYTHON))],
                      ["/v", "ExecutablePath", "/d", python]):
            done = wine(["reg.exe", "add", REGISTRATION] + value + ["/f"])
            if done.returncode != 0:
                raise AssertionError("reg add failed: %s" % done.stdout + done.stderr)


def prefix_folder(args):
    prefix = os.environ.get("WINEPREFIX") or os.path.join(args.build_dir, "wineprefix")
    return os.path.join(prefix, "drive_c", "用户 文件", "Quorlin")


def unpack_into_prefix(args, tmp):
    folder = prefix_folder(args)
    shutil.rmtree(folder, ignore_errors=True)
    with zipfile.ZipFile(make_bundle(args, tmp)) as z:
        z.extractall(folder)
    return folder, "C:\\用户 文件\\Quorlin\\Quorlin.exe"


def services_of(folder):
    """Pids of services started from folder (the Linux side of Wine)."""
    # Wine hands the service its path through the prefix's dosdevices link,
    # so the pattern is the prefix, then the folder below drive C:.
    prefix = folder.split(os.sep + "drive_c" + os.sep)[0]
    pattern = "%s/.*用户 文件/Quorlin/service/quorlin_service[.]py" % prefix.replace(".", "[.]")
    done = subprocess.run(["pgrep", "-f", pattern], capture_output=True, text=True)
    return [int(pid) for pid in done.stdout.split()]


def health(port):
    try:
        with socket.create_connection(("127.0.0.1", port), 1) as c:
            c.settimeout(2)
            c.sendall(b"GET /health HTTP/1.0\r\nHost: 127.0.0.1:%d\r\n\r\n" % port)
            data = b""
            while True:
                part = c.recv(4096)
                if not part:
                    return data.partition(b"\r\n\r\n")[2]
                data += part
    except OSError:
        return None


def end_services(folder, check, wait=12):
    """Waits for the services of folder to end; kills and reports those that do not."""
    deadline = time.monotonic() + wait
    while services_of(folder) and time.monotonic() < deadline:
        time.sleep(0.2)
    left = services_of(folder)
    check(not left, "services left running after the programs: %s" % left)
    for pid in left:
        try:
            os.kill(pid, signal.SIGKILL)
        except ProcessLookupError:
            pass


def drive(args, mode, env, folder, check):
    """Runs the Windows driver in mode; returns (most services seen at once,
    /health bodies seen)."""
    driver = os.path.join(os.path.dirname(args.program), "bundle_launch_driver.exe")
    env = dict(env, QUORLIN_BUNDLE_MODE=mode)
    proc = subprocess.Popen([WINE_EXEC, driver], env=env, stdin=subprocess.DEVNULL,
                            start_new_session=True)
    most, bodies = 0, set()
    try:
        deadline = time.monotonic() + 240
        while proc.poll() is None and time.monotonic() < deadline:
            most = max(most, len(services_of(folder)))
            body = health(args.service_port)
            if body is not None:
                bodies.add(body)
            time.sleep(0.3)
        check(proc.poll() == 0, "%s: the driver exited with %s" % (mode, proc.poll()))
    finally:
        run_program_e2e.stop(proc, group=True)
    return most, bodies


def launch_preconditions(args):
    if not wine32_installed():
        log("skipped: wine32 is not installed, so the 32-bit program cannot run")
        return SKIP
    if run_program_e2e.accepts(args.service_port):
        log("skipped: something already listens on 127.0.0.1:%d" % args.service_port)
        return SKIP
    return None


def check_launch(args, tmp):
    skip = launch_preconditions(args)
    if skip is not None:
        return skip
    if not shutil.which("ffmpeg") or subprocess.run(
            [UNIX_PYTHON, "-c", "import yt_dlp"], capture_output=True).returncode != 0:
        log("skipped: ffmpeg or %s with yt_dlp is missing" % UNIX_PYTHON)
        return SKIP
    folder, program = unpack_into_prefix(args, tmp)
    check = Checks()
    site = None
    register_python(True)
    try:
        clip = run_program_e2e.make_clip(tmp)
        title = "Quorlin bundle clip 用户文件"
        Site = run_program_e2e.Site
        Site.files = {"/videos/page.html": ("text/html; charset=utf-8",
                                            run_program_e2e.page(title).encode("utf-8")),
                      run_program_e2e.CLIP_PATH: ("video/mp4", clip)}
        site = run_program_e2e.http.server.ThreadingHTTPServer(("127.0.0.1", 0), Site)
        site.daemon_threads = True
        threading.Thread(target=site.serve_forever, daemon=True).start()
        base = "http://127.0.0.1:%d" % site.server_address[1]
        hex936 = run_program_e2e.hex936
        env = dict(os.environ, QUORLIN_E2E_PROGRAM=program, QUORLIN_E2E_PAGE=base + "/videos/page.html",
                   QUORLIN_E2E_TITLE=hex936(title),
                   QUORLIN_E2E_SIZE=hex936(run_program_e2e.megabytes_label(len(clip))),
                   QUORLIN_E2E_FURL=hex936(base + run_program_e2e.CLIP_PATH
                                           + run_program_e2e.CLIP_QUERY))
        for mode in ("read", "two", "kill"):
            started = time.monotonic()
            most, bodies = drive(args, mode, env, folder, check)
            log("%s: %.1f s, at most %d service(s), /health said %s"
                % (mode, time.monotonic() - started, most, sorted(bodies)))
            check(most == 1, "%s: %d services ran at once, expected 1" % (mode, most))
            check(bodies == {b"quorlin-service 0.3.0"}, "%s: /health said %s" % (mode, bodies))
            end_services(folder, check)
    finally:
        end_services(folder, check, wait=0)
        register_python(False)
        if site is not None:
            site.shutdown()
            site.server_close()
        shutil.rmtree(folder, ignore_errors=True)
    return 1 if check.failures else 0


class _Foreign(run_program_e2e.http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def do_GET(self):
        self.send_response(404)
        self.send_header("Content-Length", "0")
        self.end_headers()


def check_refusals(args, tmp):
    skip = launch_preconditions(args)
    if skip is not None:
        return skip
    folder, program = unpack_into_prefix(args, tmp)
    check = Checks()
    hex936 = run_program_e2e.hex936
    env = dict(os.environ, QUORLIN_E2E_PROGRAM=program,
               QUORLIN_E2E_PAGE="http://127.0.0.1:9/videos/page.html")
    try:
        # A foreign program on the port, with a Python that would start a service.
        register_python(True)
        foreign = run_program_e2e.http.server.ThreadingHTTPServer(
            ("127.0.0.1", args.service_port), _Foreign)
        threading.Thread(target=foreign.serve_forever, daemon=True).start()
        try:
            cause = ",".join(hex936(t) for t in ("端口 %d" % args.service_port, "其他程序"))
            most, _ = drive(args, "cause", dict(env, QUORLIN_BUNDLE_CAUSE=cause), folder, check)
            check(most == 0, "a service was started although the port is taken")
        finally:
            foreign.shutdown()
            foreign.server_close()
        # No Python at all.
        register_python(False)
        cause = ",".join(hex936(t) for t in ("未找到 Python", "py -m pip install yt-dlp", "README.txt"))
        most, _ = drive(args, "cause", dict(env, QUORLIN_BUNDLE_CAUSE=cause), folder, check)
        check(most == 0, "a service was started without a Python")
    finally:
        end_services(folder, check, wait=0)
        register_python(False)
        shutil.rmtree(folder, ignore_errors=True)
    return 1 if check.failures else 0


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("check", choices=("contents", "program", "launch", "refusals"))
    p.add_argument("--program", required=True, help="this tree's Quorlin.exe")
    p.add_argument("--version", required=True, help="the project version")
    p.add_argument("--build-dir", help="the build tree (program)")
    p.add_argument("--service-port", type=int, default=8610,
                   help="the port Quorlin.exe is built to ask (program)")
    args = p.parse_args(argv)
    run = {"contents": check_contents, "program": check_program,
           "launch": check_launch, "refusals": check_refusals}
    with tempfile.TemporaryDirectory(prefix="quorlin-bundle-") as tmp:
        try:
            return run[args.check](args, tmp)
        except (AssertionError, subprocess.SubprocessError, OSError, ValueError) as exc:
            log("FAILED: %s" % exc)
            return 1


if __name__ == "__main__":
    sys.exit(main())
