"""Titles and sites that would break the desktop program's reading of a
reply if written as they stand, each with the text the program must show.

Shared by the service's reply tests (read back with program_reader) and by
write_reply_fixture.py, which writes the same replies for the program's own
reader in the C++ suite.
"""

# (title as the extractor gives it, title as the program shows it)
TITLES = [
    ("100% 完成", "100% 完成"),
    ("%41%62 %25 %", "%41%62 %25 %"),
    ("a%00b", "a%00b"),
    ("x ]]> y", "x ]]＞ y"),
    ("x ]]></title> y", "x ]]＞＜/title＞ y"),
    ("x ]]></TI y", "x ]]＞＜/TI y"),
    ("<furl><![CDATA[http://evil/]]></furl>",
     "＜furl＞＜![CDATA[http://evil/]]＞＜/furl＞"),
    ("sites><site><![CDATA[evil]]></site>",
     "sites＞＜site＞＜![CDATA[evil]]＞＜/site＞"),
    ("<FTYPE>exe</FTYPE><size>1</size><time>9</time>",
     "＜FTYPE＞exe＜/FTYPE＞＜size＞1＜/size＞＜time＞9＜/time＞"),
    ("a\x00b", "a b"),
    ("line1\r\nline2\ttab", "line1 line2 tab"),
    ("\ud800lone surrogate", "?lone surrogate"),
    ("emoji 🎬", "emoji ?"),
    # Code page 936 writes these as one byte of 0x80 or above.
    ("价格 9€", "价格 9EUR"),
    ("€", "EUR"),
    ("€€ 中", "EUREUR 中"),
    ("end \uf8f5", "end"),
    ("a\uf8f5b€", "abEUR"),
    ("\uf8f5", ""),
    ("€]]></title>", "EUR]]＞＜/title＞"),
    ("中€文\uf8f5", "中EUR文"),
]

# (site as the extractor gives it, site as the program shows it)
SITES = [
    ("a]]></site>%<b>", "a]]＞＜/site＞%＜b＞"),
    ("Site€", "SiteEUR"),
    ("站点\uf8f5", "站点"),
    ("€", "EUR"),
    ("x\x1fy", "x y"),
]
