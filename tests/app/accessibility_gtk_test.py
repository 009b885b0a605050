#!/usr/bin/python3
"""The program as a screen reader meets it: over the accessibility bus of a
private D-Bus session, on the X display the test run provides.

Run inside `dbus-run-session`; starts the accessibility bus, the demo site and
the program, then reads and drives the window through AT-SPI only (keys go
through XTEST, as a person's would)."""

import os
import socket
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

TITLE = "Quillmar种子搜索神器"
failures = []
events = []
tips = []  # (source, name, showing) of tooltips starting and stopping to show


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    if not condition:
        failures.append(what)
    return condition


def pump(seconds, until=lambda: False):
    """Runs the main context (event delivery) until `until` holds or time is up."""
    context = GLib.MainContext.default()
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while context.pending():
            context.iteration(False)
        try:
            if until():
                return True
        except Exception:  # a node may vanish while it is looked at
            pass
        time.sleep(0.05)
    return until()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is None:
            continue
        for window in app:
            if window is not None and window.name == TITLE:
                return app, window
    return None, None


def descendant(root, role, name=None):
    return pyatspi.findDescendant(
        root, lambda n: n is not None and n.getRoleName() == role and (name is None or n.name == name))


def center(node):
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x + box.width // 2, box.y + box.height // 2


def showing_window(app, role):
    for window in app:
        if window is not None and window.getRoleName() == role and window.getState().contains(pyatspi.STATE_SHOWING):
            return window
    return None


def on_showing(event):
    # A tip that went may be gone before its last event is read: then only the object is known.
    try:
        if event.source.getRoleName() == "tool tip":
            tips.append((event.source, event.source.name, event.detail1))
    except Exception:
        tips.append((event.source, None, event.detail1))


def check_tooltip(app, frame):
    """Resting on a caption button shows its tip as a tooltip named by the tip. As with
    the toolkit's own tips, the tooltip is no child of the application: a reader hears
    it as it starts and stops showing."""
    close = descendant(frame, "push button", "关闭")
    if not check(close is not None, "the close button is named by its tip"):
        return
    x, y = center(close)
    shown = False
    # Rests on the button; a loaded machine now and then misses the tip after one jump of
    # the pointer (seen about once in five runs), so the pointer twitches by a pixel.
    for twitch in range(3):
        subprocess.run(["xdotool", "mousemove", str(x + twitch), str(y)], check=True)
        shown = pump(4, lambda: any(name == "关闭" and on for _, name, on in tips))
        if shown:
            break
    check(shown, "resting on it shows a tooltip with the tip's text: %r" % [t[1:] for t in tips])
    subprocess.run(["xdotool", "mousemove", str(x - 150), str(y + 150)], check=True)
    tip = next((source for source, name, on in tips if on), None)
    check(pump(5, lambda: tip is not None and any(s == tip and not on for s, _, on in tips)),
          "the tooltip is heard going when the pointer leaves: %r" % [t[1:] for t in tips])


def check_row_menu(app, frame, table, entry):
    """Shift+F10 on a row opens the row menu: a popup menu whose items follow the
    keyboard, are heard as they are highlighted, and can be chosen."""
    def popup_menu():
        window = showing_window(app, "window")
        return descendant(window, "popup menu") if window is not None else None

    tab = table.queryTable()
    magnet = tab.getAccessibleAt(0, 1).name
    tab.addRowSelection(0)
    table.queryComponent().grabFocus()
    pump(3, lambda: table.getState().contains(pyatspi.STATE_FOCUSED))
    events.clear()
    # The pointer away from where the menu opens: only the keys move the highlight.
    subprocess.run(["xdotool", "mousemove", "0", "0"], check=True)
    subprocess.run(["xdotool", "key", "shift+F10"], check=True)
    pump(10, lambda: popup_menu() is not None)
    menu = popup_menu()
    if not check(menu is not None, "Shift+F10 on a row opens the row menu as a popup menu in a window"):
        return
    items = [menu.getChildAtIndex(i) for i in range(menu.childCount)]
    check([(i.getRoleName(), i.name) for i in items] == [("menu item", "复制磁力链接"), ("menu item", "打开磁力链接")],
          "the menu's items are menu items named by their texts: %r" % [(i.getRoleName(), i.name) for i in items])
    check(pump(3, lambda: any(t == "object:state-changed:focused" and r == "popup menu" and d == 1
                              for t, r, d in events)), "a listener hears the menu take the focus")

    def highlighted(index):
        states = [i.getState() for i in items]
        return all(s.contains(pyatspi.STATE_SELECTED) == (n == index) for n, s in enumerate(states)) and \
            states[index].contains(pyatspi.STATE_FOCUSED)

    for key, index in (("Down", 0), ("Down", 1), ("Up", 0)):
        subprocess.run(["xdotool", "key", key], check=True)
        check(pump(3, lambda: highlighted(index)), "%s highlights item %d (selected and focused)" % (key, index))
    selection = menu.querySelection()
    check(selection.nSelectedChildren == 1 and selection.getSelectedChild(0).name == "复制磁力链接",
          "the menu's selection is the highlighted item")
    check(any(t == "object:state-changed:focused" and r == "menu item" and d == 1 for t, r, d in events),
          "a listener hears the focus move to an item")
    check(any(t == "object:selection-changed" and r == "popup menu" for t, r, _ in events),
          "a listener hears the menu's selection change")
    action = items[0].queryAction()
    check(action.nActions == 1 and action.getName(0) == "click", "an item's action is click")
    action.doAction(0)
    check(pump(10, lambda: popup_menu() is None), "choosing an item closes the menu")
    # The chosen item copied the row's link: pasted into the keyword box it reads back.
    x, y = center(entry)
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
    pump(1)
    subprocess.run(["xdotool", "key", "ctrl+a", "ctrl+v"], check=True)
    text = entry.queryText()
    check(pump(5, lambda: text.getText(0, -1) == magnet), "the chosen item put the row's link on the clipboard: %r" %
          text.getText(0, -1)[:40])

    # The keyword box's own menu is a popup menu too; Escape closes it.
    subprocess.run(["xdotool", "click", "3"], check=True)
    pump(10, lambda: popup_menu() is not None)
    menu = popup_menu()
    items = [menu.getChildAtIndex(i) for i in range(menu.childCount)] if menu is not None else []
    names = [i.name if i.getRoleName() == "menu item" else i.getRoleName() for i in items]
    check(names == ["剪切", "复制", "粘贴", "删除", "separator", "全部选择"],
          "a right click on the entry opens its menu: %r" % names)
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    check(pump(10, lambda: popup_menu() is None), "Escape closes the entry's menu")

    # The menu key opens it from the keyboard: a reader hears the focus go into it, to
    # the highlighted item, and back to the entry once Escape has closed it.
    events.clear()
    subprocess.run(["xdotool", "key", "Menu"], check=True)
    pump(10, lambda: popup_menu() is not None)
    menu = popup_menu()
    if check(menu is not None, "the menu key on the entry opens the entry's menu"):
        check(pump(3, lambda: any(t == "object:state-changed:focused" and r == "popup menu" and d == 1
                                  for t, r, d in events)), "a listener hears the entry's menu take the focus")
        paste = menu.getChildAtIndex(2)
        subprocess.run(["xdotool", "key", "Down"], check=True)
        check(pump(3, lambda: paste.getState().contains(pyatspi.STATE_FOCUSED)),
              "Down highlights %r, the first item that can be chosen with no selection" % paste.name)
    events.clear()
    subprocess.run(["xdotool", "key", "Escape"], check=True)
    check(pump(10, lambda: popup_menu() is None), "Escape closes the menu the key opened")
    check(pump(5, lambda: entry.getState().contains(pyatspi.STATE_FOCUSED) and
               any(t == "object:state-changed:focused" and r == "entry" and d == 1 for t, r, d in events)),
          "a listener hears the focus come back to the entry")


def main():
    build = sys.argv[1]
    env = dict(os.environ)
    launcher = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    port = free_port()
    site = subprocess.Popen([os.path.join(build, "quillmar-demo-site"), "--port", str(port)])
    env["QUILLMAR_SITE"] = "http://127.0.0.1:%d/s/" % port
    env.pop("NO_AT_BRIDGE", None)
    time.sleep(1.0)
    program = subprocess.Popen([os.path.join(build, "quillmar")], env=env)
    try:
        run()
    finally:
        program.terminate()
        try:
            program.wait(10)
        except subprocess.TimeoutExpired:
            program.kill()
        site.terminate()
        launcher.terminate()
    return 1 if failures else 0


def run():
    app, frame = None, None
    found = pump(20, lambda: find_app()[1] is not None)
    if not check(found, "the application and its frame are found by name"):
        return
    app, frame = find_app()
    check(frame.getRoleName() == "frame", "the window is a frame")

    def on_event(event):
        events.append((event.type, event.source.getRoleName() if event.source else "", event.detail1))

    pyatspi.Registry.registerEventListener(on_event, "object:state-changed:focused", "object:text-changed",
                                           "object:property-change:accessible-name", "object:selection-changed")
    pyatspi.Registry.registerEventListener(on_showing, "object:state-changed:showing")

    entry = descendant(frame, "entry")
    check(entry is not None, "an entry is exposed")
    if entry is not None:
        check(entry.name.startswith("输入关键字"), "the entry is named by its prompt: %r" % entry.name)
        labels = [r for r in entry.getRelationSet() if r.getRelationType() == pyatspi.RELATION_LABELLED_BY]
        check(bool(labels), "the entry is labelled by the prompt label")
    buttons = {name: descendant(frame, "push button", name) for name in ("撸一管", "上一页", "下一页")}
    for name, button in buttons.items():
        check(button is not None and button.queryAction().nActions >= 1, "push button %s with an action" % name)
    table = descendant(frame, "table")
    pump(5, lambda: table.queryTable().nColumns == 2)
    check(table is not None and [table.queryTable().getColumnDescription(i) for i in range(2)] == ["名称", "种子连接"],
          "the table's column headers")
    header = table.queryTable().getColumnHeader(0)
    check(header is not None and header.name == "名称", "a column header is an object with its title")
    status = descendant(frame, "status bar")
    check(status is not None, "the status line is a status bar")

    # Typing reaches the entry: its text and caret are read back.
    x, y = center(entry)
    # The entry has the focus from the start: Tab takes it away, the click brings it back.
    subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
    pump(1)
    subprocess.run(["xdotool", "key", "Tab"], check=True)
    pump(1)
    subprocess.run(["xdotool", "click", "1"], check=True)
    pump(1)
    check(entry.getState().contains(pyatspi.STATE_FOCUSED), "the clicked entry reports focus")
    subprocess.run(["xdotool", "type", "--delay", "30", "movie"], check=True)
    text = entry.queryText()
    pump(5, lambda: text.getText(0, -1) == "movie")
    check(text.getText(0, -1) == "movie", "the entry's text after typing: %r" % text.getText(0, -1))
    check(text.caretOffset == 5, "the caret after typing: %d" % text.caretOffset)
    subprocess.run(["xdotool", "key", "Left", "Left"], check=True)
    pump(5, lambda: text.caretOffset == 3)
    check(text.caretOffset == 3, "the caret after two Left keys: %d" % text.caretOffset)
    pump(2, lambda: any(t.startswith("object:text-changed:insert") for t, _, _ in events))
    check(any(t.startswith("object:text-changed:insert") and r == "entry" for t, r, _ in events),
          "a listener hears the typed text inserted")
    check(any(t == "object:state-changed:focused" and r == "entry" and d == 1 for t, r, d in events),
          "a listener hears the entry gain focus")
    check_tooltip(app, frame)

    # The search button's action runs the search; the rows and their magnet cells are read.
    buttons["撸一管"].queryAction().doAction(0)
    tab = table.queryTable()
    done = pump(60, lambda: tab.nRows > 0 and "完成" in status.name)
    check(done, "after the search the table has rows and the status bar says so: %d rows, %r" % (tab.nRows, status.name))
    if tab.nRows > 0:
        first = tab.getAccessibleAt(0, 0)
        magnet = tab.getAccessibleAt(0, 1)
        check(bool(first.name), "the first row has a title: %r" % first.name)
        check(magnet.name.startswith("magnet:?"), "the first row's link cell holds a magnet link: %r" % magnet.name[:40])
        check(magnet.getRoleName() == "table cell", "cells are table cells")
        magnets = [tab.getAccessibleAt(r, 1).name for r in range(tab.nRows)]
        check(all(m.startswith("magnet:") for m in magnets), "every row's link cell holds a magnet link")
    pump(2, lambda: any(r == "status bar" and t == "object:property-change:accessible-name" for t, r, _ in events))
    check(any(r == "status bar" and t == "object:property-change:accessible-name" for t, r, _ in events),
          "the status bar's changes are announced to a listener")
    if tab.nRows > 0:
        check_row_menu(app, frame, table, entry)

    # A notice box shows up as an alert with its text and button.
    buttons["上一页"].queryAction().doAction(0)

    def alert():
        for window in app:
            if window is not None and window.getRoleName() == "alert":
                return window
        return None

    pump(10, lambda: alert() is not None)
    box = alert()
    if check(box is not None, "the first-page notice opens as an alert"):
        check("第一页" in box.description, "the alert's description is its text: %r" % box.description)
        ok = descendant(box, "push button")
        check(ok is not None, "the alert has its button")
        if ok is not None:
            ok.queryAction().doAction(0)
            closed = pump(10, lambda: alert() is None)
            check(closed, "the alert's button action closes it")


if __name__ == "__main__":
    sys.exit(main())
