"""An installer's windows as its user sees them, read and answered through the fixture program
(`fixture_app texts` and `fixture_app press`): the texts of every visible window and control, and
a click on a button of the window that shows a given text. The test prefix's null graphics driver
draws nothing, but the windows, their controls and their texts are all there."""

import collections
import os
import subprocess
import time

from tests.e2e.harness import FIXTURE_APP, WineSession, stop_process
from tools.windows_programs import ENV, command, win_path

GUI_TIMEOUT_S = 90
# The button ids of NSIS's pages and of message boxes.
NEXT, CANCEL = 1, 2
OK = 1

Control = collections.namedtuple("Control", "depth kind id text")


def parse(text):
    controls = []
    for line in text.split("\n"):
        if not line:
            continue
        stripped = line.lstrip(" ")
        kind, control_id, rest = (stripped.split(" ", 2) + ["", ""])[:3]
        controls.append(Control((len(line) - len(stripped)) // 2, kind, int(control_id), rest))
    return controls


class Screen:
    """Watches the windows while a program runs: every snapshot taken is kept, so that a test
    can say what was shown at some point, not only now."""

    def __init__(self, folder):
        self.out = os.path.join(folder, "texts.txt")
        self.snapshots = []

    def snapshot(self):
        completed = subprocess.run(command(FIXTURE_APP, "texts", win_path(self.out)), env=ENV,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=GUI_TIMEOUT_S)
        if completed.returncode != 0:
            raise AssertionError(f"fixture_app texts ended with {completed.returncode}")
        with open(self.out, encoding="utf-8") as f:
            controls = parse(f.read())
        self.snapshots.append(controls)
        return controls

    def ever_shown(self, text):
        """The controls, in any snapshot so far, whose text holds `text`."""
        return [control for controls in self.snapshots for control in controls
                if text in control.text]

    def wait_for(self, text, popen, timeout=GUI_TIMEOUT_S):
        """Takes snapshots until a control shows `text`; fails when the program ends first."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            controls = self.snapshot()
            if [control for control in controls if text in control.text]:
                return controls
            if popen.poll() is not None:
                raise AssertionError(f"the program ended ({popen.returncode}) before showing "
                                     f"{text!r}; it showed:\n{self.shown()}")
        raise AssertionError(f"nothing showed {text!r} within {timeout} s; shown:\n{self.shown()}")

    def press(self, text, button, must=True):
        """Clicks `button` in the window that shows `text`; returns whether there was one (with
        `must`, there has to be)."""
        completed = subprocess.run(command(FIXTURE_APP, "press", text, str(button)), env=ENV,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL, timeout=GUI_TIMEOUT_S)
        if must and completed.returncode != 0:
            raise AssertionError(f"no window shows {text!r} to press {button} in:\n"
                                 f"{self.shown()}")
        return completed.returncode == 0

    def shown(self):
        return "\n".join(f"{'  ' * c.depth}{c.kind} {c.id} {c.text}"
                         for c in (self.snapshots[-1] if self.snapshots else []))


def click_through(screen, popen, title, buttons):
    """Clicks through the pages of the window that shows `title`: presses the first of `buttons`
    that its page shows, until a page shows none of them or is the installing page (its progress
    bar shown: a Modern UI installer keeps its Next button there, disabled)."""
    while True:
        controls = screen.wait_for(title, popen)
        shown = [c.text for c in controls if c.id == NEXT and c.text in buttons]
        if not shown or [c for c in controls if c.kind == "msctls_progress32"]:
            return
        screen.press(shown[0], NEXT)
        # The next page comes before its buttons are looked for.
        time.sleep(1)


def start_installer(batch):
    """Starts a batch file that runs an installer, for a test to drive its windows."""
    WineSession.ensure()
    return subprocess.Popen(command("cmd", "/c", win_path(batch)), env=ENV,
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def finish(popen, screen, buttons=("&Finish",), timeout=GUI_TIMEOUT_S):
    """Waits for a driven installer to end, clicking through a closing page on the way."""
    deadline = time.monotonic() + timeout
    try:
        while popen.poll() is None and time.monotonic() < deadline:
            for control in screen.snapshot():
                if control.id == NEXT and control.text in buttons:
                    # The page may have closed by itself since (NSIS's AutoCloseWindow).
                    screen.press(control.text, NEXT, must=False)
                    break
            time.sleep(0.2)
        if popen.poll() is None:
            raise AssertionError(f"the installer did not end within {timeout} s; it shows:\n"
                                 f"{screen.shown()}")
        return popen.returncode
    finally:
        stop_process(popen)
