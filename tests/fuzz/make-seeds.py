#!/usr/bin/env python3
"""Writes the seed corpora under corpus/<target>/: replies and requests as the client and the
library exchange them, the malformed shapes the decoder must refuse, launcher command lines, menu
replies, log messages, CF_HDROP blocks and copy-guard questions. Run once after changing it; the
seeds are kept in the repository."""
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


# menu_plan: byte 0 picks the shell's range (0: roomy, n: n - 1), byte 1 bit 0 drops the last value,
# then the reply values as UTF-16, FFFF between them.
def menu(range_byte, *values, drop_last=False):
    return bytes([range_byte, 1 if drop_last else 0, 0, 0]) + request(*values)


menus = {
    "plain-item": menu(0, "1", "Sync now", "2", "ignored"),
    "submenu": menu(0, "2", "Share link", "5", "Open in browser"),
    "submenu-with-zero": menu(0, "0", "Drovana", "3", "Copy link"),
    "odd-values": menu(0, "2", "Text", "3"),
    "narrow-range": menu(3, "2", "Share", "4", "beyond the range"),
    "no-range": menu(1, "1", "Open"),
    "signs-and-spaces": menu(0, " +3", "a", "-1", "b", "\t4x", "c", "99999999999", "d"),
    "not-numbers": menu(0, "x", "a", "", "b", "\u0661", "c"),
    "chinese": menu(0, "0", "卓瓦纳", "2", "分享链接"),
}
for name, data in menus.items():
    write("menu_plan", name, data)


# log_utf8_cut: two bytes of room (little-endian), then the message's UTF-16 units.
def log(room, units):
    return struct.pack("<H", room) + units


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


logs = {
    "ascii": log(1023, utf16("Commit: registration written")),
    "chinese-at-the-edge": log(10, utf16("卓瓦纳卓瓦纳")),
    "pair-at-the-edge": log(5, utf16("a\U0001F600b")),
    "lone-high-at-end": log(100, utf16("abc") + b"\x3d\xd8"),
    "lone-low": log(100, b"\x00\xdc" + utf16("x")),
    "high-then-letter": log(100, b"\x3d\xd8" + utf16("x")),
    "no-room": log(0, utf16("x")),
    "long": log(1023, utf16("日志" * 400)),
}
for name, data in logs.items():
    write("log_utf8_cut", name, data)


# drop_files: DROPFILES blocks (pFiles, pt.x, pt.y, fNC, fWide), then the list.
def drop(names, wide=True, offset=20, terminate=True, extra=b""):
    encoding = "utf-16-le" if wide else "latin-1"
    nul = b"\x00\x00" if wide else b"\x00"
    body = b"".join(n.encode(encoding) + nul for n in names) + (nul if terminate else b"")
    header = struct.pack("<IiiII", offset, 0, 0, 0, 1 if wide else 0)
    return header + b"\xee" * (offset - 20) + body + extra


drops = {
    "wide-two": drop(["C:\\Sync\\a.txt", "C:\\Sync\\收到的共享"]),
    "narrow-two": drop(["C:\\x", "C:\\\xe9t\xe9"], wide=False),
    "empty-list": drop([]),
    "no-final-nul": drop(["C:\\a"], terminate=False),
    "cut-name": drop(["C:\\a"], terminate=False)[:-2] + "C:\\cut".encode("utf-16-le"),
    "odd-tail": drop(["C:\\a"], terminate=False) + b"b",
    "gap-before-list": drop(["C:\\far"], offset=28),
    "offset-past-end": struct.pack("<IiiII", 4096, 0, 0, 0, 1),
    "offset-in-header": struct.pack("<IiiII", 4, 0, 0, 0, 1) + "C:\\a".encode("utf-16-le"),
    "short-header": b"\x14\x00\x00\x00\x00",
}
for name, data in drops.items():
    write("drop_files", name, data)


# guard_rules: operation, flags (byte with bit 0 set: 0, else four more bytes), steady sync folder,
# the sync folder as a length byte and units, then each path as pieces, then the facts' answers.
def text(t):
    return bytes([len(t)]) + t.encode("utf-16-le")


def pieces(*parts):
    out = bytes([len(parts)])
    for kind, value in parts:
        out += bytes([kind]) + (text(value) if kind == 4 else b"")
    return out


SYNC, SHARES, COMPANY, SLASH, FREE = 0, 1, 2, 3, 4
guards = {
    "delete-sync-root": bytes([3, 1, 1]) + text("C:\\Sync") + pieces((SYNC, "")) + pieces() + b"\x00" * 8,
    "rename-sync-root-slash": bytes([4, 1, 1]) + text("C:\\Sync") + pieces((SYNC, ""), (SLASH, "")) +
    pieces((FREE, "C:\\New")) + b"\x01" * 8,
    "move-shared-folder": bytes([1, 1, 1]) + text("C:\\Sync") + pieces((SYNC, ""), (SLASH, ""), (SHARES, "")) +
    pieces((FREE, "D:\\x")) + b"\x00" * 16,
    "copy-into-company": bytes([2, 0, 5, 0, 0, 0, 1]) + text("C:\\Sync") + pieces((FREE, "D:\\y")) +
    pieces((SYNC, ""), (SLASH, ""), (COMPANY, "")),
    "delete-inside-marking": bytes([3, 1, 1]) + text("C:\\Sync") + pieces((SYNC, ""), (FREE, "\\Docs")) +
    pieces() + b"\x00\x00\x01",
    "changing-sync-folder": bytes([1, 1, 0]) + text("C:\\A") + pieces((FREE, "C:\\A\\b")) + pieces((FREE, "C:\\B")) +
    text("C:\\B") + text("") + text("\\") + b"\x00" * 8,
    "unknown-operation": bytes([5, 1, 1]) + text("C:\\Sync") + pieces((SYNC, "")) + pieces(),
}
for name, data in guards.items():
    write("guard_rules", name, data)
