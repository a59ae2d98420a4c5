#!/usr/bin/python3
"""Time from process start to the first frame of a drawing on screen, for the viewer and for
vexor-render writing the same drawing to a PNG of the view's size, interleaved.

Runs inside an X server of its own (bench-gui.sh starts it). The viewer is timed by watching the
screen, not by any timer of its own: the view's area is grabbed over and over from the moment the
process starts, every distinct picture is kept with its time, and once the screen has settled the
first frame is the earliest picture that already holds what the settled one shows of the drawing.
Only a sample of the view's rows is grabbed, every 5 ms, so that watching takes little of the
processor time the viewer needs.
"""

import ctypes
import ctypes.util
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

# Where the viewer's window lands on a screen without a window manager: the main window at the
# top left, its view below the menu bar and the toolbar, the overview window over the view's lower
# left corner. Only the band of the view above the overview is watched.
VIEW_TOP = 58
VIEW_SIZE = (1024, 640)
WATCH = (0, VIEW_TOP, 1024, 530 - VIEW_TOP)
# Rows of the watched band grabbed each time: a sample, so that watching costs the viewer
# little processor time on a machine of two cores.
WATCHED_ROWS = 48
SETTLED_SECONDS = 2.0
GIVE_UP_SECONDS = 60.0
SHARE_PRESENT = 0.95

ZPIXMAP = 2
ALL_PLANES = ctypes.c_ulong(0xFFFFFFFF)


class XImage(ctypes.Structure):
    # Only the leading fields are read; the structure is allocated by Xlib.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
                ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
                ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
                ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class Screen:
    def __init__(self):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        self.x11.XDestroyImage.restype = ctypes.c_int
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("bench-gui: no X display")
        self.root = self.x11.XDefaultRootWindow(self.display)

    def grab_rows(self, x, y, width, height):
        step = max(1, height // WATCHED_ROWS)
        return np.vstack([self.grab(x, row, width, 1) for row in range(y, y + height, step)])

    def grab(self, x, y, width, height):
        image = self.x11.XGetImage(self.display, self.root, x, y, width, height, ALL_PLANES, ZPIXMAP)
        try:
            row = image.contents.bytes_per_line
            raw = ctypes.string_at(image.contents.data, row * height)
        finally:
            # XDestroyImage is a macro over the image's own destroy function; Xlib exports it too.
            self.x11.XDestroyImage(image)
        pixels = np.frombuffer(raw, dtype=np.uint32).reshape(height, row // 4)[:, :width]
        return pixels & 0x00FFFFFF


def drawing_mask(picture):
    """Pixels that are not the view's background, taken as its most common colour."""
    colours, counts = np.unique(picture, return_counts=True)
    return picture != colours[np.argmax(counts)]


def viewer_first_frame(screen, viewer, drawing, home):
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=home + "/config",
               XDG_DATA_HOME=home + "/data", XDG_CACHE_HOME=home + "/cache",
               XDG_RUNTIME_DIR=home + "/runtime")
    os.makedirs(home + "/runtime", mode=0o700, exist_ok=True)
    blank = screen.grab_rows(*WATCH)
    start = time.monotonic()
    process = subprocess.Popen([viewer, drawing], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    frames = []
    last = blank
    last_change = start
    try:
        while True:
            now = time.monotonic()
            picture = screen.grab_rows(*WATCH)
            if not np.array_equal(picture, last):
                frames.append((now - start, picture))
                last = picture
                last_change = now
            if now - last_change > SETTLED_SECONDS and frames:
                break
            if now - start > GIVE_UP_SECONDS:
                sys.exit("bench-gui: the viewer's screen never settled")
            time.sleep(0.005)
    finally:
        process.terminate()
        process.wait()
    settled = frames[-1][1]
    wanted = drawing_mask(settled)
    if wanted.sum() == 0:
        sys.exit("bench-gui: the settled screen shows no drawing")
    for seconds, picture in frames:
        present = np.logical_and(wanted, picture == settled).sum() / wanted.sum()
        if present >= SHARE_PRESENT:
            return seconds
    return frames[-1][0]


def render_seconds(render, drawing, out):
    start = time.monotonic()
    subprocess.run([render, drawing, "-o", out, "--size", "%dx%d" % VIEW_SIZE], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.monotonic() - start


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: bench-gui.py BIN_DIR DRAWING [RUNS]")
    bin_dir, drawing = sys.argv[1], os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    screen = Screen()
    viewer_times, render_times = [], []
    scratch = tempfile.mkdtemp(prefix="vexor-bench-gui-")
    try:
        for run in range(runs):
            # A fresh profile each time: no history, no stored view, as on first use.
            home = os.path.join(scratch, "home%d" % run)
            viewer_times.append(viewer_first_frame(screen, os.path.join(bin_dir, "vexor"),
                                                   drawing, home))
            render_times.append(render_seconds(os.path.join(bin_dir, "vexor-render"), drawing,
                                               os.path.join(scratch, "render.png")))
            print("run %d: viewer %.3f s, vexor-render %.3f s" %
                  (run + 1, viewer_times[-1], render_times[-1]), file=sys.stderr)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    viewer, render = statistics.median(viewer_times), statistics.median(render_times)
    print("drawing: %s" % drawing)
    print("viewer, process start to first frame on screen: median %.3f s of %d" % (viewer, runs))
    print("vexor-render to a %dx%d PNG: median %.3f s of %d" % (*VIEW_SIZE, render, runs))
    print("ratio viewer / vexor-render: %.2f" % (viewer / render))
    print("load average: %s" % " ".join(open("/proc/loadavg").read().split()[:3]))


if __name__ == "__main__":
    main()
