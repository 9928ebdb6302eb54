"""Closes a top-level window as a user does: sends it WM_DELETE_WINDOW.

    python3 close-window.py TITLE_PREFIX

Waits up to 30 s for a window whose name starts with TITLE_PREFIX (the
X display is taken from DISPLAY). Fails when another top-level window is
shown beside it (a dialog the user would have to answer first).
"""
import sys
import time

from Xlib import X, display, protocol


def find_window(window, prefix):
    name = window.get_wm_name()
    if isinstance(name, str) and name.startswith(prefix):
        return window
    for child in window.query_tree().children:
        found = find_window(child, prefix)
        if found:
            return found
    return None


def main(prefix):
    screen = display.Display()
    for _ in range(300):
        window = find_window(screen.screen().root, prefix)
        if window:
            break
        time.sleep(0.1)
    else:
        sys.exit(f"close-window: no window named {prefix}...")
    others = [child.get_wm_name() for child in screen.screen().root.query_tree().children
              if child != window and child.get_attributes().map_state == X.IsViewable
              and child.get_wm_name()]
    if others:
        sys.exit(f"close-window: other windows are shown: {others}")
    protocols = screen.intern_atom("WM_PROTOCOLS")
    delete = screen.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(
        window=window, client_type=protocols,
        data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    window.send_event(event, event_mask=X.NoEventMask)
    screen.flush()
    print(f"close-window: sent WM_DELETE_WINDOW to {window.get_wm_name()!r}")


if __name__ == "__main__":
    main(sys.argv[1])
