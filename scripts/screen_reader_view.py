#!/usr/bin/python3
"""Prints Ferrule's accessible tree as a screen reader reads it over AT-SPI:
roles, names, states, list items, and tables row by row with their column
headers. Steps given on the command line run first, in order: 'press:NAME'
invokes the Press action of the push button (or radio button) named NAME,
'text:NAME=VALUE' puts VALUE in the text field named NAME, 'keys:COMBO'
types a key combination into the panel's window (xdotool; e.g. ctrl+t for
the Shutter Timeline), 'select:ROW' selects that line of the received-data
log through its table interface, 'wait:SECONDS' pauses."""
import subprocess
import sys
import time

import pyatspi

STATES = ('checked', 'selected', 'focused', 'sensitive', 'showing', 'offscreen')
TABLE_ROWS_SHOWN = 12


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


def find_any(node, roles, name):
    for role in roles:
        found = find(node, role, name)
        if found is not None:
            return found
    return None


def show_table(node, depth):
    """A table as a screen reader reads it: each cell with its column header."""
    table = node.queryTable()
    headers = [table.getColumnDescription(c) for c in range(table.nColumns)]
    print('%s  (%d rows, %d columns; headers: %s)' %
          ('  ' * depth, table.nRows, table.nColumns, ' | '.join(headers)))
    for row in range(min(table.nRows, TABLE_ROWS_SHOWN)):
        cells = []
        for column in range(table.nColumns):
            cell = table.getAccessibleAt(row, column)
            cells.append('%s: %s' % (headers[column], cell.name if cell is not None else ''))
        print('%s  row %d: %s' % ('  ' * depth, row + 1, ', '.join(cells)))


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
    if node.getRoleName() == 'table':
        show_table(node, depth)
        return
    for i in range(node.childCount):
        show(node.getChildAtIndex(i), depth + 1)


def main():
    app = find_app('ferrule')
    for step in sys.argv[1:]:
        verb, _, arg = step.partition(':')
        if verb == 'wait':
            time.sleep(float(arg))
        elif verb == 'press':
            button = find_any(app, ('push button', 'radio button'), arg)
            button.queryAction().doAction(0)
            time.sleep(0.5)
        elif verb == 'text':
            name, _, value = arg.partition('=')
            find(app, 'text', name).queryEditableText().setTextContents(value)
            time.sleep(0.2)
        elif verb == 'keys':
            window = subprocess.run(['xdotool', 'search', '--name', '^Quillon Ferrule'],
                                    capture_output=True, text=True).stdout.split()
            subprocess.run(['xdotool', 'windowfocus', '--sync', window[0], 'key', arg])
            time.sleep(0.5)
        elif verb == 'select':
            log = find(app, 'list', 'Data Received:')
            log.queryTable().addRowSelection(int(arg))
            time.sleep(0.3)
    show(app)


main()
