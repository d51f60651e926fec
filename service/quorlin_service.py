#!/usr/bin/env python3
"""Quorlin link-resolution service: starts the HTTP front of linkservice.

    python3 service/quorlin_service.py [--host H] [--port P] [options]
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from linkservice.front import main  # noqa: E402

if __name__ == "__main__":
    sys.exit(main())
