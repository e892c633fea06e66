#!/usr/bin/env python3
"""Reads back the control contents of the recordings that the end-to-end tests leave behind, with readers
that share no code with the recorder (Python's zipfile and XML parser).

Usage: check_controls.py FOLDER. In FOLDER/simtarget.qmr every state must show the project's target with
its list box, combo boxes, toolbar, menu bar and bitmaps as the target made them; in every other recording
of a program nobody here wrote, each combo box, list box, toolbar and menu of the state must hold its
items, and the kinds of control that FOLDER/<name>.json lists under "controls" (a menu when it lists
none) must be there."""
import json
import os
import sys
import xml.etree.ElementTree as ET
import zipfile

LIST_ITEMS = ["Alpha", "Beta", "Gamma", "Delta"]
COMBO_ITEMS = ["Red", "Green", "Blue"]
COMBOEX_ITEMS = ["One", "Two"]
TOOL_TEXTS = ["New", "Open", "Save"]
TOOL_TIPS = ["Make a new page", "Open a page", "Save the page"]


def item_texts(element):
    return [item.findtext("Text") or "" for item in element.find("ItemData").findall("Item")]


def menu_items(menu):
    return menu.findall("MenuItem")


def windows_of_class(state, name):
    return [w for w in state.iter("Window") if (w.findtext("ClassName") or "").lower() == name.lower()]


def check_menu(menu, where, problems, files, unreadable_ok=False):
    """Every item of a menu is there with its position; sub-menus and bitmap files are whole. "???" names a
    bitmap that could not be saved, as the system's own menu pictures of another program cannot be."""
    items = menu_items(menu)
    count = int(menu.findtext("MenuItemCount"))
    if count != len(items):
        problems.append(f"{where}: MenuItemCount {count} but {len(items)} items")
    for index, item in enumerate(items):
        if int(item.findtext("Index")) != index:
            problems.append(f"{where}: item {index} has Index {item.findtext('Index')}")
        for tag in ("BmpItem", "BmpChecked", "BmpUnchecked"):
            name = item.findtext(tag)
            if name is not None and name not in files and not (unreadable_ok and name == "???"):
                problems.append(f"{where}: {tag} {name} is not in the recording")
        sub = item.find("Menu")
        if sub is not None:
            check_menu(sub, where + "/" + (item.findtext("Text") or "?"), problems, files, unreadable_ok)


def check_target(states, files, path):
    problems = []
    for number, state in enumerate(states, 1):
        where = f"{path} state {number}"
        mains = [w for w in windows_of_class(state, "SimTargetMain")]
        if not mains:
            problems.append(f"{where}: no window of the target")
            continue
        main = mains[0]
        lists = [w.find("ListBox") for w in windows_of_class(main, "ListBox")]
        if not any(l is not None and item_texts(l) == LIST_ITEMS and l.findtext("Selection") == "1,3" for l in lists):
            problems.append(f"{where}: no list box with {LIST_ITEMS} and selection 1,3")
        combos = [w.find("ComboBox") for w in windows_of_class(main, "ComboBox")]
        texts = [item_texts(c) for c in combos if c is not None]
        for expected in (COMBO_ITEMS, COMBOEX_ITEMS):
            if expected not in texts:
                problems.append(f"{where}: no combo box with {expected}; combo boxes hold {texts}")
        if not any(c is not None and c.findtext("CurSel") == "1" and item_texts(c) == COMBO_ITEMS for c in combos):
            problems.append(f"{where}: the drop-down combo box does not show its second item as current")
        toolbars = windows_of_class(main, "ToolbarWindow32")
        buttons = [b for t in toolbars for b in t.find("Buttons").findall("ToolBarButton")]
        if [b.find("TBBUTTONINFO").findtext("pszText") for b in buttons] != TOOL_TEXTS:
            problems.append(f"{where}: toolbar buttons are not {TOOL_TEXTS}")
        if [b.find("TBTOOLINFO").findtext("lpszText") for b in buttons] != TOOL_TIPS:
            problems.append(f"{where}: toolbar tool tips are not {TOOL_TIPS}")
        menu = main.find("Menu")
        if menu is None:
            problems.append(f"{where}: the target's window has no menu")
            continue
        check_menu(menu, where, problems, files)
        tops = [i.findtext("Text") for i in menu_items(menu)]
        if tops != ["&File", "&View"]:
            problems.append(f"{where}: menu bar items {tops}")
        view = menu_items(menu)[1].find("Menu") if len(tops) == 2 else None
        names = [] if view is None else [i.findtext("BmpItem") or i.findtext("BmpChecked") for i in menu_items(view)]
        if view is None or not names[1] or not names[2]:
            problems.append(f"{where}: the View menu's bitmaps are missing: {names}")
        images = [w.findtext("ButtonImage") for w in windows_of_class(main, "Button") if w.findtext("ButtonImage")]
        if len(images) != 1 or images[0] not in files:
            problems.append(f"{where}: bitmap button images {images}")
    return problems


def check_other(states, files, path, expected_kinds):
    """A program nobody here wrote: what it shows is there with its items, and each kind of control its
    recording must show ("ListBox", "ComboBox", "toolbar", "menu") is there."""
    problems = []
    seen = []
    for number, state in enumerate(states, 1):
        where = f"{path} state {number}"
        for kind in ("ListBox", "ComboBox"):
            for window in state.iter("Window"):
                element = window.find(kind)
                if element is None:
                    continue
                seen.append(kind)
                count = int(element.findtext("ItemCount"))
                texts = item_texts(element)
                # An owner-drawn box without strings holds item data, not texts.
                style = int(window.findtext("Style"))
                has_strings = 0x40 if kind == "ListBox" else 0x200
                owner_data = style & 0x30 and not style & has_strings
                if count > 0 and (len(texts) != count or not (owner_data or any(texts))):
                    problems.append(f"{where}: {kind} {window.findtext('hWnd')} has {count} items but texts {texts[:5]}")
        for window in windows_of_class(state, "ToolbarWindow32"):
            seen.append("toolbar")
            buttons = window.find("Buttons").findall("ToolBarButton")
            if int(window.findtext("ButtonCount")) != len(buttons):
                problems.append(f"{where}: toolbar {window.findtext('hWnd')} lacks buttons")
        for window in state.iter("Window"):
            menu = window.find("Menu")
            if menu is not None:
                seen.append("menu")
                check_menu(menu, where, problems, files, unreadable_ok=True)
                if not any(i.find("Menu") is not None and menu_items(i.find("Menu")) for i in menu_items(menu)):
                    problems.append(f"{where}: the menu bar of {window.findtext('ClassName')} has no items in its menus")
    for kind in expected_kinds:
        if kind not in seen:
            problems.append(f"{path}: no {kind} in any state")
    print(f"{path}: {len(states)} states; controls seen: {sorted(set(seen))}")
    return problems


def main():
    folder = sys.argv[1]
    recordings = sorted(f for f in os.listdir(folder) if f.endswith(".qmr")) if os.path.isdir(folder) else []
    problems = []
    checked = 0
    for name in recordings:
        path = os.path.join(folder, name)
        with zipfile.ZipFile(path) as archive:
            files = set(os.path.basename(n) for n in archive.namelist())
            xml_names = [n for n in archive.namelist() if n.lower().endswith(".xml")]
            if len(xml_names) != 1:
                continue
            root = ET.fromstring(archive.read(xml_names[0]))
        states = list(root.iter("GetStateEvent"))
        if not states:
            continue
        checked += 1
        if name == "simtarget.qmr":
            problems += check_target(states, files, path)
        else:
            states_path = os.path.join(folder, os.path.splitext(name)[0] + ".json")
            kinds = ["menu"]
            if os.path.exists(states_path):
                with open(states_path) as handle:
                    kinds = json.load(handle).get("controls", kinds)
            problems += check_other(states, files, path, kinds)
    for problem in problems:
        print(problem)
    print(f"{checked} recordings with states read back for their controls, {len(problems)} problems")
    return 1 if problems or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
