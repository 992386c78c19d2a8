#!/usr/bin/python3
"""Prints Ferrule's accessible tree as a screen reader reads it over AT-SPI:
roles, names, states and list items. Steps given on the command line run
first, in order: 'press:NAME' invokes the Press action of the push button
named NAME, 'select:ROW' selects that line of the received-data log through
its table interface, 'wait:SECONDS' pauses."""
import sys
import time

import pyatspi

STATES = ('checked', 'selected', 'focused', 'sensitive', 'showing', 'offscreen')


def find_app(name, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == name:
                return app
        time.sleep(0.2)
    sys.exit('no application named %r on the accessibility bus' % name)


def find(node, role, name):
    if node.getRoleName() == role and node.name == name:
        return node
    for i in range(node.childCount):
        found = find(node.getChildAtIndex(i), role, name)
        if found is not None:
            return found
    return None


def show(node, depth=0):
    states = [pyatspi.stateToString(s) for s in node.getState().getStates()]
    shown = ','.join(s for s in states if s in STATES and s not in ('sensitive', 'showing'))
    line = '%s[%s] "%s"' % ('  ' * depth, node.getRoleName(), node.name)
    if node.getRoleName() == 'list':
        try:
            table = node.queryTable()
            line += '  (%d lines, %d in sight)' % (table.nRows, node.childCount)
        except NotImplementedError:
            pass
    print(line + ('  ' + shown if shown else ''))
    for i in range(node.childCount):
        show(node.getChildAtIndex(i), depth + 1)


def main():
    app = find_app('ferrule')
    for step in sys.argv[1:]:
        verb, _, arg = step.partition(':')
        if verb == 'wait':
            time.sleep(float(arg))
        elif verb == 'press':
            button = find(app, 'push button', arg)
            button.queryAction().doAction(0)
            time.sleep(0.5)
        elif verb == 'select':
            log = find(app, 'list', 'Data Received:')
            log.queryTable().addRowSelection(int(arg))
            time.sleep(0.3)
    show(app)


main()
