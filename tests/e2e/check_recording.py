#!/usr/bin/env python3
"""Reads back the recordings that the end-to-end tests leave behind, with readers that share no code
with the recorder: Python's zipfile and its XML parser.

Usage: check_recording.py FOLDER. Every *.qmr in FOLDER is checked; FOLDER/<name>.expect lists, one per
line, the virtual-key codes that must appear as keyboard events of that recording; a code after "!" must
not appear (a key typed in another session)."""
import os
import sys
import xml.etree.ElementTree as ET
import zipfile


def check(path, expected_keys, absent_keys):
    problems = []
    with zipfile.ZipFile(path) as archive:
        bad = archive.testzip()
        if bad is not None:
            return [f"{path}: entry {bad} is corrupt"]
        names = archive.namelist()
        base = os.path.splitext(os.path.basename(path))[0]
        xml_names = [n for n in names if n.lower().endswith(".xml")]
        if xml_names != [base + ".xml"]:
            problems.append(f"{path}: capture files {xml_names}, expected exactly {base}.xml")
            return problems
        data = archive.read(xml_names[0])
    first_line = data.split(b"\n", 1)[0]
    if first_line != b'<?xml version="1.0"?>':
        problems.append(f"{path}: first line {first_line!r}")
    if b"\r" in data:
        problems.append(f"{path}: CR found; lines must end with LF only")
    try:
        data.decode("utf-8")
    except UnicodeDecodeError as error:
        problems.append(f"{path}: not UTF-8: {error}")
    try:
        root = ET.fromstring(data)
    except ET.ParseError as error:
        return problems + [f"{path}: not well-formed XML: {error}"]
    if root.tag != "SimCap":
        problems.append(f"{path}: root element {root.tag}")
    events = root.iter("Event")
    ids = []
    keys = []
    for event in events:
        if event.get("StateID") is None or event.get("EventType") is None:
            problems.append(f"{path}: an Event lacks StateID or EventType")
        ids.append(int(event.findtext("ID")))
        if event.get("EventType") == "JournalKeyboardRecordEvent":
            keys.append(int(event.findtext("VirtualKeyCode")))
    if ids != sorted(ids) or len(set(ids)) != len(ids):
        problems.append(f"{path}: event IDs not increasing: {ids}")
    if ids and ids[0] != 0:
        problems.append(f"{path}: the first event has ID {ids[0]}, not 0: numbering carried over")
    for key in expected_keys:
        if key not in keys:
            problems.append(f"{path}: no keyboard event for key {key}; keys seen {keys}")
    for key in absent_keys:
        if key in keys:
            problems.append(f"{path}: key {key} of another session was recorded here")
    print(f"{path}: {len(ids)} events, keyboard keys {keys}")
    return problems


def main():
    folder = sys.argv[1]
    recordings = sorted(f for f in os.listdir(folder) if f.endswith(".qmr")) if os.path.isdir(folder) else []
    if not recordings:
        print(f"no recordings in {folder}")
        return 1
    problems = []
    for name in recordings:
        expect_path = os.path.join(folder, os.path.splitext(name)[0] + ".expect")
        lines = []
        if os.path.exists(expect_path):
            with open(expect_path) as handle:
                lines = [line.strip() for line in handle if line.strip()]
        expected = [int(line) for line in lines if not line.startswith("!")]
        absent = [int(line[1:]) for line in lines if line.startswith("!")]
        problems += check(os.path.join(folder, name), expected, absent)
    for problem in problems:
        print(problem)
    print(f"{len(recordings)} recordings read back, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
