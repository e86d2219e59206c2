#!/usr/bin/env python3
"""Writes the ZIP archives the archive tests unpack into OUTDIR.

zipfile writes the ordinary ones (stored, deflated, bzip2, nested folders);
the encrypted and hostile ones are written byte by byte below, because
zipfile neither encrypts nor keeps every name as given.
"""
import io
import struct
import sys
import zipfile
import zlib
from pathlib import Path

PASSWORD = b"open sesame"


def ordinary(path, members, compression=zipfile.ZIP_DEFLATED):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, method in members:
            archive.writestr(name, data, compress_type=method if method is not None else compression)


class TraditionalCipher:
    """The original PKWARE stream cipher, as UnZip's crypt.c decrypts it."""

    def __init__(self, password):
        self.keys = [0x12345678, 0x23456789, 0x34567890]
        for byte in password:
            self._update(byte)

    @staticmethod
    def _crc(crc, byte):
        return zlib.crc32(bytes([byte]), crc ^ 0xFFFFFFFF) ^ 0xFFFFFFFF

    def _update(self, byte):
        k0, k1, k2 = self.keys
        k0 = self._crc(k0, byte)
        k1 = ((k1 + (k0 & 0xFF)) * 134775813 + 1) & 0xFFFFFFFF
        k2 = self._crc(k2, k1 >> 24)
        self.keys = [k0, k1, k2]

    def encrypt(self, data):
        out = bytearray()
        for byte in data:
            temp = (self.keys[2] | 2) & 0xFFFF
            out.append(byte ^ (((temp * (temp ^ 1)) >> 8) & 0xFF))
            self._update(byte)
        return bytes(out)


def raw(path, members):
    """members: (name bytes, data, encrypted, host system: 0 FAT, 3 Unix)."""
    body = io.BytesIO()
    central = io.BytesIO()
    for name, data, encrypted, host in members:
        crc = zlib.crc32(data)
        payload = data
        flags = 0
        if encrypted:
            flags |= 1
            header = bytes(range(1, 12)) + bytes([crc >> 24])
            payload = TraditionalCipher(PASSWORD).encrypt(header + data)
        offset = body.tell()
        fields = (flags, 0, 0x5000, 0x5821, crc, len(payload), len(data), len(name), 0)
        body.write(struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, *fields) + name + payload)
        central.write(struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, (host << 8) | 20, 20, *fields[:-1], 0, 0, 0, 0, 0,
                                  offset) + name)
    directory = central.getvalue()
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(members), len(members), len(directory), body.tell(), 0)
    Path(path).write_bytes(body.getvalue() + directory + end)


def main(out):
    out.mkdir(parents=True, exist_ok=True)
    ordinary(out / "plain.zip", [
        ("readme.txt", b"stored text\r\n", zipfile.ZIP_STORED),
        ("docs/guide.txt", b"deflated " * 200, zipfile.ZIP_DEFLATED),
        ("docs/deep/nested/data.bin", bytes(range(256)) * 16, zipfile.ZIP_DEFLATED),
        ("empty/", b"", zipfile.ZIP_STORED),
    ])
    ordinary(out / "bzip2.zip", [("packed.txt", b"bzip2 method " * 300, zipfile.ZIP_BZIP2)])

    # A damaged member (its data no longer matches its CRC) and an archive
    # cut off in its central directory.
    plain = (out / "plain.zip").read_bytes()
    damaged = bytearray(plain)
    start = plain.index(b"docs/guide.txt") + len(b"docs/guide.txt")
    damaged[start + 4:start + 12] = b"\xff" * 8
    (out / "damaged.zip").write_bytes(bytes(damaged))
    (out / "truncated.zip").write_bytes(plain[:plain.index(b"PK\x01\x02") + 20])
    (out / "not-a-zip.zip").write_bytes(b"this is plain text, not an archive\r\n" * 4)

    raw(out / "secret.zip", [(b"public.txt", b"anyone may read this", False, 3),
                             (b"secret.txt", b"the password was right", True, 3)])

    # One hostile name each, behind a harmless member, so a refusal cannot
    # be the first member's doing alone.
    hostile = {
        "dotdot": (b"../evil.txt", 3),
        "dotdot-nested": (b"docs/../../evil.txt", 3),
        "dotdot-backslash": (b"..\\evil.txt", 0),
        "absolute": (b"/abs.txt", 3),
        "drive": (b"C:\\x.txt", 0),
        "drive-slash": (b"C:/x.txt", 3),
        "unc": (b"\\\\server\\share\\x", 0),
        "long-prefix": (b"\\\\?\\C:\\x.txt", 0),
        "device": (b"docs/nul.txt", 3),
        "stream": (b"ok.txt:hidden", 3),
    }
    for label, (name, host) in hostile.items():
        raw(out / f"hostile-{label}.zip", [(b"ok.txt", b"harmless", False, host), (name, b"evil", False, host)])


if __name__ == "__main__":
    main(Path(sys.argv[1]))
