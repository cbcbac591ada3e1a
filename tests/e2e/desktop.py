"""A private desktop (Xvfb, openbox, a session bus with the accessibility
bus) and the program on it, seen through its accessible objects and driven
by the X test extension (xdotool), as a user's mouse and keyboard drive it.

Every wait is a bounded poll for a window, a control or a file; nothing
sleeps for a fixed time."""
import importlib.util
import os
import re
import shutil
import subprocess
import tempfile
import time

# Generous: the machine is shared. These bound a hang; they time nothing.
WAIT_SECONDS = 30
POLL_SECONDS = 0.05
SKIP_EXIT_CODE = 77
# A window manager that is not up by then is tried again.
START_SECONDS = 15


class Skip(Exception):
    """The display stack cannot start here."""


class Failed(Exception):
    """The program did not do what the user expects."""


def wait_for(what, probe, seconds=WAIT_SECONDS):
    """The first true value `probe()` returns within `seconds`; Failed,
    saying `what` was awaited, when none comes."""
    end = time.monotonic() + seconds
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > end:
            raise Failed("waited %d s for %s" % (seconds, what))
        time.sleep(POLL_SECONDS)


class Desktop:
    """Xvfb with openbox and a private session bus; stop() ends them."""

    def __init__(self, width=1280, height=1024):
        self.width, self.height = width, height
        self.processes = []
        self.runtime_dir = tempfile.mkdtemp(prefix="matslip-e2e-run-")

    def start(self, attempts=3):
        """Starts the stack; Skip when it does not come up `attempts` times
        (a shared machine may be slow to start a server once)."""
        self._check_installed()
        for attempt in range(attempts):
            try:
                return self._start_once()
            except Skip as e:
                why = e
                self.stop(keep_runtime_dir=True)
        raise Skip("%s (%d attempts; openbox said: %s)" % (
            why, attempts, self._openbox_output()))

    def _openbox_output(self):
        try:
            with open(os.path.join(self.runtime_dir, "openbox.log"),
                      errors="replace") as f:
                return f.read()[-300:].strip() or "nothing"
        except OSError:
            return "nothing"

    def _check_installed(self):
        for program in ("Xvfb", "openbox", "dbus-daemon", "xdotool", "xprop"):
            if not shutil.which(program):
                raise Skip(program + " is not installed")
        # Debian's python3-pyatspi, on python3-gi.
        for module in ("gi", "pyatspi"):
            if importlib.util.find_spec(module) is None:
                raise Skip("python module %s is not installed" % module)

    def _start_once(self):
        read_end, write_end = os.pipe()
        self._spawn(["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                     "%dx%dx24" % (self.width, self.height), "-nolisten",
                     "tcp"], pass_fds=(write_end,))
        os.close(write_end)
        number = b""
        end = time.monotonic() + WAIT_SECONDS
        while time.monotonic() < end:
            c = os.read(read_end, 1)
            if not c or c == b"\n":
                break
            number += c
        os.close(read_end)
        if not number:
            raise Skip("Xvfb did not start")
        os.environ["DISPLAY"] = ":" + number.decode()
        os.environ["XDG_RUNTIME_DIR"] = self.runtime_dir
        with open(os.path.join(self.runtime_dir, "openbox.log"), "ab") as log:
            self._spawn(["openbox"], stderr=log)
        try:
            wait_for("openbox", lambda: b"window id" in subprocess.run(
                ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"],
                capture_output=True).stdout, START_SECONDS)
        except Failed as e:
            raise Skip(str(e))
        bus = self._spawn(["dbus-daemon", "--session", "--nofork",
                           "--print-address=1"], stdout=subprocess.PIPE)
        address = bus.stdout.readline().decode().strip()
        if not address:
            raise Skip("the session bus did not start")
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = address
        # The accessibility bus starts on the first request.
        import pyatspi
        self.atspi = pyatspi
        try:
            wait_for("the accessibility registry",
                     lambda: pyatspi.Registry.getDesktop(0) is not None)
        except Failed as e:
            raise Skip(str(e))

    def _spawn(self, argv, **kw):
        p = subprocess.Popen(argv, stdin=subprocess.DEVNULL,
                             stderr=kw.pop("stderr", subprocess.DEVNULL),
                             stdout=kw.pop("stdout", subprocess.DEVNULL), **kw)
        self.processes.append(p)
        return p

    def stop(self, keep_runtime_dir=False):
        for p in reversed(self.processes):
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        self.processes = []
        if not keep_runtime_dir:
            shutil.rmtree(self.runtime_dir, ignore_errors=True)


def _matches(value, pattern):
    if pattern is None:
        return True
    if isinstance(pattern, str):
        return value == pattern
    return pattern.search(value or "") is not None


class Program:
    """The program on one data folder, started on the desktop."""

    def __init__(self, desktop, program, folder):
        self.desktop = desktop
        self.atspi = desktop.atspi
        self.program = program
        self.folder = folder
        self.process = None
        self.log = open(os.path.join(folder, "..", "program.log"), "wb")

    def start(self, main_window=True):
        """Starts the program; its main window once settled, if asked
        for."""
        # No print server: a print goes to a PDF file the user names.
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_QPA_PLATFORM="xcb",
                   CUPS_SERVER=os.path.join(self.desktop.runtime_dir, "cups"))
        self.process = subprocess.Popen([self.program, self.folder], env=env,
                                        stdout=self.log, stderr=self.log)
        return self.main_window() if main_window else None

    def main_window(self):
        return self.settled(self.window(re.compile("材料出库单打印系统"),
                                        role="frame"))

    def settled(self, window):
        """`window` once it is active and its place on the screen has
        stopped changing (the window manager has framed and placed it)."""
        last = [None]

        def probe():
            if not window.getState().contains(self.atspi.STATE_ACTIVE):
                return False
            now = self.extents(window)
            same = now == last[0]
            last[0] = now
            return same
        wait_for("window %r to settle" % window.name, probe)
        return window

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.log.close()

    def application(self):
        if self.process.poll() is not None:
            raise Failed("the program ended (exit code %d)" %
                         self.process.returncode)
        desk = self.atspi.Registry.getDesktop(0)
        for i in range(desk.childCount):
            app = desk.getChildAtIndex(i)
            try:
                if app is not None and (app.get_process_id() ==
                                        self.process.pid):
                    return app
            except Exception:
                continue
        return None

    def top_windows(self):
        """The program's windows shown now, the last opened last."""
        app = self.application()
        if app is None:
            return []
        out = []
        for i in range(app.childCount):
            w = app.getChildAtIndex(i)
            if w is not None and self.showing(w):
                out.append(w)
        return out

    def showing(self, acc):
        try:
            return acc.getState().contains(self.atspi.STATE_SHOWING)
        except Exception:
            return False

    def window(self, name=None, role=None, seconds=WAIT_SECONDS):
        """The shown window whose title matches `name` (a text, or a
        compiled pattern) and whose role is `role`."""
        def probe():
            for w in self.top_windows():
                if _matches(w.name, name) and _matches(w.getRoleName(), role):
                    return w
            return None
        try:
            return wait_for("window %r" % (getattr(name, "pattern", name),),
                            probe, seconds)
        except Failed as e:
            raise Failed("%s; shown: %s" % (e, self.describe_windows()))

    def describe_windows(self):
        """The shown windows' roles, titles and texts, for a failure."""
        out = []
        for w in self.top_windows():
            texts = [l.name for l in self.find_in(w, "label", None, True)
                     if l.name]
            out.append("%s %r %s" % (w.getRoleName(), w.name,
                                     texts[:3] if texts else ""))
        return "; ".join(out) or "none"

    def find_in(self, root, role=None, name=None, all_of=False):
        """Shown descendants of `root` with this role and name."""
        found = []
        stack = [root]
        while stack:
            acc = stack.pop()
            try:
                count = acc.childCount
            except Exception:
                continue
            for i in range(count - 1, -1, -1):
                c = acc.getChildAtIndex(i)
                if c is None or not self.showing(c):
                    continue
                if _matches(c.getRoleName(), role) and _matches(c.name, name):
                    if not all_of:
                        return c
                    found.append(c)
                stack.append(c)
        return found if all_of else None

    def control(self, root, role, name, seconds=WAIT_SECONDS):
        return wait_for("%s %r" % (role, getattr(name, "pattern", name)),
                        lambda: self.find_in(root, role, name), seconds)

    def texts(self, root):
        """Every name and shown text under `root`, in tree order."""
        out = []
        stack = [root]
        while stack:
            acc = stack.pop(0)
            if acc.name:
                out.append(acc.name)
            try:
                t = acc.queryText()
                s = t.getText(0, t.characterCount)
                if s:
                    out.append(s)
            except Exception:
                pass
            for i in range(acc.childCount):
                c = acc.getChildAtIndex(i)
                if c is not None:
                    stack.append(c)
        return out

    # --- Mouse and keyboard, through the X test extension.

    def centre(self, acc):
        e = acc.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        if e.width <= 0 or e.height <= 0:
            raise Failed("%r is not on the screen" % acc.name)
        return e.x + e.width // 2, e.y + e.height // 2

    def extents(self, acc):
        e = acc.queryComponent().getExtents(self.atspi.DESKTOP_COORDS)
        return e.x, e.y, e.width, e.height

    def click_at(self, x, y, button=1):
        xdotool("mousemove", "--sync", str(x), str(y), "click", str(button))

    def x_window_titled(self, title):
        """Whether an X window of the desktop has exactly this title (the
        accessible name of a window may stay what it was at its start)."""
        r = subprocess.run(["xdotool", "search", "--name",
                            "^%s$" % re.escape(title)], capture_output=True)
        return r.returncode == 0 and r.stdout.strip() != b""

    def move_to(self, x, y):
        xdotool("mousemove", "--sync", str(x), str(y))

    def click(self, acc):
        self.click_at(*self.centre(acc))

    def drag(self, start, end):
        xdotool("mousemove", "--sync", str(start[0]), str(start[1]),
                "mousedown", "1")
        # In steps, as a hand moves, so that the grid sees the way.
        steps = 8
        for i in range(1, steps + 1):
            xdotool("mousemove", "--sync",
                    str(start[0] + (end[0] - start[0]) * i // steps),
                    str(start[1] + (end[1] - start[1]) * i // steps))
        xdotool("mouseup", "1")

    def key(self, *keys):
        xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        xdotool("type", "--clearmodifiers", "--delay", "20", text)

    def set_text(self, edit, text):
        """Puts `text` into a line edit: clicks into it and selects what is
        there; ASCII is typed, other texts set through the edit's
        accessible text (the X keyboard has no map for them)."""
        self.click(edit)
        self.key("ctrl+a")
        if text.isascii():
            if text:
                self.type(text)
            else:
                self.key("BackSpace")
        else:
            edit.queryEditableText().setTextContents(text)
        wait_for("%r in %r" % (text, edit.name),
                 lambda: self.text_of(edit) == text, 10)

    def text_of(self, acc):
        t = acc.queryText()
        return t.getText(0, t.characterCount)

    # --- Menus and message boxes.

    def menu(self, window, *path):
        """Chooses a menu item with the mouse: the menu's title in the
        window's menu bar, then each item of the path."""
        bar = self.control(window, "menu bar", None)
        self.click(self.control(bar, "menu item", path[0]))
        for name in path[1:]:
            item = wait_for("menu item %r" % name,
                            lambda: self._shown_menu_item(name))
            self.click(item)

    def _shown_menu_item(self, name):
        for w in self.top_windows():
            for item in self.find_in(w, "menu item", name, all_of=True):
                x, y, width, height = self.extents(item)
                if width > 0 and height > 0 and (x, y) != (0, 0):
                    return item
        return None

    def shown_menu(self):
        """A drop-down or pop-up menu on the screen now, or None."""
        for w in self.top_windows():
            for menu in self.find_in(w, "popup menu", None, all_of=True):
                x, y, width, height = self.extents(menu)
                if width > 0 and height > 0:
                    return menu
        return None

    def message(self, seconds=WAIT_SECONDS):
        """The message box or question shown now: (box, its text)."""
        box = self.settled(wait_for("a message box", self.message_box,
                                    seconds))
        labels = [l.name for l in self.find_in(box, "label", None, all_of=True)
                  if l.name]
        return box, "\n".join(labels)

    def message_box(self):
        for w in self.top_windows():
            if w.getRoleName() == "alert":
                return w
        return None

    def answer(self, box, button):
        """Clicks the box's button named `button` and waits for it to go."""
        self.click(self.control(box, "push button", button))
        self.gone(box)

    def gone(self, window, seconds=WAIT_SECONDS):
        wait_for("window %r to close" % window.name,
                 lambda: not self.showing(window), seconds)


def xdotool(*args):
    r = subprocess.run(["xdotool"] + list(args), capture_output=True)
    if r.returncode != 0:
        raise Failed("xdotool %s: %s" % (" ".join(args),
                                         r.stderr.decode(errors="replace")))
