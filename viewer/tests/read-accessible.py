#!/usr/bin/python3
# Prints what a screen reader finds in the application named argv[1]: one
# line per object, "role<TAB>name<TAB>states<TAB>description", depth first.
# With a window name as argv[2], only that window, and the states say also
# which objects are showing, selected and focusable.
import sys
import pyatspi

FLAGS = ((pyatspi.STATE_ENABLED, "enabled"),
         (pyatspi.STATE_FOCUSED, "focused"),
         (pyatspi.STATE_CHECKED, "checked"),
         (pyatspi.STATE_ACTIVE, "active"))
WINDOW_FLAGS = FLAGS + ((pyatspi.STATE_SHOWING, "showing"),
                        (pyatspi.STATE_SELECTED, "selected"),
                        (pyatspi.STATE_FOCUSABLE, "focusable"))

def walk(node, depth, flags, out):
    if node is None or depth > 12:
        return
    states = node.getState()
    shown = [name for state, name in flags if states.contains(state)]
    out.append("%s\t%s\t%s\t%s" % (node.getRoleName(), node.name, ",".join(shown), node.description))
    for i in range(node.childCount):
        walk(node.getChildAtIndex(i), depth + 1, flags, out)

desktop = pyatspi.Registry.getDesktop(0)
out = []
for i in range(desktop.childCount):
    app = desktop.getChildAtIndex(i)
    if app is None or app.name != sys.argv[1]:
        continue
    if len(sys.argv) < 3:
        walk(app, 0, FLAGS, out)
        continue
    for j in range(app.childCount):
        window = app.getChildAtIndex(j)
        if window is not None and window.name == sys.argv[2]:
            walk(window, 0, WINDOW_FLAGS, out)
print("\n".join(out))
