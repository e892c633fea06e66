#!/usr/bin/env python3
"""Runs one fuzzer under Wine and judges it from outside.

Under Wine a fault inside a window procedure that handles a sent message is caught and the process goes
on, so the fuzzer's own verdict is not enough: the run is made with WINEDEBUG=warn+seh, which prints every
exception, and any exception line of a fault fails the run. The recordings the fuzzer leaves in FOLDER are
then read back with readers that share no code with the recorder (zipfile and the XML parser).

Usage: run_fuzz.py FOLDER WINE FUZZER.exe [fuzzer arguments...]
The fuzzer gets --folder=Z:FOLDER (Wine's drive for the Unix root) in front of its own arguments."""
import os
import re
import subprocess
import sys
import time
import xml.etree.ElementTree as ET
import zipfile

# Wine's seh channel prints every exception as "... exception (code=XXXXXXXX) raised" and debug strings
# as quoted text. Not faults: debug output, thread names, and the status the system's RPC runtime raises
# and catches itself when a service it asks is not running (RPC_S_SERVER_UNAVAILABLE).
BENIGN_CODES = {"40010006", "4001000a", "406d1388", "6ba"}
EXCEPTION_LINE = re.compile(r"exception \(code=([0-9a-fA-F]+)\) raised")


def fault_lines(stderr_text):
    """Exception lines of faults, and the loader's report of an unhandled one."""
    faults = []
    for line in stderr_text.splitlines():
        match = EXCEPTION_LINE.search(line)
        if match and match.group(1).lower().lstrip("0") not in BENIGN_CODES:
            faults.append(line)
        elif ":err:seh:" in line or line.startswith("wine: Unhandled"):
            faults.append(line)
    return faults


def check_recording(path):
    """Problems of one recording: a complete zip holding one well-formed capture file of events."""
    try:
        with zipfile.ZipFile(path) as archive:
            bad = archive.testzip()
            if bad is not None:
                return [f"{path}: entry {bad} is corrupt"]
            base = os.path.splitext(os.path.basename(path))[0]
            xml_names = [n for n in archive.namelist() if n.lower().endswith(".xml")]
            if len(xml_names) != 1:
                return [f"{path}: capture files {xml_names}, expected one"]
            data = archive.read(xml_names[0])
    except (zipfile.BadZipFile, OSError) as error:
        return [f"{path}: not a readable zip: {error}"]
    try:
        root = ET.fromstring(data)
    except ET.ParseError as error:
        return [f"{path}: capture file not well-formed: {error}"]
    if root.tag != "SimCap":
        return [f"{path}: root element {root.tag}"]
    events = list(root.iter("Event"))
    if any(e.get("StateID") is None or e.get("EventType") is None for e in events):
        return [f"{path}: an Event lacks StateID or EventType"]
    kinds = sorted({e.get("EventType") for e in events})
    print(f"{path}: {len(data)} bytes of XML, {len(events)} events ({', '.join(kinds)})")
    return []


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    folder, wine, fuzzer = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.endswith(".qmr"):
            os.remove(os.path.join(folder, name))
    env = dict(os.environ)
    env["WINEDEBUG"] = "warn+seh"
    command = [wine, fuzzer, "--folder=Z:" + folder.replace("/", "\\")] + sys.argv[4:]
    started = time.monotonic()
    result = subprocess.run(command, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    seconds = time.monotonic() - started
    stdout = result.stdout.decode("latin-1")
    stderr = result.stderr.decode("latin-1")
    sys.stdout.write(stdout)
    problems = []
    if result.returncode != 0:
        problems.append(f"the fuzzer ended with {result.returncode}")
    faults = fault_lines(stderr)
    if faults:
        problems.append(f"{len(faults)} exception lines, the first: " + "; ".join(faults[:5]))
    recordings = sorted(n for n in os.listdir(folder) if n.endswith(".qmr"))
    expected = len(re.findall(r"^kept ", stdout, re.MULTILINE))
    if len(recordings) != expected:
        problems.append(f"{len(recordings)} recordings in {folder}, the fuzzer kept {expected}")
    for name in recordings:
        problems += check_recording(os.path.join(folder, name))
    for problem in problems:
        print("PROBLEM:", problem)
    print(f"{seconds:.1f} s, {len(recordings)} recordings read back, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
