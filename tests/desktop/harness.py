"""What the desktop suite drives the demo with: checks that fail with a reason, waiting,
xdotool and keyboard layouts, the screen's pixels, the accessibility tree and its events,
and the demo program itself."""

import os
import subprocess
import sys
import time
import zlib
import struct

import pyatspi
from gi.repository import GLib
from Xlib import X, display

FOCUS_COLOUR = (255, 255, 192)


class CheckFailed(Exception):
    pass


def require(condition, why):
    if not condition:
        raise CheckFailed(why)


def wait_until(condition, seconds=5.0):
    """Polls until the condition holds; returns its last value."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(0.05)


def xdotool(*arguments):
    subprocess.run(["xdotool", *arguments], check=True, timeout=30)


def keys(*names):
    """Presses and releases each key in turn, as a person types them."""
    xdotool("key", "--delay", "60", *names)


def layout(name, variant=""):
    command = ["setxkbmap", name] + (["-variant", variant] if variant else [])
    subprocess.run(command, check=True, timeout=30)


class Screen:
    """The X server's pixels."""

    def __init__(self):
        self.display = display.Display()
        self.root = self.display.screen().root

    def pixels(self, x, y, width, height):
        """Rows of (r, g, b) tuples."""
        image = self.root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF)
        data = image.data
        return [[(data[(row * width + column) * 4 + 2], data[(row * width + column) * 4 + 1],
                  data[(row * width + column) * 4]) for column in range(width)]
                for row in range(height)]

    def save(self, path):
        """The whole screen as a PNG file."""
        geometry = self.root.get_geometry()
        rows = self.pixels(0, 0, geometry.width, geometry.height)
        raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)

        def chunk(kind, data):
            return (struct.pack(">I", len(data)) + kind + data +
                    struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

        header = struct.pack(">IIBBBBB", geometry.width, geometry.height, 8, 2, 0, 0, 0)
        with open(path, "wb") as out:
            out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                      chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


def extents(accessible):
    box = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x, box.y, box.width, box.height


def find(node, predicate):
    if predicate(node):
        return node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            found = find(child, predicate)
            if found is not None:
                return found
    return None


def has_state(accessible, state):
    return accessible.getState().contains(state)


class Events:
    """What the accessibility bus announces, as a screen reader hears it: each event as
    (type, source role, source name, the role of the source's parent, text it carries)."""

    KINDS = ["focus:", "object:text-changed", "object:text-selection-changed",
             "object:property-change:accessible-description", "object:state-changed:selected",
             "object:state-changed:showing"]

    def __init__(self):
        self.heard = []
        for kind in self.KINDS:
            pyatspi.Registry.registerEventListener(self._hear, kind)

    def _hear(self, event):
        try:
            # A state's change carries whether the state is now set ("1") or not ("0").
            text = (event.any_data if isinstance(event.any_data, str) else
                    str(event.detail1) if event.type.startswith("object:state-changed") else "")
            source = event.source
            parent = source.parent.getRoleName() if source.parent is not None else ""
            self.heard.append((event.type, source.getRoleName(), source.name, parent, text))
        except Exception:  # a source gone before it could be read
            pass

    def pump(self, seconds=0.3):
        """Lets the bus deliver what is pending."""
        deadline = time.monotonic() + seconds
        context = GLib.MainContext.default()
        while time.monotonic() < deadline:
            while context.iteration(False):
                pass
            time.sleep(0.02)

    def close(self):
        for kind in self.KINDS:
            pyatspi.Registry.deregisterEventListener(self._hear, kind)


class Demo:
    """One run of veltra-demo, found on the accessibility bus."""

    def __init__(self, program):
        environment = dict(os.environ, QT_QPA_PLATFORM="xcb",
                           QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1")
        self.process = subprocess.Popen([program], env=environment,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.app = wait_until(self._application, 20)
        if self.app is None:
            self.close()
            raise CheckFailed("veltra-demo did not appear on the accessibility bus")
        wait_until(lambda: self.box("Cidade") is not None)

    def _application(self):
        if self.process.poll() is not None:
            raise CheckFailed("veltra-demo ended: " + self.process.stderr.read().decode()[-500:])
        for application in pyatspi.Registry.getDesktop(0):
            if application is not None and application.name == "veltra-demo":
                return application
        return None

    def close(self):
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()

    def box(self, label):
        """The Veltra combo box of the form row with that label."""
        row = find(self.app, lambda n: n.getRoleName() == "filler" and n.name == label + ":")
        return row.getChildAtIndex(0) if row is not None and row.childCount else None

    def edit(self, label):
        return find(self.box(label), lambda n: n.getRoleName() == "text")

    def text(self, label):
        edit = self.edit(label).queryText()
        return edit.getText(0, edit.characterCount)

    def focused(self, label):
        return has_state(self.edit(label), pyatspi.STATE_FOCUSED)

    def log(self):
        area = find(self.app, lambda n: n.getRoleName() == "text" and
                    has_state(n, pyatspi.STATE_MULTI_LINE))
        text = area.queryText()
        return text.getText(0, text.characterCount).splitlines()

    def list_window(self):
        """The drop-down list while it shows."""
        for i in range(self.app.childCount):
            window = self.app.getChildAtIndex(i)
            if window is not None and window.getRoleName() == "list" and \
                    has_state(window, pyatspi.STATE_SHOWING):
                return window
        return None

    def click(self, accessible, dx=None, dy=None):
        x, y, width, height = extents(accessible)
        xdotool("mousemove", str(x + (dx if dx is not None else width // 2)),
                str(y + (dy if dy is not None else height // 2)), "click", "1")

    def switch_on(self, option):
        """Ticks an option of the first box in the options panel."""
        box = find(self.app, lambda n: n.getRoleName() == "check box" and n.name == option)
        if not has_state(box, pyatspi.STATE_CHECKED):
            self.click(box, dx=8)
        require(wait_until(lambda: has_state(box, pyatspi.STATE_CHECKED)),
                option + " did not switch on")

    def focus_box(self, label):
        self.click(self.box(label), dx=40)
        require(wait_until(lambda: self.focused(label)), "a click did not focus " + label)

    def new_log_lines(self, since):
        return self.log()[since:]
