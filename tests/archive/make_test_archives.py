#!/usr/bin/env python3
"""Writes the ZIP archives the archive tests unpack into OUTDIR: zipfile's
stored, deflated and bzip2 members in nested folders, and damaged copies.
(Encrypted members and hostile names, which zipfile does not write, the
tests write themselves.)"""
import sys
import zipfile
from pathlib import Path


def write(path, members):
    with zipfile.ZipFile(path, "w") as archive:
        for name, data, method in members:
            archive.writestr(name, data, compress_type=method)


def main(out):
    out.mkdir(parents=True, exist_ok=True)
    write(out / "plain.zip", [
        ("readme.txt", b"stored text\r\n", zipfile.ZIP_STORED),
        ("docs/guide.txt", b"deflated " * 200, zipfile.ZIP_DEFLATED),
        ("docs/deep/nested/data.bin", bytes(range(256)) * 16, zipfile.ZIP_DEFLATED),
        ("empty/", b"", zipfile.ZIP_STORED),
    ])
    write(out / "bzip2.zip", [("packed.txt", b"bzip2 method " * 300, zipfile.ZIP_BZIP2)])

    # A damaged member (its data no longer matches its CRC), an archive cut
    # off in its central directory, and a text that is no archive.
    plain = (out / "plain.zip").read_bytes()
    damaged = bytearray(plain)
    start = plain.index(b"docs/guide.txt") + len(b"docs/guide.txt")
    damaged[start + 4:start + 12] = b"\xff" * 8
    (out / "damaged.zip").write_bytes(bytes(damaged))
    (out / "truncated.zip").write_bytes(plain[:plain.index(b"PK\x01\x02") + 20])
    (out / "not-a-zip.zip").write_bytes(b"this is plain text, not an archive\r\n" * 4)


if __name__ == "__main__":
    main(Path(sys.argv[1]))
