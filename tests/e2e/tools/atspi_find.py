#!/usr/bin/python3
"""Reads torvik-master's find bar through AT-SPI.

Usage: atspi_find.py COMMAND [ARGS]
  names          role<TAB>name of the find bar's controls, one a line
  count          the results list's description (the count as shown)
  rows FILE      every row of the results list into FILE (UTF-8), one a line
  row N          the screen position "X Y" of the middle of row N (0-based)
Exits 2 when the program or the find bar cannot be found.
"""
import sys

import pyatspi

from atspi_reader import application  # the program's accessible application

NAMES = ("Find", "Find results", "Match case", "Regular expression")


def walk(node):
    yield node
    if node.getRole() == pyatspi.ROLE_LIST:
        return  # the rows are read on their own
    for child in node:
        if child is not None:
            yield from walk(child)


def named(name):
    for node in walk(application()):
        if node.name == name:
            return node
    sys.exit(2)


def main(argv):
    command = argv[1]
    if command == "names":
        for node in walk(application()):
            if node.name in NAMES:
                print(f"{node.getRoleName()}\t{node.name}")
    elif command == "count":
        print(named("Find results").description)
    elif command == "rows":
        results = named("Find results")
        with open(argv[2], "w", encoding="utf-8", newline="") as out:
            for i in range(results.childCount):
                out.write(results.getChildAtIndex(i).name + "\n")
    elif command == "row":
        row = named("Find results").getChildAtIndex(int(argv[2]))
        box = row.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(box.x + box.width // 4, box.y + box.height // 2)
    else:
        sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    main(sys.argv)
