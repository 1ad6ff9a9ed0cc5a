#!/usr/bin/python3
"""Writes the hand-made seed inputs of each fuzz target into corpus/, the
cases at and past every length limit among them."""
import json
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
URL = b"http://books.example/a.zqk"
SEEDS = {
    "fuzz_page_attributes": {
        "netscape": b"Mozilla/5.0 Netscape6/6.2\0" + URL + b"\0UID\x0042\0winclose\0yes",
        "opera": b"Opera/6.05\0" + URL + b"\0WINCLOSE\0Yes\0uid\0abc\0UID\0",
        "nulls": b"\x01\0" + URL + b"\0\x01\0yes\0UID\0\x01\0UID\0x",
        "fits": b"M\0" + b"u" * 1000 + b"\0UID\0" + b"5" * 17,
        "url-too-long": b"M\0" + b"u" * 1100 + b"\0UID\x007",
        "uid-too-long": b"M\0" + URL + b"\0UID\0" + b"v" * 2000,
    },
    "fuzz_open_command": {
        "quoted": b"\x02\"C:\\Apps\\viewer.exe\" \"%1\"",
        "primary-fails": b"\x03\"C:\\V\\v.exe\"",
        "unquoted": b"\x02C:\\V\\v.exe %1",
        "empty-quotes": b"\x02\"\"",
        "163": b"\x02\"" + b"p" * 163 + b"\"",
        "164": b"\x02\"" + b"p" * 164 + b"\"",
        "full-no-nul": b"\x02\"C:\\v.exe\"" + b" " * 246,
        "nul-inside": b"\x02\"C:\\v\0.exe\"",
        "too-long": b"\x02\"C:\\v.exe\" " + b"x" * 300,
    },
    "fuzz_viewer_arguments": {
        "plain": URL + b"\x0042",
        "empty-uid": URL,
        "1023": b"u" * 1017,
        "1024": b"u" * 1017 + b"\x001",
        "huge": b"h" * 3000 + b"\0" + b"i" * 3000,
        "hostile-uid": URL + b'\x0042 "C:\\evil\\other.zqk" /print',
        "blank-url": b"file:///C:/My Books/a.zqk\0" + b"1 \\\\host\\share\\x.zqk",
        "backslashes": b'C:\\dir with blank\\\0x\ty\\\\"\\',
    },
    "fuzz_installer": {
        "netscape6": b"\x05" + b"6.2 (en)\x02C:\\N6\\\x02",
        "navigator": b"\x06" + b"\x02\x024.79\x02C:\\Nav\\Plugins",
        "both-fail": b"\x03" + b"6\x02X:\\\x024\x02Y:",
        "empty-version": b"\x05" + b"\x02C:\\\x02",
        "dir-1006": b"\x05" + b"6\x02" + b"d" * 1006,
        "dir-1007": b"\x05" + b"6\x02" + b"d" * 1007,
        "version-220": b"\x06" + b"\x02\x02" + b"v" * 220 + b"\x02P:",
        "version-no-nul": b"\x05" + b"6" * 1024 + b"\x02C:\\",
        "version-with-nul": b"\x05" + b"6\0junk\x02C:\\",
    },
}


def framed(text, length=None):
    body = text.encode() if isinstance(text, str) else text
    return struct.pack("<I", len(body) if length is None else length) + body


def request(url, uid, **more):
    return framed(json.dumps(dict(url=url, uid=uid, **more)))


SEEDS["fuzz_host_request"] = {
    "plain": request("http://books.example/a.zqk", "42"),
    "hostile-uid": request("http://books.example/a.zqk", '42 "C:\\evil\\other.zqk" /print'),
    "latin1": request("file:///C:/My Books/caf\u00e9.zqk", "\u00e9"),
    "fullwidth-quote": request("http://h/a.zqk", "1\uff02 /print"),
    "more-members": request("https://h/a.zqk", "", v=2, o={"a": [1, None, True]}),
    "deep": framed('{"url":"http://h/a.zqk","uid":"1","x":' + "[" * 20 + "]" * 20 + "}"),
    "duplicate": framed('{"url":"http://h/a","url":"http://h/b","uid":"1"}'),
    "nul-after": framed('{"url":"http://h/a","uid":"1"}\0x'),
    "too-long": framed("", 65537),
    "cut": framed('{"url":"http://h/a","uid":"1"}', 40),
    "arguments-1023": request("http://h/" + "u" * 1000, "5" * 8),
}

for target, seeds in SEEDS.items():
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, "seed-" + name), "wb") as out:
            out.write(data)
