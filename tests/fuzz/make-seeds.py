#!/usr/bin/env python3
"""Writes the seed corpora under corpus/<target>/: replies and requests as the client and the
library exchange them, the malformed shapes the decoder must refuse, and launcher command lines.
Run once after changing it; the seeds are kept in the repository."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def field(text, count=None):
    units = text.encode("utf-16-le")
    n = len(units) // 2 if count is None else count
    return struct.pack("<i", n) + units


def message(*texts):
    return b"".join(field(t) for t in texts)


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


replies = {
    "ok-synced": message("ok", "Synced"),
    "ok-alone": message("ok"),
    "status-upper-ok": message("OK", "Synced"),
    "status-empty": message(""),
    "menu-pairs": message("ok", "2", "Share link", "5", "Open in browser"),
    "menu-single-item": message("ok", "1", "Sync now", "2", "ignored"),
    "menu-odd-values": message("ok", "2", "Text", "3"),
    "embedded-nul": message("ok", "Syn\0ced", "Invalid"),
    "chinese-text": message("ok", "0", "卓瓦纳"),
    "negative-count": struct.pack("<i", -1) + "ok".encode("utf-16-le"),
    "short-header": b"\x02\x00\x00",
    "field-past-end": field("ok") + field("Synced")[:-2],
    "count-too-large": field("ok") + struct.pack("<i", 0x7FFFFFFF),
    "longest-field": message("ok", "x" * 1023),
    "field-1024": message("ok", "x" * 1024),
    "trailing-byte": message("ok", "Synced") + b"\x00",
    # Exactly one full read: 8 bytes of status, then two fields of 1023 and 1017 units.
    "exactly-4096": message("ok", "y" * 1023, "z" * 1017),
    "empty": b"",
}
for name, data in replies.items():
    write("reply_decoder", name, data)

FIELD_BREAK = "\uffff".encode("utf-16-le")


def request(*texts):
    return FIELD_BREAK.join(t.encode("utf-16-le") for t in texts)


requests = {
    "path-state": request("PathState", "C:\\a"),
    "menu-items": request("MenuItems", "C:\\Sync\\a b.txt", "C:\\Sync\\Folder"),
    "menu-cmd": request("MenuCmd", "3", "0000000000001A2B", "C:\\Sync\\x"),
    "no-arguments": request("NotifyWinDowClose"),
    "empty-argument": request("PathState", ""),
    "long-path": request("PathState", "C:\\" + "d" * 2040),
    "too-long": request("MenuItems", "C:\\" + "e" * 1000, "C:\\" + "f" * 1100),
    "chinese-path": request("PathState", "D:\\Sync\\收到的共享\\公司文件"),
}
for name, data in requests.items():
    write("request_encoder", name, data)

command_lines = {
    "empty": "",
    "commit-sid": "/Commit S-1-5-21-1-2-3-1001",
    "commit-two-spaces": "/Commit  S-1-5-21-1-2-3-1001",
    "leading-space": " /Install",
    "trailing-space": "/Uninstall ",
    "tab": "/Commit\tS-1-5-21",
    "quoted": '"/Upgrade Fully" x',
    "spaces-only": "   ",
    "upgrade-fully": "/UpgradeFully S-1-5-18 extra words",
    "high-bytes": "/Install \xe5\x8d\x93\xff",
}
for name, text in command_lines.items():
    write("split_command_line", name, text.encode("latin-1"))
