"""What the end-to-end scripts and the player benchmarks share: their errors,
the programs they need, the sample's progress file, the verdict colours, a
private or shared Xvfb, screenshots read as RGB, a browser's memory, axe-core's
audit of a page, and a driver for Firefox.

Loaded as a plain module: each script puts tests/ on sys.path first.
"""

import base64
import json
import os
import random
import re
import shutil
import signal
import socket
import subprocess
import time
import types

SKIP = 77  # CTest's SKIP_RETURN_CODE: a program the test needs is missing
PICTURES = 21  # the sample quiz's

# The play panel's verdict fills (src/quiz/quiz_record.cpp brushes, kFaceColour for "?").
GREEN, ORANGE, RED = (0, 255, 0), (255, 100, 0), (255, 0, 0)
AMBER, FACE = (255, 203, 38), (245, 245, 245)


def verdict_colour(word):
    return {"BRAVO": GREEN, "Anagramme": ORANGE, "FAUX": RED, "?": FACE}.get(word, AMBER)


class Failure(Exception):
    pass


class Missing(Exception):
    pass


def need(program):
    path = shutil.which(program)
    if path is None:
        raise Missing(f"{program} not found (Debian packages xdotool, xvfb, imagemagick)")
    return path


def progress_bytes(lines):
    """The sample's progress file: one Windows-1252 line per picture."""
    lines = list(lines) + [""] * (PICTURES - len(lines))
    return b"".join(line.encode("cp1252") + b"\r\n" for line in lines)


def show_bytes(data):
    return repr(data) if len(data) < 200 else repr(data[:200]) + "..."


# ---------------------------------------------------------------------------
# Xvfb


def start_xvfb(lifetime):
    """Starts Xvfb in its own session (so it outlives the caller) and returns (display, pid).
    `timeout` ends it after lifetime seconds should nobody stop it. The display
    number is drawn at random far from the usual :0, :1 and :99, which other
    programs take, and sometimes clean up, by number. Without -noreset the
    server resets when its last client leaves, and refuses the next test's
    player meanwhile."""
    need("Xvfb")
    need("xkbcomp")
    for number in random.sample(range(200, 900), 20):
        if os.path.exists(f"/tmp/.X{number}-lock"):
            continue
        read_end, write_end = os.pipe()
        process = subprocess.Popen(
            ["timeout", str(lifetime), "Xvfb", f":{number}", "-displayfd", str(write_end),
             "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL, start_new_session=True)
        os.close(write_end)
        # Xvfb writes the number once it takes connections, or ends.
        told = b""
        deadline = time.monotonic() + 20
        os.set_blocking(read_end, False)
        while not told.endswith(b"\n") and time.monotonic() < deadline and process.poll() is None:
            try:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                told += chunk
            except BlockingIOError:
                time.sleep(0.05)
        os.close(read_end)
        if told.strip() == str(number).encode():
            add_letters(f":{number}")
            return f":{number}", process.pid
        stop_pid(process.pid)
    raise Failure("Xvfb did not start")


# The letters the tests type that a US keyboard lacks. xdotool types such a
# letter by binding it to a spare key for the keystroke only; a busy player
# that reads the keyboard map after the key is unbound loses the letter. Keys
# of their own, bound before any player starts, leave nothing to race.
LETTERS = ("eacute", "egrave", "agrave", "ccedilla", "ecircumflex", "oe")


def add_letters(display):
    keymap = subprocess.run(["xkbcomp", "-xkb", display, "-"], capture_output=True, text=True,
                            check=True).stdout
    start = keymap.index("xkb_symbols")
    end = keymap.find("xkb_geometry", start)
    end = keymap.rindex("};", start, len(keymap) if end < 0 else end)
    bound = set(re.findall(r"key <(\w+)>", keymap[start:end]))
    spare = [name for name in re.findall(r"^\s*<(I\d+)> = \d+;", keymap, re.M)
             if name not in bound]
    if len(spare) < len(LETTERS):
        raise Failure(f"Xvfb {display} has {len(spare)} spare keys, the tests need {len(LETTERS)}")
    keys = "".join(f"    key <{name}> {{ [ {letter} ] }};\n" for name, letter in zip(spare, LETTERS))
    subprocess.run(["xkbcomp", "-w", "0", "-", display], input=keymap[:end] + keys + keymap[end:],
                   text=True, check=True, capture_output=True)


def stop_pid(pid):
    try:
        os.kill(pid, signal.SIGTERM)
    except ProcessLookupError:
        return
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        try:
            # Our child when started here, else somebody else's: poll either way.
            if os.waitpid(pid, os.WNOHANG)[0] == pid:
                return
        except ChildProcessError:
            pass
        try:
            os.kill(pid, 0)
            # Ended but not yet reaped by whoever inherited it.
            with open(f"/proc/{pid}/stat") as f:
                if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                    return
        except (ProcessLookupError, FileNotFoundError):
            return
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)


def xvfb_start(state):
    if os.environ.get("DISPLAY"):
        with open(state, "w") as f:
            f.write("inherit\n")
        print(f"using DISPLAY {os.environ['DISPLAY']}")
        return
    display, pid = start_xvfb(3600)
    with open(state, "w") as f:
        f.write(f"{display} {pid}\n")
    print(f"Xvfb {display} (pid {pid})")


def xvfb_stop(state):
    try:
        with open(state) as f:
            fields = f.read().split()
    except FileNotFoundError:
        print("no shared Xvfb")
        return
    os.remove(state)
    if len(fields) == 2:
        stop_pid(int(fields[1]))
        print(f"stopped Xvfb {fields[0]}")


def shared_display(state):
    """The display of a live shared Xvfb, or None."""
    if not state:
        return None
    try:
        with open(state) as f:
            fields = f.read().split()
        if len(fields) == 2:
            os.kill(int(fields[1]), 0)
            return fields[0]
    except (FileNotFoundError, ProcessLookupError, ValueError):
        pass
    return None


# ---------------------------------------------------------------------------
# The screen


class Shot:
    """A PPM picture (a screenshot, a preview) as RGB bytes."""

    def __init__(self, data):
        fields, at = [], 0
        while len(fields) < 4:
            while data[at:at + 1].isspace():
                at += 1
            if data[at:at + 1] == b"#":
                at = data.index(b"\n", at)
                continue
            end = at
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[at:end])
            at = end
        if fields[0] != b"P6" or fields[3] != b"255":
            raise Failure(f"unexpected screenshot format {fields}")
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[at + 1:]

    def pixel(self, x, y):
        at = 3 * (y * self.width + x)
        return tuple(self.pixels[at:at + 3])

    def area(self, x, y, w, h):
        rows = []
        for row in range(y, y + h):
            at = 3 * (row * self.width + x)
            rows.append(self.pixels[at:at + 3 * w])
        return b"".join(rows)


def grab():
    """The whole screen (import -window root)."""
    result = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"],
                            capture_output=True, timeout=30)
    if result.returncode != 0:
        raise Failure(f"import failed: {result.stderr.decode(errors='replace').strip()}")
    return Shot(result.stdout)


def near(got, want, tolerance):
    return all(abs(a - b) <= tolerance for a, b in zip(got, want))


def changed_pixels(png, other, area):
    """How many pixels of area (x, y, w, h) differ between two PNGs of one size."""
    x, y, w, h = area
    one, two = (Shot(subprocess.run(["convert", "png:-", "-depth", "8", "ppm:-"], input=data,
                                    capture_output=True, timeout=30, check=True).stdout
                     ).area(x, y, w, h) for data in (png, other))
    return sum(one[i:i + 3] != two[i:i + 3] for i in range(0, len(one), 3))


AXE = os.path.join(os.path.dirname(os.path.realpath(__file__)), "node_modules", "axe-core",
                   "axe.min.js")


def axe_violations(driver):
    """axe-core's audit of the driver's page at WCAG 2.2 AA: its violations as sorted (rule,
    element) pairs. axe-core comes pinned from tests/package.json (scripts/bootstrap)."""
    if not os.path.exists(AXE):
        reason = f"{AXE} is missing: scripts/bootstrap installs it (npm ci in tests/)"
        raise Failure(reason) if os.environ.get("CI", "false") not in ("", "false") else \
            Missing(reason)
    with open(AXE, encoding="utf-8") as f:
        driver.execute_script(f.read())
    return sorted(map(tuple, driver.execute_script(
        "return axe.run(document, { runOnly: ['wcag2a', 'wcag2aa', 'wcag21aa', 'wcag22aa'] })"
        ".then((r) => r.violations.flatMap((v) => v.nodes.map((n) => [v.id, n.target.join(' ')])))"
    )))


def pixels_at(png, spots):
    """RGB of the PNG's pixels at spots, read by ImageMagick."""
    if not shutil.which("convert"):
        raise Missing("ImageMagick's convert is needed to read the screenshots")
    format_ = " ".join(f"%[fx:int(255*p{{{x},{y}}}.r)],%[fx:int(255*p{{{x},{y}}}.g)],"
                       f"%[fx:int(255*p{{{x},{y}}}.b)]" for x, y in spots)
    out = subprocess.run(["convert", "png:-", "-format", format_, "info:"], input=png,
                         capture_output=True, timeout=30, check=True).stdout.decode()
    return [tuple(int(v) for v in spot.split(",")) for spot in out.split()]


def browser_memory(root):
    """The resident memory of the browser that root (its driver) started, and of
    its page processes alone (Chromium's renderers, WebKit's web processes), in MB."""
    parents, total, pages = {}, 0, 0
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat", encoding="ascii", errors="replace") as f:
                parents[int(pid)] = int(f.read().rsplit(")", 1)[1].split()[1])
        except (OSError, IndexError, ValueError):
            continue
    for pid in parents:
        ancestor = pid
        while ancestor not in (root, 0, 1) and ancestor in parents:
            ancestor = parents[ancestor]
        if ancestor != root or pid == root:
            continue
        try:
            with open(f"/proc/{pid}/status", encoding="ascii") as f:
                resident = next(int(line.split()[1]) for line in f if line.startswith("VmRSS"))
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                page = re.search(rb"--type=renderer|WebKitWebProcess", f.read()) is not None
        except (OSError, StopIteration):
            continue
        total += resident
        pages += resident if page else 0
    return total / 1024, pages / 1024


def load_script(path, name):
    """Another end-to-end script as a module, to drive its pages its own way."""
    import importlib.machinery
    import importlib.util
    loader = importlib.machinery.SourceFileLoader(name, path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader(name, loader))
    loader.exec_module(module)
    return module


CHECK_LINE = re.compile(r"^[^:]*(?::\d+(?::\d+)?)?: (error|warning|info): (?:([\w\[\].]+): )?(.*)$")


def check_problems(output):
    """`brivel check`'s problems as sorted (field, severity, message) triples."""
    found = []
    for line in output.splitlines():
        match = CHECK_LINE.match(line)
        if match:
            found.append((match.group(2) or "", match.group(1), match.group(3)))
    return sorted(found)


# ---------------------------------------------------------------------------
# Firefox, driven through its own Marionette protocol: Debian packages no
# geckodriver. What the scripts use of a selenium driver, and no more.

ELEMENT = "element-6066-11e4-a52e-4f735466cecf"  # the W3C WebDriver element key


class MarionetteElement:
    def __init__(self, driver, ref):
        self.driver, self.ref = driver, ref

    def _id(self):
        return self.ref[ELEMENT]

    def send_keys(self, *keys):
        self.driver.command("WebDriver:ElementSendKeys", id=self._id(), text="".join(keys))

    def click(self):
        self.driver.command("WebDriver:ElementClick", id=self._id())

    def clear(self):
        self.driver.command("WebDriver:ElementClear", id=self._id())

    @property
    def text(self):
        return self.driver.command("WebDriver:GetElementText", id=self._id())

    @property
    def tag_name(self):
        return self.driver.command("WebDriver:GetElementTagName", id=self._id())

    def get_attribute(self, name):
        value = self.driver.command("WebDriver:GetElementProperty", id=self._id(), name=name)
        if value is None:
            value = self.driver.command("WebDriver:GetElementAttribute", id=self._id(), name=name)
        return None if value is None else str(value)

    def get_dom_attribute(self, name):
        return self.driver.command("WebDriver:GetElementAttribute", id=self._id(), name=name)

    def is_displayed(self):
        return self.driver.command("WebDriver:IsElementDisplayed", id=self._id())

    def is_selected(self):
        return self.driver.command("WebDriver:IsElementSelected", id=self._id())

    def is_enabled(self):
        return self.driver.command("WebDriver:IsElementEnabled", id=self._id())

    def find_element(self, by, value):
        return self.driver.find_element(by, value, self)

    def find_elements(self, by, value):
        return self.driver.find_elements(by, value, self)


class MarionetteDriver:
    """Firefox, headless, in a profile of its own that downloads into downloads."""

    def __init__(self, firefox, profile, downloads, size, error):
        os.makedirs(profile, exist_ok=True)
        prefs = {"marionette.port": 0, "browser.download.folderList": 2,
                 "browser.download.dir": downloads, "browser.download.useDownloadDir": True,
                 "browser.download.always_ask_before_handling_new_types": False,
                 "browser.shell.checkDefaultBrowser": False}
        with open(os.path.join(profile, "user.js"), "w", encoding="utf-8") as f:
            for name, value in prefs.items():
                f.write(f"user_pref({json.dumps(name)}, {json.dumps(value)});\n")
        port_file = os.path.join(profile, "MarionetteActivePort")
        if os.path.exists(port_file):
            os.remove(port_file)
        self.error = error
        self.process = subprocess.Popen(
            [firefox, "--headless", "--marionette", "--no-remote", "--profile", profile,
             f"--window-size={size[0]},{size[1]}"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        self.service = types.SimpleNamespace(process=self.process)  # as selenium's drivers
        deadline = time.monotonic() + 60
        while not (os.path.exists(port_file) and open(port_file, encoding="ascii").read()):
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.process.kill()
                raise error("Firefox opened no Marionette port within 60 s")
            time.sleep(0.05)
        with open(port_file, encoding="ascii") as f:
            self.socket = socket.create_connection(("127.0.0.1", int(f.read())), timeout=300)
        self.received, self.serial = b"", 0
        self._message()  # the server's greeting
        self.command("WebDriver:NewSession", capabilities={})

    def _message(self):
        while b":" not in self.received:
            self._receive()
        length, self.received = self.received.split(b":", 1)
        while len(self.received) < int(length):
            self._receive()
        body, self.received = self.received[:int(length)], self.received[int(length):]
        return json.loads(body)

    def _receive(self):
        data = self.socket.recv(1 << 16)
        if not data:
            raise self.error("Firefox closed its Marionette connection")
        self.received += data

    def command(self, command, **params):
        self.serial += 1
        data = json.dumps([0, self.serial, command, params]).encode()
        self.socket.sendall(str(len(data)).encode() + b":" + data)
        while True:
            kind, serial, error, result = self._message()
            if kind == 1 and serial == self.serial:
                if error:
                    raise self.error(f"{command}: {error.get('error')}: {error.get('message')}")
                return result["value"] if isinstance(result, dict) and "value" in result \
                    else result

    def _wrap(self, value):
        if isinstance(value, dict) and ELEMENT in value:
            return MarionetteElement(self, value)
        if isinstance(value, list):
            return [self._wrap(v) for v in value]
        return value

    def get(self, url):
        self.command("WebDriver:Navigate", url=url)

    @property
    def current_url(self):
        return self.command("WebDriver:GetCurrentURL")

    def execute_script(self, script, *args):
        # As chromedriver does: the body may await; its promise is waited for.
        args = [a.ref if isinstance(a, MarionetteElement) else a for a in args]
        return self._wrap(self.command(
            "WebDriver:ExecuteScript", script=f"return (async function() {{ {script} }})"
            ".apply(null, arguments);", args=args))

    def find_element(self, by, value, within=None):
        found = self.find_elements(by, value, within)
        if not found:
            raise self.error(f"no element {value}")
        return found[0]

    def find_elements(self, by, value, within=None):
        using, value = ("css selector", f"#{value}") if by == "id" else (by, value)
        params = {"using": using, "value": value}
        if within is not None:
            params["element"] = within._id()
        return self._wrap(self.command("WebDriver:FindElements", **params))

    def set_window_size(self, width, height):
        self.command("WebDriver:SetWindowRect", width=width, height=height)

    def get_screenshot_as_png(self):
        return base64.b64decode(self.command("WebDriver:TakeScreenshot", full=False))

    def save_screenshot(self, path):
        with open(path, "wb") as f:
            f.write(self.get_screenshot_as_png())

    @property
    def current_window_handle(self):
        return self.command("WebDriver:GetWindowHandle")

    @property
    def switch_to(self):
        return self

    def close(self):
        self.command("WebDriver:CloseWindow")

    def new_window(self, kind):
        self.window(self.command("WebDriver:NewWindow", type=kind)["handle"])

    def window(self, handle):
        self.command("WebDriver:SwitchToWindow", handle=handle)

    def quit(self):
        try:
            self.command("Marionette:Quit")
        except (OSError, self.error):  # it may be gone already
            pass
        try:
            self.process.wait(20)
        except subprocess.TimeoutExpired:
            self.process.kill()
