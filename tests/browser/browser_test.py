#!/usr/bin/python3
"""The bench in a web browser: `scripts/run --browser` used through Debian's chromium (headless,
driven by chromium-driver), the browser's pictures held against the virtual display's own.

    /usr/bin/python3 tests/browser/browser_test.py [--picture FILE]

--picture saves the browser's picture of the bench playing (the README's). $BUILD_DIR names
another build directory. Every wait is a bounded poll on what it waits for."""

import io
import os
import queue
import re
import signal
import socket
import subprocess
import sys
import threading
import time
import unittest

from PIL import Image, ImageChops, ImageStat
from selenium import webdriver
from selenium.common.exceptions import TimeoutException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("BUILD_DIR", os.path.join(ROOT, "build"))
PICTURE = None

DISPLAY_SIZE = (1280, 1024)
# The browser's window is smaller than the display, so the page scales it.
WINDOW_SIZE = (1100, 960)
# Mean difference per channel (0-255) below which two pictures of a region are the same:
# scaling and noVNC's lossy encoding stay well below it, a missing or other window well above.
SAME = 12
BUILD_GRAPH, OUTPUT_SIZE_BOX, COEFFS_BOX, PLAY = 206, 224, 226, 230


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def other_address():
    """An address of this machine other than loopback, or None."""
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as s:
        try:
            s.connect(("192.0.2.1", 9))  # a route is chosen; nothing is sent
        except OSError:
            return None
        address = s.getsockname()[0]
    return None if address.startswith("127.") else address


def mean_difference(a, b):
    return sum(ImageStat.Stat(ImageChops.difference(a.convert("RGB"), b.convert("RGB"))).mean) / 3


def wait_for(what, condition, timeout, poll=0.05, seen=None):
    """condition's first true answer, polled until the bound; seen() tells what was there instead."""
    deadline = time.monotonic() + timeout
    while True:
        answer = condition()
        if answer:
            return answer
        if time.monotonic() > deadline:
            raise AssertionError(f"{what}: not within {timeout} s" + (f"; seen: {seen()}" if seen else ""))
        time.sleep(poll)


class BrowserRun:
    """scripts/run --browser in a session of its own, as a terminal runs it; Ctrl+C is its group's SIGINT."""

    def __init__(self, *args, port=None):
        self.port = port or free_port()
        self.started = time.monotonic()
        self.process = subprocess.Popen(
            [os.path.join(ROOT, "scripts", "run"), "--browser", "--port", str(self.port), *args],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, start_new_session=True)
        self.lines = queue.Queue()
        self.errors = []
        threading.Thread(target=self._read, args=(self.process.stdout, self.lines.put), daemon=True).start()
        threading.Thread(target=self._read, args=(self.process.stderr, self.errors.append), daemon=True).start()
        self.display = None

    @staticmethod
    def _read(stream, put):
        for line in stream:
            put(line.rstrip("\n"))

    def next_line(self, timeout):
        try:
            return self.lines.get(timeout=timeout)
        except queue.Empty:
            raise AssertionError(f"no line within {timeout} s; stderr: {self.errors}") from None

    def find_display(self):
        """The virtual display, from the command line of the run's x11vnc."""
        for pid in self.processes():
            argv = read_proc(pid, "cmdline").split("\0")
            if os.path.basename(argv[0]) == "x11vnc":
                self.display = argv[argv.index("-display") + 1]
        assert self.display, "no x11vnc in the run"
        return self.display

    def processes(self):
        """The run's processes: those of its session, and Wine's that carry its display."""
        found = []
        for name in os.listdir("/proc"):
            if not name.isdigit():
                continue
            stat = read_proc(name, "stat")
            fields = stat[stat.rfind(")") + 2:].split()
            in_session = len(fields) > 3 and int(fields[3]) == self.process.pid
            on_display = self.display and f"DISPLAY={self.display}" in read_proc(name, "environ").split("\0")
            if in_session or on_display:
                found.append(int(name))
        return found

    def interrupt_clean(self):
        """Ctrl+C: the run ends as interrupted, and none of its processes stays behind."""
        os.killpg(self.process.pid, signal.SIGINT)
        code = self.process.wait(timeout=60)
        assert code == 130, f"the run ended with {code}; stderr: {self.errors}"
        wait_for("the run's processes to end", lambda: not self.processes(), 20,
                 seen=lambda: [read_proc(pid, "comm").strip() for pid in self.processes()])

    def end(self):
        if self.process.poll() is None:
            try:
                os.killpg(self.process.pid, signal.SIGTERM)
                self.process.wait(timeout=60)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                pass
        self.process.stdout.close()
        self.process.stderr.close()


def read_proc(pid, name):
    try:
        with open(f"/proc/{pid}/{name}", "rb") as f:
            return f.read().decode("utf-8", "replace")
    except OSError:
        return ""


class Probe:
    """DialogProbe.exe: the bench's windows read through Wine itself."""

    def __init__(self, display):
        env = dict(os.environ, DISPLAY=display)
        self.process = subprocess.Popen(
            [os.path.join(BUILD, "wine.sh"), os.path.join(BUILD, "tests", "browser", "DialogProbe.exe")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, env=env)

    def ask(self, command):
        self.process.stdin.write(command + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline()
        assert answer, f"the probe ended at '{command}'"
        return answer.rstrip("\r\n")

    def rect(self, command):
        answer = self.ask(command)
        return None if answer == "none" else tuple(int(v) for v in answer.split())

    def text(self, control):
        return self.ask(f"text {control}")

    def close(self):
        if self.process.poll() is None:
            self.process.stdin.close()
            self.process.wait(timeout=30)
        self.process.stdout.close()


class Page:
    """The run's page in headless chromium."""

    def __init__(self, url):
        options = webdriver.ChromeOptions()
        options.binary_location = "/usr/bin/chromium"
        for argument in ("--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                         "--window-size=%d,%d" % WINDOW_SIZE, "--force-device-scale-factor=1"):
            options.add_argument(argument)
        self.driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
        self.driver.get(url)

    def status(self):
        return self.driver.find_element(By.ID, "status").text

    def canvas(self):
        """The display's canvas as (left, top, scale), once connected and placed: noVNC scales it after
        the connection, so it is taken once two looks agree."""
        wait_for("the connection", lambda: self.status().startswith("Connected"), 30, seen=self.status)
        looks = []

        def placed():
            r = self.driver.find_element(By.CSS_SELECTOR, "#screen canvas").rect
            looks.append((r["x"], r["y"], r["width"] / DISPLAY_SIZE[0]))
            return len(looks) > 1 and looks[-1] == looks[-2] and r["width"] > 0
        wait_for("the display's canvas", placed, 30, poll=0.2)
        return looks[-1]

    def picture(self):
        return Image.open(io.BytesIO(self.driver.get_screenshot_as_png())).convert("RGB")

    def region(self, picture, canvas, rect):
        """A display rectangle's part of a browser picture."""
        left, top, scale = canvas
        return picture.crop(tuple(round(v * scale + (left if i % 2 == 0 else top)) for i, v in enumerate(rect)))

    def click(self, canvas, rect):
        """A click in the middle of a display rectangle."""
        left, top, scale = canvas
        action = ActionBuilder(self.driver)
        action.pointer_action.move_to_location(round(left + (rect[0] + rect[2]) / 2 * scale),
                                               round(top + (rect[1] + rect[3]) / 2 * scale))
        action.pointer_action.click()
        action.perform()

    def replace_text(self, text):
        """The focused box's text selected and typed over, then Enter."""
        (ActionChains(self.driver).send_keys(Keys.END).key_down(Keys.SHIFT).send_keys(Keys.HOME).key_up(Keys.SHIFT)
         .send_keys(text, Keys.ENTER).perform())

    def close(self):
        self.driver.quit()


def display_picture(display):
    shot = subprocess.run(["import", "-display", display, "-window", "root", "png:-"],
                          check=True, capture_output=True).stdout
    return Image.open(io.BytesIO(shot)).convert("RGB")


def shown(page, canvas, display, rect):
    """How far the browser's picture of a display rectangle is from the display's own, scaled alike."""
    browser = page.region(page.picture(), canvas, rect)
    own = display_picture(display).crop(rect).resize(browser.size, Image.BILINEAR)
    return mean_difference(browser, own)


class ArgumentsTest(unittest.TestCase):
    """Refused before anything starts."""

    def test_refused(self):
        empty = os.path.join(BUILD, "browser-empty-password")
        open(empty, "w").close()
        self.addCleanup(os.remove, empty)
        cases = [
            ("a port that is no number", ["--port", "web"], "no such port"),
            ("a port out of range", ["--port", "70000"], "no such port"),
            ("a missing password file", ["--listen", "127.0.0.1", "--password-file", "/nonexistent"], "cannot read"),
            ("an empty password file", ["--listen", "127.0.0.1", "--password-file", empty], "holds no password"),
            ("an option of the screenshot", ["--screenshot", "x.png"], "usage"),
        ]
        for label, args, message in cases:
            with self.subTest(label):
                run = subprocess.run([os.path.join(ROOT, "scripts", "run"), "--browser", *args],
                                     capture_output=True, text=True, timeout=30)
                self.assertEqual(run.returncode, 2)
                self.assertIn(message, run.stderr)
                self.assertEqual(run.stdout, "")


class LoopbackBenchTest(unittest.TestCase):
    """The default run: loopback only, no password; the bench used from the page, then Ctrl+C."""

    def test_bench_in_browser(self):
        run = BrowserRun()
        self.addCleanup(run.end)
        line = run.next_line(300)
        self.assertEqual(line, f"run: open http://127.0.0.1:{run.port}/ in a browser")
        print(f"browser: the command until it prints the address: {time.monotonic() - run.started:.2f} s",
              file=sys.stderr)
        display = run.find_display()

        page = Page(f"http://127.0.0.1:{run.port}/")
        self.addCleanup(page.close)
        canvas = page.canvas()
        self.assertLess(canvas[2], 1, "the page scales the display to the window")
        probe = Probe(display)
        self.addCleanup(probe.close)
        dialog = probe.rect("rect 0")
        # Compared against the virtual display, so a blank or stale page cannot pass.
        wait_for("the bench in the page", lambda: shown(page, canvas, display, dialog) < SAME, 30)
        print(f"browser: the command until the page shows the bench: {time.monotonic() - run.started:.2f} s",
              file=sys.stderr)

        with self.subTest("the run's one TCP port, on loopback"):
            pids = run.processes()
            listening = subprocess.run(["ss", "-Hltnp"], check=True, capture_output=True, text=True).stdout
            ours = [line.split()[3] for line in listening.splitlines()
                    if any(f"pid={pid}," in line for pid in pids)]
            self.assertEqual(ours, [f"127.0.0.1:{run.port}"])

        with self.subTest("refused on another address of the machine"):
            address = other_address()
            if address is None:
                self.skipTest("this machine has no address beside loopback")
            with self.assertRaises(ConnectionRefusedError):
                socket.create_connection((address, run.port), timeout=5).close()
            socket.create_connection(("127.0.0.1", run.port), timeout=5).close()

        with self.subTest("a second run on the port"):
            second = subprocess.run([os.path.join(ROOT, "scripts", "run"), "--browser", "--port", str(run.port)],
                                    capture_output=True, text=True, timeout=30)
            self.assertEqual(second.returncode, 1)
            self.assertIn(f"port {run.port} is taken", second.stderr)

        # "Build graph" clicked in the page: the video window comes into the page's picture.
        before = page.picture()
        clicked = time.monotonic()
        page.click(canvas, probe.rect(f"rect {BUILD_GRAPH}"))
        video = wait_for("the video window", lambda: probe.rect("video"), 20)

        # Until "Play" the window holds no frame: its caption is what comes into the picture.
        caption = (video[0], video[1], video[2], video[1] + 15)

        def video_in_page():
            return mean_difference(page.region(page.picture(), canvas, caption),
                                   page.region(before, canvas, caption)) > 3 * SAME
        wait_for("the video window in the page", video_in_page, 20)
        print(f"browser: a click on \"Build graph\" until the video window is in the page: "
              f"{time.monotonic() - clicked:.2f} s", file=sys.stderr)
        wait_for("the page's video window like the display's", lambda: shown(page, canvas, display, video) < SAME, 20)
        self.assertTrue(probe.text(0).startswith("Test for "), "the dialog's title names the resizer")

        # A size typed into its box and Enter: the resizer's answer comes back into the dialog.
        coeffs = probe.text(COEFFS_BOX)
        page.click(canvas, probe.rect(f"rect {OUTPUT_SIZE_BOX}"))
        wait_for("the size box's focus", lambda: probe.ask("focus") == str(OUTPUT_SIZE_BOX), 20,
                 seen=lambda: probe.ask("focus"))
        page.replace_text("320,240")
        # The dialog writes back what the resizer reports, in its own form.
        wait_for("the resizer's output size in the dialog", lambda: probe.text(OUTPUT_SIZE_BOX) == "320, 240", 20,
                 seen=lambda: probe.text(OUTPUT_SIZE_BOX))
        self.assertNotEqual(probe.text(COEFFS_BOX), coeffs)

        # "Play": frames come into the video window, now of the new size, and move.
        video = probe.rect("video")
        stopped = page.region(page.picture(), canvas, video)
        page.click(canvas, probe.rect(f"rect {PLAY}"))

        def frame_shown():
            now = page.region(page.picture(), canvas, video)
            return now if mean_difference(now, stopped) > SAME else None
        first = wait_for("a frame in the page", frame_shown, 20)
        wait_for("moving frames in the page",
                 lambda: mean_difference(page.region(page.picture(), canvas, video), first) > 1, 20)
        if PICTURE:
            page.picture().save(PICTURE)

        probe.close()
        page.close()
        run.interrupt_clean()


class PasswordTest(unittest.TestCase):
    """--listen: a password is made and printed once; the page asks for it and refuses a wrong one."""

    def test_password(self):
        run = BrowserRun("--listen", "127.0.0.1")
        self.addCleanup(run.end)
        first = run.next_line(300)
        match = re.fullmatch(r"run: the page's password, shown only now: ([A-Za-z0-9]{8})", first)
        self.assertTrue(match, first)
        self.assertEqual(run.next_line(60), f"run: open http://127.0.0.1:{run.port}/ in a browser")

        # A made password has letters and digits only.
        for password, connects in (("wrong!!!", False), (match.group(1), True)):
            with self.subTest(password=password):
                page = Page(f"http://127.0.0.1:{run.port}/")
                try:
                    prompt = WebDriverWait(page.driver, 30, 0.05).until(expected_conditions.alert_is_present())
                    prompt.send_keys(password)
                    prompt.accept()
                    answered = wait_for("the server's answer", lambda: page.status() not in ("Loading", "Connecting")
                                        and page.status(), 30)
                    self.assertEqual(answered.startswith("Connected"), connects, answered)
                finally:
                    page.close()
        run.interrupt_clean()


if __name__ == "__main__":
    if "--picture" in sys.argv:
        at = sys.argv.index("--picture")
        PICTURE = os.path.abspath(sys.argv[at + 1])
        del sys.argv[at:at + 2]
    unittest.main(verbosity=2)
