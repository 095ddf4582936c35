#!/usr/bin/python3
"""Presses and releases one key (an X keysym name such as Escape) on the X
display, through the XTEST extension, as if from the keyboard."""
import sys

from Xlib import XK, X, display
from Xlib.ext import xtest


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 1
    screen = display.Display()
    keycode = screen.keysym_to_keycode(XK.string_to_keysym(sys.argv[1]))
    if keycode == 0:
        print("press-key: no key %s" % sys.argv[1], file=sys.stderr)
        return 1
    xtest.fake_input(screen, X.KeyPress, keycode)
    xtest.fake_input(screen, X.KeyRelease, keycode)
    screen.sync()
    return 0


if __name__ == "__main__":
    sys.exit(main())
