#!/usr/bin/python3
"""Prints the names of the X display's top-level windows that are shown
(mapped and viewable), one a line."""
from Xlib import X, display


def name_of(screen, window):
    name = window.get_full_property(screen.intern_atom("_NET_WM_NAME"), screen.intern_atom("UTF8_STRING"))
    if name is not None:
        return name.value.decode("utf-8", "replace")
    return window.get_wm_name() or ""


def main():
    screen = display.Display()
    for window in screen.screen().root.query_tree().children:
        try:
            if window.get_attributes().map_state == X.IsViewable:
                print(name_of(screen, window))
        except Exception:  # gone while listed
            continue


if __name__ == "__main__":
    main()
