#!/usr/bin/env python3
"""Packs an MSIX package on any system, laid out as Windows' own packer lays it out.

    python3 tools/package/pack_msix.py OUTPUT MANIFEST [NAME=FILE ...]

The package is a ZIP archive: the payload files (NAME is the name inside the package, with "/" between
folders), then AppxManifest.xml, then AppxBlockMap.xml (the SHA-256 of every 64 KiB block of every
file before it, which Windows checks as it reads) and [Content_Types].xml. Each file is deflated
block by block, so that every block can be inflated on its own, except files that are compressed
already (PNG), which are stored. A signer (osslsigncode) adds AppxSignature.p7x afterwards.
Only the standard library is used, and the output is the same for the same input.
"""

import base64
import hashlib
import os
import struct
import sys
import zlib
from xml.sax.saxutils import quoteattr

BLOCK = 64 * 1024
STORED_EXTENSIONS = {".png"}
CONTENT_TYPES = {".png": "image/png", ".xml": "application/xml"}
MANIFEST = "AppxManifest.xml"
BLOCK_MAP = "AppxBlockMap.xml"
CONTENT_TYPES_NAME = "[Content_Types].xml"
# 1980-01-01 00:00, the earliest a ZIP time can say: the archive does not change with the clock.
DOS_TIME, DOS_DATE = 0, (0 << 9) | (1 << 5) | 1


class Entry:
    def __init__(self, name, data, compress):
        self.name = name
        self.data = data
        self.crc = zlib.crc32(data)
        self.method = 8 if compress else 0
        self.blocks = []  # (SHA-256 of the block, its size in the archive or None when stored)
        stored = bytearray()
        deflater = zlib.compressobj(9, zlib.DEFLATED, -15) if compress else None
        starts = list(range(0, len(data), BLOCK)) or ([0] if compress else [])
        for i, start in enumerate(starts):
            block = data[start:start + BLOCK]
            if deflater:
                last = i == len(starts) - 1
                # A full flush ends each block on a byte boundary with a fresh dictionary.
                packed = deflater.compress(block) + deflater.flush(zlib.Z_FINISH if last else zlib.Z_FULL_FLUSH)
                stored += packed
                size = len(packed)
            else:
                stored += block
                size = None
            if block:
                self.blocks.append((base64.b64encode(hashlib.sha256(block).digest()).decode(), size))
        self.stored = bytes(stored)
        self.offset = 0

    def local_header(self):
        name = self.name.encode("utf-8")
        return struct.pack("<4sHHHHHIIIHH", b"PK\x03\x04", 20, 0, self.method, DOS_TIME, DOS_DATE, self.crc,
                           len(self.stored), len(self.data), len(name), 0) + name

    def central_header(self):
        name = self.name.encode("utf-8")
        return struct.pack("<4sHHHHHHIIIHHHHHII", b"PK\x01\x02", 45, 20, 0, self.method, DOS_TIME, DOS_DATE,
                           self.crc, len(self.stored), len(self.data), len(name), 0, 0, 0, 0, 0,
                           self.offset) + name


def block_map(entries):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<BlockMap xmlns="http://schemas.microsoft.com/appx/2010/blockmap" '
             'HashMethod="http://www.w3.org/2001/04/xmlenc#sha256">']
    for e in entries:
        lfh = len(e.local_header())
        lines.append(f'<File Name={quoteattr(e.name.replace("/", chr(92)))} Size="{len(e.data)}" LfhSize="{lfh}">')
        for digest, size in e.blocks:
            lines.append(f'<Block Hash="{digest}"' + (f' Size="{size}"' if size is not None else "") + "/>")
        lines.append("</File>")
    lines.append("</BlockMap>")
    return "\r\n".join(lines).encode("utf-8")


def content_types(names):
    extensions = sorted({os.path.splitext(n)[1].lower() for n in names if n != MANIFEST})
    parts = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">']
    for ext in extensions:
        parts.append(f'<Default Extension="{ext[1:]}" ContentType="{CONTENT_TYPES.get(ext, "application/octet-stream")}"/>')
    parts.append(f'<Override PartName="/{MANIFEST}" ContentType="application/vnd.ms-appx.manifest+xml"/>')
    parts.append(f'<Override PartName="/{BLOCK_MAP}" ContentType="application/vnd.ms-appx.blockmap+xml"/>')
    parts.append("</Types>")
    return "".join(parts).encode("utf-8")


def pack(output, manifest, payload):
    entries = []
    for name, path in payload:
        with open(path, "rb") as f:
            entries.append(Entry(name, f.read(), os.path.splitext(name)[1].lower() not in STORED_EXTENSIONS))
    with open(manifest, "rb") as f:
        entries.append(Entry(MANIFEST, f.read(), True))
    names = [e.name for e in entries]
    entries.append(Entry(BLOCK_MAP, block_map(entries), True))
    entries.append(Entry(CONTENT_TYPES_NAME, content_types(names + [BLOCK_MAP]), True))

    archive = bytearray()
    for e in entries:
        e.offset = len(archive)
        archive += e.local_header() + e.stored
    directory_offset = len(archive)
    directory = b"".join(e.central_header() for e in entries)
    archive += directory
    # Windows' packer always ends with the ZIP64 records, then the classic end record.
    zip64_offset = len(archive)
    archive += struct.pack("<4sQHHIIQQQQ", b"PK\x06\x06", 44, 45, 45, 0, 0, len(entries), len(entries),
                           len(directory), directory_offset)
    archive += struct.pack("<4sIQI", b"PK\x06\x07", 0, zip64_offset, 1)
    archive += struct.pack("<4sHHHHIIH", b"PK\x05\x06", 0, 0, len(entries), len(entries), len(directory),
                           directory_offset, 0)
    with open(output, "wb") as f:
        f.write(archive)
    for e in entries:
        print(f"pack_msix: {e.name}: {len(e.data)} bytes in {len(e.blocks)} block(s), "
              f"{'deflated' if e.method else 'stored'} to {len(e.stored)}")
    print(f"pack_msix: {output}: {len(archive)} bytes")


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    payload = []
    for item in argv[3:]:
        name, sep, path = item.partition("=")
        if not sep or not name or name.startswith("/") or "\\" in name:
            sys.exit(f"pack_msix: {item!r} is not NAME=FILE with a relative NAME")
        payload.append((name, path))
    pack(argv[1], argv[2], payload)


if __name__ == "__main__":
    main(sys.argv)
