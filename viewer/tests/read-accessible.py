#!/usr/bin/python3
# Prints what a screen reader finds in the application named argv[1]: one
# line per object, "role<TAB>name<TAB>states<TAB>description", depth first.
import sys
import pyatspi

def walk(node, depth, out):
    if node is None or depth > 12:
        return
    states = node.getState()
    flags = [name for state, name in ((pyatspi.STATE_ENABLED, "enabled"),
                                      (pyatspi.STATE_FOCUSED, "focused"),
                                      (pyatspi.STATE_CHECKED, "checked"),
                                      (pyatspi.STATE_ACTIVE, "active"))
             if states.contains(state)]
    out.append("%s\t%s\t%s\t%s" % (node.getRoleName(), node.name, ",".join(flags), node.description))
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, out)

desktop = pyatspi.Registry.getDesktop(0)
out = []
for i in range(desktop.childCount):
    app = desktop.getChildAtIndex(i)
    if app is not None and app.name == sys.argv[1]:
        walk(app, 0, out)
print("\n".join(out))
