#!/usr/bin/env python3
"""Reads back the archives ZipWriterTest left, with Python's zipfile and Info-ZIP's unzip, and compares
every entry with the file it was made from.

usage: check_zip.py FOLDER   (the test's ZIP_CHECK_DIR; the archives lie in FOLDER/archives)
"""
import os
import shutil
import struct
import subprocess
import sys
import time
import zipfile
import zlib


def zip64_field(extra):
    """The Zip64 field (id 1) of an extra block, or None."""
    while len(extra) >= 4:
        field_id, size = struct.unpack("<HH", extra[:4])
        if field_id == 1:
            return extra[4 : 4 + size]
        extra = extra[4 + size :]
    return None


def check_archive(path, sources, zip64):
    problems = []
    try:
        with zipfile.ZipFile(path) as archive:
            bad = archive.testzip()
            if bad is not None:
                problems.append(f"testzip: {bad!r} is the first bad entry")
            names = sorted(info.filename for info in archive.infolist())
            if names != sorted(sources):  # the sub-folder stays out
                problems.append(f"names {names} != files {sorted(sources)}")
            for info in archive.infolist():
                if info.filename not in sources:
                    continue
                data, mtime = sources[info.filename]
                t = time.localtime(mtime)  # a DOS stamp holds local time, seconds in steps of two
                stamp = (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec // 2 * 2)
                label = f"{info.filename!r}:"
                if archive.read(info) != data or info.file_size != len(data) or info.CRC != zlib.crc32(data):
                    problems.append(f"{label} contents, size {info.file_size} or CRC {info.CRC:08x} differ")
                if info.compress_type != zipfile.ZIP_DEFLATED:
                    problems.append(f"{label} method {info.compress_type}, not deflate")
                if len(data) > 1024 * 1024 and info.compress_size * 10 > len(data):
                    problems.append(f"{label} barely compressed: {info.compress_size} of {len(data)}")
                if info.date_time != stamp:
                    problems.append(f"{label} stamp {info.date_time}, file {stamp}")
                if (zip64_field(info.extra) is not None) != zip64:
                    problems.append(f"{label} Zip64 field {'missing' if zip64 else 'needless'}")
    except (zipfile.BadZipFile, zlib.error) as error:
        problems.append(f"not a readable zip archive: {error}")

    with open(path, "rb") as f:
        raw = f.read()
    # The end record is last (no comment); the Zip64 record and locator, when present, come right before it.
    if raw[-22:-18] != b"PK\x05\x06":
        problems.append("the archive does not end with its end record")
    if (raw[-42:-38] == b"PK\x06\x07") != zip64 or (raw[-98:-94] == b"PK\x06\x06") != zip64:
        problems.append(f"Zip64 end records {'missing' if zip64 else 'present'}")
    if shutil.which("unzip"):
        result = subprocess.run(["unzip", "-tqq", path], capture_output=True, text=True, errors="replace")
        if result.returncode != 0:
            problems.append(f"unzip -t exit {result.returncode}: {result.stdout}{result.stderr}")
    return problems


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    folder = os.path.join(sys.argv[1], "archives")
    sources = {}
    for entry in os.scandir(os.path.join(folder, "source")):
        if entry.is_file(follow_symlinks=False):
            with open(entry.path, "rb") as f:
                sources[entry.name] = (f.read(), entry.stat().st_mtime)
    failed = len(sources) < 2
    if failed:
        print(f"FAIL: no source files in {folder}")
    for name in ("plain.zip", "zip64.zip"):
        path = os.path.join(folder, name)
        problems = check_archive(path, sources, name == "zip64.zip") if os.path.isfile(path) else ["missing"]
        for problem in problems:
            print(f"FAIL {name}: {problem}")
        if not problems:
            print(f"ok   {name}: {len(sources)} entries read back")
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
