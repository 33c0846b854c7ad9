#!/usr/bin/env python3
"""The packed menu package: layout, block map, identity and signing.

    package_test.py PACKAGE SOURCE_ROOT VERSION PUBLISHER
"""

import base64
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile
import zlib

PACKAGE, ROOT, VERSION, PUBLISHER = sys.argv[1:5]
BLOCK_MAP_NS = "{http://schemas.microsoft.com/appx/2010/blockmap}"
FOUNDATION_NS = "{http://schemas.microsoft.com/appx/manifest/foundation/windows10}"
PACKER = os.path.join(ROOT, "tools", "package", "pack_msix.py")


def header_literal(name):
    with open(os.path.join(ROOT, "common", "MenuPackage.h"), encoding="utf-8") as f:
        return re.search(name + r'\[\] = L"([^"]*)"', f.read()).group(1)


def check_block_map(test, path):
    """Every file but the map, the content types and the signature is in the block map, in archive
    order, with its size, its local header's size and the hash (and stored size) of each 64 KiB block."""
    with open(path, "rb") as f:
        archive = f.read()
    with zipfile.ZipFile(path) as z:
        infos = z.infolist()
        block_map = ET.fromstring(z.read("AppxBlockMap.xml"))
        mapped = [i for i in infos if i.filename not in ("AppxBlockMap.xml", "[Content_Types].xml",
                                                          "AppxSignature.p7x")]
        files = block_map.findall(BLOCK_MAP_NS + "File")
        test.assertEqual([f.get("Name") for f in files], [i.filename.replace("/", "\\") for i in mapped])
        for info, entry in zip(mapped, files):
            data = z.read(info)
            name_length, extra_length = struct.unpack_from("<HH", archive, info.header_offset + 26)
            test.assertEqual(int(entry.get("Size")), len(data), info.filename)
            test.assertEqual(int(entry.get("LfhSize")), 30 + name_length + extra_length, info.filename)
            blocks = entry.findall(BLOCK_MAP_NS + "Block")
            test.assertEqual(len(blocks), (len(data) + 0xFFFF) // 0x10000, info.filename)
            start = info.header_offset + 30 + name_length + extra_length
            for n, block in enumerate(blocks):
                chunk = data[n * 0x10000:(n + 1) * 0x10000]
                test.assertEqual(block.get("Hash"), base64.b64encode(hashlib.sha256(chunk).digest()).decode())
                if info.compress_type == zipfile.ZIP_STORED:
                    test.assertIsNone(block.get("Size"))
                    continue
                # A deflated block is inflated on its own, from where the one before it ended.
                size = int(block.get("Size"))
                test.assertEqual(zlib.decompressobj(-15).decompress(archive[start:start + size]), chunk)
                start += size
        return z.read("[Content_Types].xml").decode("utf-8"), infos


class PackageTest(unittest.TestCase):
    def test_layout_and_block_map_as_windows_reads_them(self):
        types, infos = check_block_map(self, PACKAGE)
        self.assertEqual([i.filename for i in infos][-3:], ["AppxManifest.xml", "AppxBlockMap.xml",
                                                            "[Content_Types].xml"])
        self.assertIn('<Default Extension="png" ContentType="image/png"/>', types)
        self.assertIn('<Override PartName="/AppxManifest.xml" ContentType="application/vnd.ms-appx.manifest+xml"/>',
                      types)
        self.assertIn('<Override PartName="/AppxBlockMap.xml" ContentType="application/vnd.ms-appx.blockmap+xml"/>',
                      types)

    def test_a_file_of_several_blocks_is_deflated_block_by_block(self):
        with tempfile.TemporaryDirectory() as folder:
            big = os.path.join(folder, "big.bin")
            with open(big, "wb") as f:  # compressible, and not a multiple of 64 KiB
                f.write(b"".join(hashlib.sha256(bytes([i % 7])).digest() for i in range(5000)))
            manifest = os.path.join(folder, "AppxManifest.xml")
            with open(manifest, "w") as f:
                f.write("<Package/>")
            out = os.path.join(folder, "t.msix")
            subprocess.run([sys.executable, PACKER, out, manifest, "data/big.bin=" + big], check=True,
                           stdout=subprocess.DEVNULL)
            check_block_map(self, out)

    def test_identity_from_the_build(self):
        with zipfile.ZipFile(PACKAGE) as z:
            manifest = ET.fromstring(z.read("AppxManifest.xml"))
            names = z.namelist()
        identity = manifest.find(FOUNDATION_NS + "Identity")
        self.assertEqual(identity.get("Name"), header_literal("kMenuPackageName"))
        self.assertEqual(identity.get("Version"), VERSION)
        self.assertEqual(identity.get("Publisher"), PUBLISHER)
        self.assertEqual(os.path.basename(PACKAGE), header_literal("kMenuPackageFile"))
        logos = [manifest.find(FOUNDATION_NS + "Properties/" + FOUNDATION_NS + "Logo").text]
        visual = manifest.find(".//{http://schemas.microsoft.com/appx/manifest/uap/windows10}VisualElements")
        logos += [visual.get("Square150x150Logo"), visual.get("Square44x44Logo")]
        for logo in logos:
            self.assertIn(logo.replace("\\", "/"), names)

    def test_signed_with_a_throwaway_certificate_verifies_and_a_changed_manifest_does_not(self):
        with tempfile.TemporaryDirectory() as folder:
            key, cert = os.path.join(folder, "key.pem"), os.path.join(folder, "cert.pem")
            # Windows accepts the signature only when the certificate's subject is the publisher.
            subject = "/" + "/".join(part.strip() for part in PUBLISHER.split(","))
            # runs: openssl
            subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", subject,
                            "-keyout", key, "-out", cert, "-days", "2", "-addext", "extendedKeyUsage=codeSigning"],
                           check=True, capture_output=True)
            signed = os.path.join(folder, "signed.msix")
            # runs: osslsigncode
            subprocess.run(["osslsigncode", "sign", "-certs", cert, "-key", key, "-in", PACKAGE, "-out", signed],
                           check=True, capture_output=True)

            def verify(path):
                return subprocess.run(["osslsigncode", "verify", "-in", path, "-CAfile", cert],
                                      capture_output=True, text=True)

            result = verify(signed)
            self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
            with zipfile.ZipFile(signed) as z:
                self.assertEqual(z.namelist()[-1], "AppxSignature.p7x")

            # The signed package with one bit of the manifest as stored changed, nothing else.
            with open(signed, "rb") as f:
                archive = bytearray(f.read())
            with zipfile.ZipFile(signed) as z:
                info = z.getinfo("AppxManifest.xml")
            name_length, extra_length = struct.unpack_from("<HH", archive, info.header_offset + 26)
            archive[info.header_offset + 30 + name_length + extra_length + info.compress_size // 2] ^= 0x01
            changed = os.path.join(folder, "changed.msix")
            with open(changed, "wb") as f:
                f.write(archive)
            self.assertNotEqual(verify(changed).returncode, 0)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
