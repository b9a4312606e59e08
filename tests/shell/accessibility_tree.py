#!/usr/bin/env python3
"""Reads a running program's accessibility tree over AT-SPI, as a screen
reader does, and prints it as JSON: one object per node with its role, name,
description, states, the value and range of a value node, and its path.

    accessibility_tree.py APPLICATION [--press ROLE NAME] [--output FILE] [--timeout SECONDS]

APPLICATION is the name the program registers with (its application name).
The JSON goes to FILE (else standard output); --press instead does the default action ("press", "toggle") of the first
showing node with that role and name. Exits 1 with a line on stderr when the
program or the node is not found before the timeout.
"""
import argparse
import json
import os
import sys
import time

import pyatspi


def find_application(name, deadline):
    while True:
        desktop = pyatspi.Registry.getDesktop(0)
        for index in range(desktop.childCount):
            app = desktop.getChildAtIndex(index)
            if app is not None and app.name == name:
                return app
        if time.monotonic() > deadline:
            return None
        time.sleep(0.2)


def describe(node, path):
    states = node.getState().getStates()
    entry = {
        "path": path,
        "role": node.getRoleName(),
        "name": node.name or "",
        "description": node.description or "",
        "states": sorted(pyatspi.stateToString(state) for state in states),
    }
    try:
        value = node.queryValue()
        entry["value"] = value.currentValue
        entry["minimum"] = value.minimumValue
        entry["maximum"] = value.maximumValue
        entry["step"] = value.minimumIncrement
    except NotImplementedError:
        pass
    try:
        box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        entry["extents"] = [box.x, box.y, box.width, box.height]
    except NotImplementedError:
        pass
    try:
        action = node.queryAction()
        entry["actions"] = [action.getName(i).lower() for i in range(action.nActions)]
    except NotImplementedError:
        pass
    return entry


def walk(node, path, out):
    out.append(describe(node, path))
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        if child is not None:
            walk(child, path + "/" + str(index), out)


def find_showing(node, role, name):
    if node.getRoleName() == role and node.name == name and node.getState().contains(pyatspi.STATE_SHOWING):
        return node
    for index in range(node.childCount):
        child = node.getChildAtIndex(index)
        found = find_showing(child, role, name) if child is not None else None
        if found is not None:
            return found
    return None


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("application")
    parser.add_argument("--press", nargs=2, metavar=("ROLE", "NAME"))
    parser.add_argument("--output")
    parser.add_argument("--timeout", type=float, default=20)
    arguments = parser.parse_args()
    deadline = time.monotonic() + arguments.timeout
    app = find_application(arguments.application, deadline)
    if app is None:
        print("no application named %r on the accessibility bus" % arguments.application, file=sys.stderr)
        return 1
    if arguments.press:
        role, name = arguments.press
        node = find_showing(app, role, name)
        while node is None and time.monotonic() < deadline:
            time.sleep(0.2)
            node = find_showing(app, role, name)
        if node is None:
            print("no showing %s named %r" % (role, name), file=sys.stderr)
            return 1
        node.queryAction().doAction(0)
        return 0
    nodes = []
    walk(app, "", nodes)
    if arguments.output:
        with open(arguments.output + ".tmp", "w") as out:
            json.dump(nodes, out)
        os.replace(arguments.output + ".tmp", arguments.output)
    else:
        json.dump(nodes, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
