#!/usr/bin/env python3
"""Reads back the recordings that the end-to-end tests leave behind, with readers that share no code
with the recorder: Python's zipfile and its XML parser.

Usage: check_recording.py FOLDER. Every *.qmr in FOLDER is checked; FOLDER/<name>.expect lists, one per
line, the virtual-key codes that must appear as keyboard events of that recording (a code after "!" must
not appear: a key typed in another session), and FOLDER/<name>.json,
when present, what its states must show (see check_states; {"cut_short": true} for a recording that a
write fault ended early, which need hold no state).

Every recording starts with a "Configuration" element that gives the screen size, and holds one
"GetStateEvent" per start and step, numbered from 1, each naming a screenshot that the archive holds."""
import json
import os
import struct
import sys
import xml.etree.ElementTree as ET
import zipfile


def check(path, expected_keys, absent_keys, expected_states):
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
        bitmaps = {n.lower(): archive.read(n) for n in names if n.lower().endswith(".bmp")}
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
    # Numbering starts afresh; only the keystrokes of the hotkeys (at most four a state) may be gone before
    # the first event that stays.
    state_count = sum(1 for e in root if e.tag in ("GetStateEvent", "EventStateChanges"))
    if ids and ids[0] >= 4 * max(state_count, 1):
        problems.append(f"{path}: the first event has ID {ids[0]}: numbering carried over")
    for key in expected_keys:
        if key not in keys:
            problems.append(f"{path}: no keyboard event for key {key}; keys seen {keys}")
    for key in absent_keys:
        if key in keys:
            problems.append(f"{path}: key {key} was recorded: a hotkey or a key of another session")
    # A recording that a write fault cut short keeps only whole elements, which need not include a state.
    if expected_states.get("cut_short"):
        print(f"{path}: cut short, {len(ids)} events")
        return problems
    states, state_problems = check_states(root, bitmaps, expected_states)
    problems += [f"{path}: {p}" for p in state_problems]
    print(f"{path}: {len(ids)} events, keyboard keys {keys}, {states} states")
    return problems


def bitmap_size_and_colours(data):
    """Width, height and whether more than one colour shows, read from the BMP's own header."""
    if len(data) < 54 or data[:2] != b"BM":
        raise ValueError("not a BMP file")
    file_size, _, _, offset = struct.unpack_from("<IHHI", data, 2)
    _, width, height, _, bits = struct.unpack_from("<IiiHH", data, 14)
    if file_size != len(data):
        raise ValueError(f"header says {file_size} bytes, file has {len(data)}")
    if bits not in (24, 32):
        raise ValueError(f"{bits} bits per pixel; a screen copy has 24 or 32")
    stride = (width * bits + 31) // 32 * 4
    if offset + stride * abs(height) > len(data):
        raise ValueError("pixel rows run past the end of the file")
    step = bits // 8
    colours = set()
    for row in range(0, abs(height), 7):
        line = data[offset + row * stride: offset + row * stride + width * step]
        colours.update(line[i:i + 3] for i in range(0, len(line), step * 5))
        if len(colours) > 1:
            break
    return width, height, len(colours) > 1


def windows_of(element):
    return element.findall("Window")


def descendants(window):
    for child in windows_of(window):
        yield child
        yield from descendants(child)


def check_states(root, bitmaps, expected):
    """The configuration, the numbering and screenshots of the states, and what <name>.json asks for:
    "states" (how many), "process" (an executable every state lists), "window" (the class of a top-level
    window of the first state) with "children" (classes of its direct child windows) and "descendants"
    (classes anywhere below it), "typed" ({"state", "class", "text"}: a window of that class in that state
    shows the text, ignoring case), "top_level" ({"state", "class"}: a top-level window of that state) and
    "destroyed" (classes of windows that destroy events describe), "full" (every state written in full) and
    "deltas" ({"class", "texts"}: each later state is written as its changes, the n-th showing texts[n] as
    a changed Text of a window of that class)."""
    problems = []
    children = list(root)
    # The first state stands in full; each later one as its changes, unless the session wrote them in full.
    states = [e for e in children if e.tag in ("GetStateEvent", "EventStateChanges")]
    if states and states[0].tag != "GetStateEvent":
        problems.append("the first state is not written in full")
        return len(states), problems
    for delta in states[1:]:
        if delta.tag == "EventStateChanges" and delta.find("ID") is not None and \
                delta.find("ID").get("state") != "Modified":
            problems.append(f"state {delta.findtext('ID')}: its ID is not marked Modified")
    if expected.get("full") and any(s.tag != "GetStateEvent" for s in states):
        problems.append("a session that writes every state in full wrote a delta")
    deltas = expected.get("deltas")
    if deltas:
        # Each later state is its changes, and the text typed before it is a changed Text of the control.
        for state, text in zip(states[1:], deltas["texts"]):
            changed = [(w.findtext("Text") or "").strip() for w in state.iter("Window")
                       if w.findtext("ClassName", "").lower() == deltas["class"].lower() and
                       w.find("Text") is not None and w.find("Text").get("state") in ("Modified", "New")]
            if state.tag != "EventStateChanges" or text not in [t.lower() for t in changed]:
                problems.append(f"state {state.findtext('ID')}: {state.tag} without {text!r} as a changed "
                                f"Text of {deltas['class']}: {changed}")
    configs = [i for i, e in enumerate(children) if e.tag == "Configuration"]
    if len(configs) != 1 or (states and configs[0] > children.index(states[0])):
        problems.append("expected one Configuration element before the first state")
        return len(states), problems
    caps = children[configs[0]].find("DEVICECAPS")
    screen = (int(caps.findtext("HORZRES")), int(caps.findtext("VERTRES")))
    if min(screen) <= 0:
        problems.append(f"screen size {screen} in the Configuration")
    ids = [int(s.findtext("ID")) for s in states]
    if ids != list(range(1, len(ids) + 1)):
        problems.append(f"state IDs {ids}, expected 1 to {len(ids)}")
    if "states" in expected and len(states) != expected["states"]:
        problems.append(f"{len(states)} states, expected {expected['states']}")
    for state in states:
        image = (state.findtext("Image") or "").replace("\\", "/").rsplit("/", 1)[-1]
        if image.lower() != f"simcap_{int(state.findtext('ID')):03d}.bmp" or image.lower() not in bitmaps:
            problems.append(f"state {state.findtext('ID')}: image {image!r} is not in the archive")
            continue
        try:
            width, height, varied = bitmap_size_and_colours(bitmaps[image.lower()])
        except ValueError as error:
            problems.append(f"{image}: {error}")
            continue
        if (width, abs(height)) != screen:
            problems.append(f"{image}: {width}x{height}, the screen is {screen[0]}x{screen[1]}")
        if not varied:
            problems.append(f"{image}: one flat colour")
        exes = [p.findtext("ProcessExeFile", "").lower() for p in state.iter("Process")]
        if "process" in expected and state is states[0] and expected["process"].lower() not in exes:
            problems.append(f"state {state.findtext('ID')}: process {expected['process']} not in {exes}")
    if not states:
        return 0, problems
    if "window" in expected:
        tops = [w for w in windows_of(states[0]) if w.findtext("ClassName") == expected["window"]]
        if not tops:
            classes = [w.findtext("ClassName") for w in windows_of(states[0])]
            problems.append(f"no top-level {expected['window']} in state 1: {classes}")
        else:
            direct = [w.findtext("ClassName").lower() for w in windows_of(tops[0])]
            below = [w.findtext("ClassName").lower() for w in descendants(tops[0])]
            for cls in expected.get("children", []):
                if cls.lower() not in direct:
                    problems.append(f"{expected['window']} has no child {cls}: {direct}")
            for cls in expected.get("descendants", []):
                if cls.lower() not in below:
                    problems.append(f"{expected['window']} has no descendant {cls}: {sorted(set(below))}")
    by_id = {int(s.findtext("ID")): s for s in states}
    typed = expected.get("typed")
    if typed:
        state = by_id.get(typed["state"])
        texts = [w.findtext("Text", "") for w in state.iter("Window")
                 if w.findtext("ClassName", "").lower() == typed["class"].lower()] if state is not None else []
        if not any(typed["text"].lower() in t.lower() for t in texts):
            problems.append(f"state {typed['state']}: no {typed['class']} shows {typed['text']!r}: {texts}")
    top_level = expected.get("top_level")
    if top_level:
        state = by_id.get(top_level["state"])
        classes = [w.findtext("ClassName") for w in windows_of(state)] if state is not None else []
        if top_level["class"] not in classes:
            problems.append(f"state {top_level['state']}: no top-level {top_level['class']}: {classes}")
    described = [e.find("Window").findtext("ClassName") for e in root.iter("Event")
                 if e.get("EventType") == "CBTEvent" and e.find("Window") is not None]
    for cls in expected.get("destroyed", []):
        if cls not in described:
            problems.append(f"no destroy event describes a {cls} window: {described}")
    return len(states), problems


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
        states_path = os.path.join(folder, os.path.splitext(name)[0] + ".json")
        expected_states = {}
        if os.path.exists(states_path):
            with open(states_path) as handle:
                expected_states = json.load(handle)
        problems += check(os.path.join(folder, name), expected, absent, expected_states)
    for problem in problems:
        print(problem)
    print(f"{len(recordings)} recordings read back, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
