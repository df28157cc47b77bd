#!/usr/bin/python3
"""Reads torvik-master the way a screen reader does, through AT-SPI.

Usage: atspi_reader.py COMMAND [ARGS]
  tree              every object of the program: "depth<TAB>role<TAB>name<TAB>states", one a
                    line; the role is named after pyatspi's constant ("push-button" for
                    ROLE_PUSH_BUTTON), not by the spoken role name, which AT-SPI versions
                    word differently (2.56 calls a push button "button")
  text FILE         the log's whole text into FILE (UTF-8)
  lines FILE        the log read line by line at line boundaries into FILE
  caret             the log's caret offset
  select START END  selects [START, END) of the log
  selection         the log's selection as "START END", or "none"
  count             the log's character count
  cells START END COORDS
                    the extents of [START, END] in COORDS (screen, window), then the
                    union of its characters' extents, as "X Y WIDTH HEIGHT = X Y WIDTH HEIGHT"
  extents START END the screen extents of [START, END] as "X Y WIDTH HEIGHT SECONDS",
                    SECONDS the time the call took; "error SECONDS <message>" when it failed
Exits 2 when the program or its log cannot be found.
"""
import sys
import time

import pyatspi

LOG_NAME = "Simulator log"

# Role values to names from pyatspi's ROLE_ constants, which keep one name per
# value across AT-SPI versions.
ROLE_IDS = {}
for constant in sorted(dir(pyatspi)):
    value = getattr(pyatspi, constant)
    if constant.startswith("ROLE_") and isinstance(value, int):
        ROLE_IDS.setdefault(int(value), constant[len("ROLE_"):].lower().replace("_", "-"))


def application():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name and "torvik" in app.name.lower():
            return app
    sys.exit(2)


def walk(node, depth=0):
    yield node, depth
    for child in node:
        if child is not None:
            yield from walk(child, depth + 1)


def log_text():
    for node, _ in walk(application()):
        if node.name == LOG_NAME and node.getRole() == pyatspi.ROLE_TEXT:
            return node.queryText()
    sys.exit(2)


def state_names(node):
    states = node.getState()
    return ",".join(sorted(pyatspi.stateToString(s) for s in states.getStates()))


def main(argv):
    command = argv[1]
    if command == "tree":
        for node, depth in walk(application()):
            role = ROLE_IDS.get(int(node.getRole()), f"role-{int(node.getRole())}")
            print(f"{depth}\t{role}\t{node.name}\t{state_names(node)}")
    elif command == "text":
        text = log_text()
        with open(argv[2], "w", encoding="utf-8", newline="") as out:
            out.write(text.getText(0, -1))
    elif command == "lines":
        text = log_text()
        count = text.characterCount
        offset = 0
        with open(argv[2], "w", encoding="utf-8", newline="") as out:
            while True:
                line, start, end = text.getTextAtOffset(offset, pyatspi.TEXT_BOUNDARY_LINE_START)
                if start != offset:
                    sys.exit(f"the line at {offset} starts at {start}")
                out.write(line)
                if end <= offset or end >= count:
                    break
                offset = end
    elif command == "caret":
        print(log_text().caretOffset)
    elif command == "select":
        text = log_text()
        if text.getNSelections() > 0:
            text.setSelection(0, int(argv[2]), int(argv[3]))
        else:
            text.addSelection(int(argv[2]), int(argv[3]))
    elif command == "selection":
        text = log_text()
        if text.getNSelections() == 0:
            print("none")
        else:
            start, end = text.getSelection(0)
            print(start, end)
    elif command == "count":
        print(log_text().characterCount)
    elif command == "cells":
        text = log_text()
        start, end = int(argv[2]), int(argv[3])
        coords = {"screen": pyatspi.DESKTOP_COORDS, "window": pyatspi.WINDOW_COORDS}[argv[4]]
        left, top, right, bottom = None, None, None, None
        for offset in range(start, end + 1):
            x, y, width, height = text.getCharacterExtents(offset, coords)
            left = x if left is None else min(left, x)
            top = y if top is None else min(top, y)
            right = x + width if right is None else max(right, x + width)
            bottom = y + height if bottom is None else max(bottom, y + height)
        print(*text.getRangeExtents(start, end, coords), "=", left, top, right - left, bottom - top)
    elif command == "extents":
        text = log_text()
        began = time.monotonic()
        try:
            box = text.getRangeExtents(int(argv[2]), int(argv[3]), pyatspi.DESKTOP_COORDS)
        except Exception as error:  # a call the program did not answer in time
            print(f"error {time.monotonic() - began:.3f} {error}".replace("\n", " "))
            return
        print(*box, f"{time.monotonic() - began:.3f}")
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main(sys.argv)
