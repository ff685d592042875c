# What the AT-SPI bus shows of the leitzahl window, as a screen reader sees it.
# Usage: python3 atspi.py press-link   presses the link line through its action
#        python3 atspi.py showing      prints the names of the texts that show, one a line
#        python3 atspi.py roles        prints the window's role and each control's role and name
#        python3 atspi.py focused      prints the name of the control that has the focus
import sys

import pyatspi


def window():
    for application in pyatspi.Registry.getDesktop(0):
        if application is not None and application.name == "leitzahl":
            return application[0]
    sys.exit("no leitzahl window on the AT-SPI bus")


def controls(root):
    for child in root:
        yield child


def showing(accessible):
    return accessible.getState().contains(pyatspi.STATE_SHOWING)


command = sys.argv[1]
form = window()
if command == "press-link":
    link = next(c for c in controls(form) if c.getRole() == pyatspi.ROLE_LINK)
    action = link.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    # What Orca tries on the item under review: "click", then "press".
    index = next(i for i, name in enumerate(names) if name.lower() in ("click", "press", "jump"))
    action.doAction(index)
elif command == "showing":
    for control in controls(form):
        if control.getRole() in (pyatspi.ROLE_LABEL, pyatspi.ROLE_NOTIFICATION, pyatspi.ROLE_LINK) and showing(control):
            print(control.name)
elif command == "roles":
    print(form.getRoleName())
    for control in controls(form):
        print(control.getRoleName(), control.name, sep="\t")
elif command == "focused":
    for control in controls(form):
        if control.getState().contains(pyatspi.STATE_FOCUSED):
            print(control.name)
