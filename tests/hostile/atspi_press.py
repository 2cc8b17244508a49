#!/usr/bin/python3
"""Presses controls of a running program through AT-SPI, as a user of a screen reader or
of the keyboard alone would: each argument is "role:name" ("page tab:File Server"), pressed
in turn on the first showing control of that role and name. Exits 0 once all are pressed,
1 with the reason otherwise. Needs python3-pyatspi and the program's session bus."""

import sys
import time

import pyatspi


def showing(obj, depth=0):
    try:
        if depth > 1 and not obj.getState().contains(pyatspi.STATE_SHOWING):
            return
        yield obj
        for i in range(obj.childCount):
            child = obj.getChildAtIndex(i)
            if child is not None:
                yield from showing(child, depth + 1)
    except Exception:
        return


def find(app_name, role, name):
    for app in pyatspi.Registry.getDesktop(0):
        if app is None or app.name != app_name:
            continue
        for obj in showing(app):
            if obj.getRoleName() == role and obj.name == name:
                return obj
    return None


def main():
    app_name, targets = sys.argv[1], sys.argv[2:]
    for target in targets:
        role, name = target.split(":", 1)
        deadline = time.monotonic() + 20
        obj = find(app_name, role, name)
        while obj is None and time.monotonic() < deadline:
            time.sleep(0.2)
            obj = find(app_name, role, name)
        if obj is None:
            print("no showing %s %r in %s" % (role, name, app_name))
            return 1
        action = obj.queryAction()
        names = [action.getName(i) for i in range(action.nActions)]
        chosen = next((i for i, n in enumerate(names) if n.lower() in ("press", "toggle")), 0)
        action.doAction(chosen)
        time.sleep(0.3)
    return 0


if __name__ == "__main__":
    sys.exit(main())
