"""Reads the window of the program that runs on this display as a screen
reader does, through the accessibility bus, and compares it with what its
user must hear: the window's controls, each as (role, name), then, after a
press on Convert with nothing listed, the message read out as an alert.
Prints what differs and exits with 1."""

import sys
import time

import pyatspi


def wait_for(what, find, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find()
        if found:
            return found
        time.sleep(0.2)
    sys.exit("Never found: " + what)


def application():
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.name == "Quillaro" and app.childCount > 0:
            return app
    return None


def read(node, depth=0):
    states = node.getState()
    line = '%s%s "%s"' % ("  " * depth, node.getRoleName(), node.name)
    if states.contains(pyatspi.STATE_CHECKABLE):
        line += " checkable"
    lines = [line]
    for child in node:
        lines += read(child, depth + 1)
    return lines


def press(button):
    actions = button.queryAction()
    actions.doAction([actions.getName(i) for i in range(actions.nActions)].index("Press"))


def compare(what, seen, expected):
    if seen != expected:
        print("%s reads:\n  %s\nexpected:\n  %s" % (what, "\n  ".join(seen), "\n  ".join(expected)))
        sys.exit(1)


if __name__ == "__main__":
    app = wait_for("the program on the accessibility bus", application)
    window = app[0]
    # The focus holder: nothing to read out.
    compare("The window", read(window), [
        'frame "Quillaro"',
        '  invalid ""',
        '  tree "WMV File(s)"',
        '    table column header "WMV File(s)"',
        '  push button "Add WMV File(s)"',
        '  push button "Add All WMV File(s) In Folder"',
        '  push button "Convert"',
        '  progress bar "Conversion progress"',
    ])

    press(next(child for child in window if child.name == "Convert"))
    alert = wait_for("the message", lambda: next(
        (w for w in application() if w.getRoleName() == "alert"), None))
    compare("The message", [line.strip() for line in read(alert) if not line.endswith('""')],
            ['alert "Quillaro"', 'label "No files added."', 'push button "OK"'])
