"""Quorlin link-resolution service.

reply     the reply the desktop program reads, and the rules its values obey
resolver  page addresses it accepts, the extraction over yt-dlp, its bounds
front     the HTTP front: request decoding, Host check, connection cap, log
"""
