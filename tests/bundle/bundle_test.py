#!/usr/bin/python3
"""The Windows release bundle, made by tools/bundle/make_bundle.py from this
build tree's Quorlin.exe, checked the way a Windows user meets it:

  contents  the zip holds exactly the bundle's files; its Quorlin.exe is a
            PE32 i686 GUI program that loads system DLLs only and carries the
            project version; two runs write the same bytes.
  script    the unpacked start-quorlin.bat, run by Wine's cmd (which has no
            Python), finds no Python and says what to install.
  program   the unpacked Quorlin.exe resolves a page on 127.0.0.1 through the
            unpacked service, run with this machine's Python on the port the
            program is built to ask, driven like the end-to-end test.

Exit code 77 means skipped.  script and program run under tools/wine-session.
"""

import argparse
import os
import subprocess
import sys
import tempfile
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
           "service/linkservice/front.py", "service/linkservice/guards.py", "service/linkservice/reply.py",
           "service/linkservice/resolver.py", "service/quorlin_service.py", "start-quorlin.bat"]
# DLLs every Windows from 7 on has in its system folder.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "gdiplus.dll", "imm32.dll",
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
    first = make_bundle(args, os.path.join(tmp, "first"))
    second = make_bundle(args, os.path.join(tmp, "second"))
    with open(first, "rb") as f, open(second, "rb") as g:
        check(f.read() == g.read(), "two runs wrote different zips")

    with zipfile.ZipFile(first) as z:
        check(z.testzip() is None, "an entry fails its CRC check")
        names = z.namelist()
        check(names == ENTRIES, "entries %s, expected %s" % (names, ENTRIES))
        read = lambda name: z.read(name) if name in names else b""
        exe, bat, readme = read("Quorlin.exe"), read("start-quorlin.bat"), read("README.txt")
        service = {name: read(name) for name in ENTRIES if name.startswith("service/")}

    with open(args.program, "rb") as f:
        check(exe == f.read(), "Quorlin.exe is not the program of this tree")
    for name, data in service.items():
        with open(os.path.join(ROOT, *name.split("/")), "rb") as f:
            check(data == f.read(), "%s is not the tree's file" % name)
    check(bat.isascii() and windows_lines(bat), "start-quorlin.bat is not ASCII with CRLF lines")
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


def check_script(args, tmp):
    folder = unpack(args, tmp)
    script = run_program_e2e.windows_path(os.path.join(folder, "start-quorlin.bat"))
    # As Explorer starts it: by its full path.
    done = subprocess.run([WINE_EXEC, "cmd.exe", "/c", script], cwd=folder,
                          stdin=subprocess.DEVNULL, capture_output=True, timeout=180)
    out = (done.stdout + done.stderr).decode("gbk", errors="replace")
    log("start-quorlin.bat exited with %d:\n%s" % (done.returncode, out))
    check = Checks()
    check(done.returncode == 1, "exit code %d, expected 1" % done.returncode)
    for text in ("No Python was found", "https://www.python.org/downloads/windows/",
                 "pip install yt-dlp"):
        check(text in out, "no \"%s\" in its output" % text)
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


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("check", choices=("contents", "script", "program"))
    p.add_argument("--program", required=True, help="this tree's Quorlin.exe")
    p.add_argument("--version", required=True, help="the project version")
    p.add_argument("--build-dir", help="the build tree (program)")
    p.add_argument("--service-port", type=int, default=8610,
                   help="the port Quorlin.exe is built to ask (program)")
    args = p.parse_args(argv)
    run = {"contents": check_contents, "script": check_script, "program": check_program}
    with tempfile.TemporaryDirectory(prefix="quorlin-bundle-") as tmp:
        try:
            return run[args.check](args, tmp)
        except (AssertionError, subprocess.SubprocessError, OSError, ValueError) as exc:
            log("FAILED: %s" % exc)
            return 1


if __name__ == "__main__":
    sys.exit(main())
