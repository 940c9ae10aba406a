#!/usr/bin/python3
"""Finds and uses the controls of a running application over AT-SPI, as a
screen reader does. Run with /usr/bin/python3 (it has the gi bindings).

  atspi_client.py APP find ROLE NAME      centre of the showing control, "x y" on the screen
  atspi_client.py APP states ROLE NAME    its states, one a line
  atspi_client.py APP text ROLE NAME      the text it holds
  atspi_client.py APP press ROLE NAME     runs its first action (a click)
  atspi_client.py APP focused             "role<TAB>name" of the focused control
  atspi_client.py APP list                every control: "role<TAB>name<TAB>showing|hidden"

ROLE is AT-SPI's role name ("push button", "check box", "password text",
"label"). Exits 1 when nothing matches. GTK 3 gives places in points; with
GDK_SCALE=N set for the application, set PARVEX_SCREEN_SCALE=N here to get
the screen's pixels.
"""
import os
import sys
import warnings

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402


def application(name):
    desktop = Atspi.get_desktop(0)
    for index in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(index)
        if app is not None and app.get_name() == name:
            return app
    return None


def walk(node, depth=0):
    if node is None or depth > 30:
        return
    yield node
    for index in range(node.get_child_count()):
        yield from walk(node.get_child_at_index(index), depth + 1)


def showing(node):
    return node.get_state_set().contains(Atspi.StateType.SHOWING)


def find(app, role, name):
    hidden = None
    for node in walk(app):
        if node.get_role_name() == role and node.get_name() == name:
            if showing(node):
                return node
            hidden = hidden or node
    return hidden


def main(argv):
    app = application(argv[1])
    if app is None:
        return 1
    command = argv[2]
    if command == "list":
        for node in walk(app):
            if node.get_name():
                print("%s\t%s\t%s" % (node.get_role_name(), node.get_name(), "showing" if showing(node) else "hidden"))
        return 0
    if command == "focused":
        # The deepest: a canvas that has the focus holds the control that has it.
        focused = [node for node in walk(app) if node.get_state_set().contains(Atspi.StateType.FOCUSED)]
        if not focused:
            return 1
        print("%s\t%s" % (focused[-1].get_role_name(), focused[-1].get_name()))
        return 0
    node = find(app, argv[3], argv[4])
    if node is None:
        return 1
    if command == "find":
        if not showing(node):
            return 1
        box = Atspi.Component.get_extents(node, Atspi.CoordType.SCREEN)
        scale = int(os.environ.get("PARVEX_SCREEN_SCALE", "1"))
        print("%d %d" % (scale * (box.x + box.width // 2), scale * (box.y + box.height // 2)))
    elif command == "states":
        states = node.get_state_set().get_states()
        print("\n".join(Atspi.StateType(state).value_nick for state in states))
    elif command == "text":
        print(Atspi.Text.get_text(node, 0, -1))
    elif command == "press":
        return 0 if Atspi.Action.do_action(node, 0) else 1
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except gi.repository.GLib.Error:
        sys.exit(1)
