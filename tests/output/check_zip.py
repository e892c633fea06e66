#!/usr/bin/env python3
"""Reads back the archives ZipWriterTest left in a folder, with Python's zipfile and Info-ZIP's unzip,
and compares every entry with the file it was made from.

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

ARCHIVES = ("plain.zip", "zip64.zip")
ZIP64_END_SIGNATURE = b"PK\x06\x06"
ZIP64_LOCATOR_SIGNATURE = b"PK\x06\x07"
UTF8_NAME_FLAG = 0x800


def source_files(folder):
    """The regular files of the folder the archives were made from, by name; sub-folders stay out."""
    files = {}
    with os.scandir(folder) as entries:
        for entry in entries:
            if entry.is_file(follow_symlinks=False):
                with open(entry.path, "rb") as f:
                    files[entry.name] = (f.read(), entry.stat().st_mtime)
    return files


def zip64_fields(extra):
    """The data of the Zip64 field (id 1) of an extra block, or None."""
    while len(extra) >= 4:
        field_id, size = struct.unpack("<HH", extra[:4])
        if field_id == 1:
            return extra[4 : 4 + size]
        extra = extra[4 + size :]
    return None


def dos_stamp(mtime):
    """The local date and time a DOS stamp can hold for a modification time (seconds in steps of two)."""
    t = time.localtime(mtime)
    return (t.tm_year, t.tm_mon, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec // 2 * 2)


def check_archive(path, sources, zip64):
    try:
        problems = check_entries(path, sources, zip64)
    except zipfile.BadZipFile as error:
        problems = [f"not a readable zip archive: {error}"]
    return problems + check_records(path, zip64)


def check_entries(path, sources, zip64):
    problems = []
    with zipfile.ZipFile(path) as archive:
        bad = archive.testzip()
        if bad is not None:
            problems.append(f"testzip: {bad!r} is the first bad entry")
        infos = archive.infolist()
        names = sorted(info.filename for info in infos)
        if names != sorted(sources):
            problems.append(f"names {names} != files {sorted(sources)}")
        for info in infos:
            if info.filename not in sources:
                continue
            data, mtime = sources[info.filename]
            label = f"{info.filename!r}:"
            try:
                read = archive.read(info)
            except (zipfile.BadZipFile, zlib.error) as error:
                problems.append(f"{label} unreadable: {error}")
                continue
            if read != data:
                problems.append(f"{label} {len(read)} bytes read back, {len(data)} in the file")
            if info.file_size != len(data) or info.CRC != zlib.crc32(data):
                problems.append(f"{label} size {info.file_size} / CRC {info.CRC:08x} in the directory")
            if info.compress_type != zipfile.ZIP_DEFLATED:
                problems.append(f"{label} method {info.compress_type}, not deflate")
            if info.date_time != dos_stamp(mtime):
                problems.append(f"{label} stamp {info.date_time}, file {dos_stamp(mtime)}")
            wants_utf8 = not info.filename.isascii()
            if bool(info.flag_bits & UTF8_NAME_FLAG) != wants_utf8:
                problems.append(f"{label} UTF-8 flag {info.flag_bits & UTF8_NAME_FLAG:#x}")
            if zip64 and zip64_fields(info.extra) is None:
                problems.append(f"{label} no Zip64 field in its directory entry")
            if not zip64 and zip64_fields(info.extra) is not None:
                problems.append(f"{label} needless Zip64 field")
            if len(data) > 1024 * 1024 and info.compress_size * 10 > len(data):
                problems.append(f"{label} barely compressed: {info.compress_size} of {len(data)}")
    return problems


def check_records(path, zip64):
    problems = []
    with open(path, "rb") as f:
        raw = f.read()
    # The end record is last (no comment); the Zip64 locator and record, when present, come right before it.
    has_locator = raw[-42:-38] == ZIP64_LOCATOR_SIGNATURE
    if raw[-22:-18] != b"PK\x05\x06":
        problems.append("the archive does not end with its end record")
    has_zip64_end = raw[-98:-94] == ZIP64_END_SIGNATURE
    if has_locator != zip64 or has_zip64_end != zip64:
        problems.append(f"Zip64 end records {'missing' if zip64 else 'present'}")

    unzip = shutil.which("unzip")
    if unzip:
        result = subprocess.run([unzip, "-tqq", path], capture_output=True, text=True, errors="replace")
        if result.returncode != 0:
            problems.append(f"unzip -t exit {result.returncode}: {result.stdout}{result.stderr}")
    return problems


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    folder = os.path.join(sys.argv[1], "archives")
    sources = source_files(os.path.join(folder, "source"))
    if len(sources) < 2:
        print(f"FAIL: no source files in {folder}")
        return 1
    failed = False
    for name in ARCHIVES:
        path = os.path.join(folder, name)
        if not os.path.isfile(path):
            print(f"FAIL {name}: missing")
            failed = True
            continue
        problems = check_archive(path, sources, zip64=name == "zip64.zip")
        for problem in problems:
            print(f"FAIL {name}: {problem}")
        if not problems:
            print(f"ok   {name}: {len(sources)} entries read back")
        failed = failed or bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
