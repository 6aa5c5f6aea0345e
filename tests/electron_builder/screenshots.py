"""The pictures of the electron-builder page: electron-builder's own installers (one-click and
assisted, built by electron-builder from the example's package.json lines) while they wait for
the running application to close, their question when the application stays, the same question
in a German installer, and the "cannot be closed" message naming the programs that hold the
application's files.

    make screenshots        (python3 -m tests.electron_builder.screenshots [--out FOLDER])

For each picture, it builds the installer as the electron-builder entry builds it (the package
packed around this build's procsweep.exe), lays out an installation whose main executable runs
and ignores every request to close, and runs the installer by hand on a virtual X screen (Xvfb),
in a Wine prefix of its own whose graphics driver draws (build/screenshots-wineprefix; the tests'
prefix draws nothing). The texts are read and the buttons pressed through the fixture program,
as the tests do; when a text shows, the installer's windows are captured with xwd and written as
PNG to docs/images/. Wine's Restart Manager names no program holding a file: for the message
that names them, the installer carries the holders' stand-in as procsweep.exe (the real tool for
everything else; see tests/fixtures/holders_stand_in.cpp), which names an editor and a backup
program.

Needs Xvfb, xwd and xwininfo (make screenshots installs Debian's xvfb, x11-apps and
x11-utils).
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tarfile
import time
import zlib

from tests.e2e.harness import (FIXTURE_APP, HOLDERS_STAND_IN, PROCSWEEP_EXE, Installation,
                               holders_stand_in_folder, start_fixture, stop_process, wait_ready)
from tests.electron_builder import electron_builder_test as entry
from tests.installers.gui import CANCEL, OK, Screen, click_through, finish, start_installer
from tests.installers.reports import batch_file, run_quietly
from tools import package, windows_programs
from tools.windows_programs import BUILD_DIR, SOURCE_DIR, command, linux_path, win_path

PREFIX = os.path.join(BUILD_DIR, "screenshots-wineprefix")
WORK = os.path.join(BUILD_DIR, "screenshots-work")
OUT = os.path.join(SOURCE_DIR, "docs", "images")
SCREEN = (800, 600)
TIMEOUT_S = 120
# How long a text is given to be drawn once the fixture program reads it.
DRAWN_S = 1
# Where Wine's own fonts are installed (Debian's fonts-wine, or a build of Wine's own).
WINE_FONTS = ["/usr/share/wine/fonts", "/usr/local/share/wine/fonts", "/opt/wine/share/wine/fonts"]
# Desktop around the windows in a picture, in pixels.
MARGIN = 8
# The installers pictured: the kind, what its build takes besides the example's lines (the nsis
# options, the holders' stand-in as the tool), the title of its window, and its steps in turn:
# a picture taken once a window shows a text, or a button pressed in the window that shows one.
HOLDERS = [(0, 4242, "Code Editor"), (0, 5120, "Backup Agent")]
PICTURES = [
    {"kind": "one-click",
     "steps": [("picture", "one-click-waiting.png", entry.WAITING),
               ("picture", "one-click-question.png", entry.QUESTION),
               ("press", entry.QUESTION, OK)]},
    {"kind": "assisted-per-user",
     "steps": [("picture", "assisted-waiting.png", entry.WAITING),
               ("picture", "assisted-question.png", entry.QUESTION),
               ("press", entry.QUESTION, OK)]},
    {"kind": "one-click", "title": f"Installation von {entry.PRODUCT}",
     "nsis": {"installerLanguages": ["de_DE"], "multiLanguageInstaller": True},
     "steps": [("picture", "german-question.png", entry.GERMAN["question"]),
               ("press", entry.GERMAN["question"], OK)]},
    {"kind": "one-click", "holders": HOLDERS,
     "steps": [("press", entry.QUESTION, CANCEL),
               ("picture", "holders.png", entry.CANNOT_BE_CLOSED),
               ("press", entry.CANNOT_BE_CLOSED, CANCEL)]},
]
# The buttons of the assisted installer's pages before it installs (the one-click one has none).
BEFORE_INSTALLING = ("&Next >", "&Install")


def drawing_prefix():
    """The prefix's programs draw on the X screen, inside one virtual desktop of the screen's
    size, whose frames and title bars Wine draws itself (there is no window manager)."""
    for key, value, data in [("Drivers", "Graphics", "x11"), ("Explorer", "Desktop", "Default"),
                             ("Explorer\\Desktops", "Default", f"{SCREEN[0]}x{SCREEN[1]}")]:
        run_quietly(command("reg", "add", f"HKCU\\Software\\Wine\\{key}", "/v", value, "/d", data,
                            "/f"))
    windows_programs.end_all()
    # Wine draws the title bars' buttons with its Marlett font, which Debian's Wine does not
    # find in its own folder: without a copy in the prefix they show as the letters 0, 1 and r.
    fonts = os.path.join(PREFIX, "drive_c", "windows", "Fonts")
    for folder in WINE_FONTS:
        marlett = os.path.join(folder, "marlett.ttf")
        if os.path.isfile(marlett):
            os.makedirs(fonts, exist_ok=True)
            shutil.copyfile(marlett, os.path.join(fonts, "marlett.ttf"))
            break


def start_screen():
    """Starts Xvfb on a display number it picks itself; returns it and the display's name."""
    read, write = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write), "-screen", "0", f"{SCREEN[0]}x{SCREEN[1]}x24",
         "-nolisten", "tcp"],
        pass_fds=[write], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
        stderr=subprocess.DEVNULL)
    os.close(write)
    with os.fdopen(read) as f:
        number = f.readline().strip()
    if not number:
        xvfb.kill()
        raise SystemExit("Xvfb did not start")
    return xvfb, f":{number}"


def xwd_rows(dump):
    """The picture in an xwd dump, as rows of (r, g, b) bytes."""
    fields = struct.unpack(">25I", dump[:100])
    (header_size, _, pixmap_format, _, width, height, _, byte_order, _, _, _, bits_per_pixel,
     bytes_per_line, _, red_mask, green_mask, blue_mask, _, _, colours) = fields[:20]
    if pixmap_format != 2 or bits_per_pixel not in (24, 32):
        raise SystemExit(f"xwd wrote format {pixmap_format} at {bits_per_pixel} bits a pixel")
    data = dump[header_size + 12 * colours:]
    size = bits_per_pixel // 8
    order = "little" if byte_order == 0 else "big"

    def channel(pixel, mask):
        shift = (mask & -mask).bit_length() - 1
        return (pixel & mask) >> shift

    rows = []
    for y in range(height):
        line = data[y * bytes_per_line:y * bytes_per_line + size * width]
        pixels = [int.from_bytes(line[x:x + size], order) for x in range(0, len(line), size)]
        rows.append(bytes(value for pixel in pixels for value in (
            channel(pixel, red_mask), channel(pixel, green_mask), channel(pixel, blue_mask))))
    return rows


def x11(*args):
    return subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, check=True,
                          timeout=TIMEOUT_S).stdout


# A line of `xwininfo -tree`: the window, its name, its class, its size and where it is.
TREE_LINE = re.compile(r'^\s*(0x[0-9a-f]+) .*\("([^"]*)" "[^"]*"\)'
                       r'\s+(\d+)x(\d+)\S*\s+\+(-?\d+)\+(-?\d+)$')


def capture(display, program):
    """The windows of `program` (its file name) on the desktop they stand on: the screen's
    picture with each window's own picture put over it, bottom one first, cut to the windows
    with a margin of desktop. Each window is read on its own: the screen's picture leaves a
    message box black."""
    screen = [bytearray(row) for row in xwd_rows(x11("xwd", "-root", "-silent", "-display",
                                                     display))]
    windows = []
    for line in x11("xwininfo", "-root", "-tree", "-display", display).decode().splitlines():
        match = TREE_LINE.match(line)
        if match and match.group(2) == program.lower() and int(match.group(3)) > 1:
            windows.append((match.group(1), *map(int, match.group(3, 4, 5, 6))))
    if not windows:
        raise SystemExit(f"{program} shows no window")
    # xwininfo lists the top window first.
    drawn = []
    for window, width, height, left, top in reversed(windows):
        try:
            rows = xwd_rows(x11("xwd", "-id", window, "-silent", "-display", display))
        except subprocess.CalledProcessError:
            # A window that is not drawn (one Wine keeps unmapped): X cannot read it.
            continue
        drawn.append((window, width, height, left, top))
        for y, row in enumerate(rows[:height]):
            screen[top + y][3 * left:3 * (left + width)] = row[:3 * width]
    windows = drawn
    left = max(0, min(w[3] for w in windows) - MARGIN)
    top = max(0, min(w[4] for w in windows) - MARGIN)
    right = min(SCREEN[0], max(w[3] + w[1] for w in windows) + MARGIN)
    bottom = min(SCREEN[1], max(w[4] + w[2] for w in windows) + MARGIN)
    return [bytes(row[3 * left:3 * right]) for row in screen[top:bottom]]


def png(rows):
    """An 8-bit RGB PNG of the rows; the same pixels give the same bytes."""
    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body
                + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", len(rows[0]) // 3, len(rows), 8, 2, 0, 0, 0)
    raw = b"".join(b"\0" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


class Folder:
    """What batch_file needs of a test: a folder to write in."""

    def __init__(self, work):
        self.work = work

    def file(self, name, content):
        path = os.path.join(self.work, name)
        with open(path, "wb") as f:
            f.write(content)
        return path


def take(display, out, tarball, picture, index):
    """The pictures of one installer, run by hand into an installation whose application runs."""
    kind = picture["kind"]
    work = os.path.join(WORK, str(index))
    os.makedirs(work)
    tools = {"env": entry.offline_environment(work), "electron": entry.electron_dist(work)}
    package_folder = None
    if "holders" in picture:
        package_folder = os.path.join(work, "package")
        with tarfile.open(tarball) as archive:
            archive.extractall(work)
        shutil.copy(HOLDERS_STAND_IN, os.path.join(package_folder, "procsweep.exe"))
        windows_programs.ENV["PROCSWEEP_STAND_IN_DIR"] = holders_stand_in_folder(
            os.path.join(work, "stand-in"), picture["holders"])
    installer = entry.build_installer(kind, "1.0.0", tools, tarball, work=work,
                                      package_folder=package_folder,
                                      nsis=picture.get("nsis"))["installer"]
    root = os.path.join(work, "installed", entry.PRODUCT)
    Installation(root, main=entry.MAIN_EXE)
    # The application: it runs and answers no request to close (it has no window).
    record = os.path.join(work, "record.txt")
    application = start_fixture(linux_path(root, entry.MAIN_EXE), "wait", record)
    popen = None
    try:
        # Running before the installer looks: the one-click one looks at once.
        wait_ready(application, record, timeout=TIMEOUT_S)
        batch = batch_file(Folder(work), f'"{win_path(installer)}" /D={win_path(root)}')
        popen = start_installer(batch)
        screen = Screen(work)
        click_through(screen, popen, picture.get("title", f"{entry.PRODUCT} Setup"),
                      BEFORE_INSTALLING)
        os.makedirs(out, exist_ok=True)
        for step, first, second in picture["steps"]:
            screen.wait_for(second if step == "picture" else first, popen, timeout=TIMEOUT_S)
            if step == "press":
                screen.press(first, second)
                continue
            time.sleep(DRAWN_S)
            with open(os.path.join(out, first), "wb") as f:
                f.write(png(capture(display, os.path.basename(installer))))
            print(os.path.relpath(os.path.join(out, first), SOURCE_DIR))
        finish(popen, screen, timeout=TIMEOUT_S)
    finally:
        if popen is not None:
            stop_process(popen)
        stop_process(application)
        windows_programs.ENV.pop("PROCSWEEP_STAND_IN_DIR", None)
        # An installer left waiting would keep the next one from starting.
        subprocess.run(command("taskkill", "/f", "/im", os.path.basename(installer)),
                       env=windows_programs.ENV, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=TIMEOUT_S)


def main():
    parser = argparse.ArgumentParser(prog="python3 -m tests.electron_builder.screenshots",
                                     description=__doc__.split("\n\n")[0])
    parser.add_argument("--out", default=OUT, help="where the pictures go (default: %(default)s)")
    args = parser.parse_args()
    for program in ("Xvfb", "xwd", "xwininfo", "makensis"):
        if shutil.which(program) is None:
            sys.exit(f"{program} not found: `make screenshots` installs it")
    if not os.path.isfile(FIXTURE_APP):
        sys.exit(f"{FIXTURE_APP} not found: build first (make screenshots builds)")
    xvfb, display = start_screen()
    # Every module starts Windows programs with this one environment: all of them, the build's
    # own, run in the drawing prefix on this screen.
    windows_programs.ENV.update(WINEPREFIX=PREFIX, DISPLAY=display)
    try:
        drawing_prefix()
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        tarball = package.package_exe(os.path.join(WORK, "package"), PROCSWEEP_EXE)
        for index, picture in enumerate(PICTURES):
            take(display, args.out, tarball, picture, index)
    finally:
        windows_programs.end_all()
        xvfb.kill()
        xvfb.wait()


if __name__ == "__main__":
    main()
