#!/usr/bin/env python3
"""Quorlin link-resolution service: starts the HTTP front of linkservice.

    python3 service/quorlin_service.py [--host H] [--port P] [options]
"""

import os
import sys

# Kept to syntax every Python 3 reads, so an old one gets this message and
# not a traceback.  yt-dlp releases of today need 3.9 as well.
MIN_PYTHON = (3, 9)
if sys.version_info < MIN_PYTHON:
    if sys.stderr is not None:
        sys.stderr.write("Quorlin service: Python %d.%d or newer is needed, this is %d.%d (%s)\n"
                         % (MIN_PYTHON + sys.version_info[:2] + (sys.executable,)))
    sys.exit(3)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from linkservice.front import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main())
