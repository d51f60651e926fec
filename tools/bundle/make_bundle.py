#!/usr/bin/python3
"""Writes the Windows release bundle, <out-dir>/Quorlin-<version>-win32.zip:

    Quorlin.exe                 the program given with --program
    README.txt                  tools/bundle/README.txt
    service/quorlin_service.py  the link-resolution service's start script
    service/linkservice/*.py    the service's package
    service/README.md           its description

Quorlin.exe starts the service itself, so there is no start script. Only
files git tracks enter the zip: a stray file in the working tree (a test's
leftover, an editor's backup) never reaches users.

The zip is the same, byte for byte, for the same inputs: entries in name
order, every entry with the same time (SOURCE_DATE_EPOCH, else the time of
the checked-out commit, else 1980-01-01), the same attributes and the same
compression.  Text files for Windows get CRLF line ends; README.txt is
UTF-8 with a byte-order mark, so Notepad shows its Chinese words.
"""

import argparse
import os
import re
import subprocess
import sys
import tempfile
import time
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))

# The tree's files that enter the zip under their own names, as git pathspecs.
TRACKED = ["tools/bundle/README.txt", "service/quorlin_service.py", "service/README.md",
           "service/linkservice/*.py"]


def contents():
    """Name in the zip -> file in the tree (None: the --program argument),
    from the files git tracks.  Raises OSError outside a git checkout."""
    try:
        done = subprocess.run(["git", "-C", ROOT, "ls-files", "-z", "--"] + TRACKED,
                              capture_output=True, timeout=30)
    except (OSError, subprocess.SubprocessError) as exc:
        raise OSError("git cannot list the tracked files: %s" % exc) from exc
    if done.returncode != 0:
        raise OSError("git ls-files failed: %s" % done.stderr.decode(errors="replace").strip())
    names = {"Quorlin.exe": None}
    for path in filter(None, done.stdout.decode("utf-8").split("\0")):
        name = "README.txt" if path == "tools/bundle/README.txt" else path
        names[name] = os.path.join(ROOT, *path.split("/"))
    if "README.txt" not in names or "service/quorlin_service.py" not in names:
        raise OSError("the tracked files lack README.txt or the service")
    return names

DOS_EPOCH = 315532800  # 1980-01-01 00:00:00 UTC, the earliest time a zip holds


def bundle_name(version):
    return "Quorlin-%s-win32.zip" % version


def entry_time():
    epoch = os.environ.get("SOURCE_DATE_EPOCH")
    if not epoch:
        try:
            epoch = subprocess.run(["git", "-C", ROOT, "log", "-1", "--format=%ct"],
                                   capture_output=True, text=True, timeout=30).stdout.strip()
        except (OSError, subprocess.SubprocessError):
            epoch = ""
    seconds = max(int(epoch) if epoch.isdigit() else DOS_EPOCH, DOS_EPOCH)
    return time.gmtime(seconds)[:6]


def windows_text(data, name):
    text = data.decode("utf-8")
    if text.startswith("\ufeff"):
        text = text[1:]
    text = text.replace("\r\n", "\n").replace("\n", "\r\n")
    return b"\xef\xbb\xbf" + text.encode("utf-8")


def entry_bytes(name, source):
    with open(source, "rb") as f:
        data = f.read()
    if name.endswith(".txt"):
        return windows_text(data, name)
    return data


def write_bundle(program, version, out_dir):
    if not re.fullmatch(r"\d+\.\d+\.\d+", version):
        raise ValueError("version %r is not MAJOR.MINOR.PATCH" % version)
    when = entry_time()
    os.makedirs(out_dir, exist_ok=True)
    target = os.path.join(out_dir, bundle_name(version))
    fd, partial = tempfile.mkstemp(dir=out_dir, suffix=".partial")
    os.close(fd)
    try:
        files = contents()
        with zipfile.ZipFile(partial, "w") as z:
            for name in sorted(files):
                info = zipfile.ZipInfo(name, date_time=when)
                info.create_system = 0  # MS-DOS attributes, whatever the host
                info.external_attr = 0x20  # archive
                info.compress_type = zipfile.ZIP_DEFLATED
                z.writestr(info, entry_bytes(name, files[name] or program), compresslevel=9)
        umask = os.umask(0)
        os.umask(umask)
        os.chmod(partial, 0o666 & ~umask)  # mkstemp made it private
        os.replace(partial, target)
    except BaseException:
        os.unlink(partial)
        raise
    return target


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--program", required=True, help="the Quorlin.exe to bundle")
    p.add_argument("--version", required=True, help="the project version, MAJOR.MINOR.PATCH")
    p.add_argument("--out-dir", required=True)
    args = p.parse_args(argv)
    try:
        print(write_bundle(args.program, args.version, args.out_dir))
    except (OSError, ValueError) as exc:
        sys.stderr.write("make_bundle: %s\n" % exc)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
