"""A headless Firefox driven over Marionette, its own protocol, on a local
port that Firefox picks and writes into its profile: start it, evaluate
JavaScript in a blank page, stop it. No geckodriver is needed."""
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time

from devtools import BrowserUnavailable

PREFERENCES = {
    "marionette.port": 0,
    "browser.shell.checkDefaultBrowser": False,
    "browser.startup.homepage_override.mstone": "ignore",
    "datareporting.policy.dataSubmissionEnabled": False,
    "toolkit.telemetry.reportingpolicy.firstRun": False,
    "app.update.disabledForTesting": True,
    "media.autoplay.default": 0,
}

# Runs an expression in the page, awaiting a promise, and hands back its
# value or the error it threw.
RUN = """const done = arguments[arguments.length - 1];
Promise.resolve().then(() => (0, eval)(arguments[0]))
  .then((value) => done({value}), (error) => done({error: String(error) + " " + String(error && error.stack || "")}));"""


class Firefox:
    name = "firefox"

    def __init__(self, executable="firefox-esr"):
        path = shutil.which(executable) or shutil.which("firefox")
        if path is None:
            raise BrowserUnavailable(executable + " is not installed")
        self.profile = tempfile.mkdtemp(prefix="lumarind-firefox-")
        with open(os.path.join(self.profile, "user.js"), "w") as f:
            for name, value in PREFERENCES.items():
                f.write("user_pref(%s, %s);\n" % (json.dumps(name), json.dumps(value)))
        self.log = open(os.path.join(self.profile, "firefox.log"), "wb")
        self.process = subprocess.Popen(
            [path, "--headless", "--marionette", "--no-remote", "--profile", self.profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=self.log, stderr=subprocess.STDOUT)
        self.socket = None
        self.pending = b""
        self.next_id = 0
        try:
            self.socket = socket.create_connection(("127.0.0.1", self._port()), timeout=600)
            self._receive()  # the greeting
            self.call("WebDriver:NewSession", {"capabilities": {}})
            self.call("WebDriver:SetTimeouts", {"script": 600000})
            self.home = self.call("WebDriver:GetWindowHandle")
        except (OSError, BrowserUnavailable, ValueError) as error:
            self.close()
            raise BrowserUnavailable("firefox did not start: %s" % error)

    def _port(self):
        active = os.path.join(self.profile, "MarionetteActivePort")
        deadline = time.monotonic() + 60
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise BrowserUnavailable("firefox ended with status %d" % self.process.returncode)
            try:
                with open(active) as f:
                    text = f.read().strip()
                if text:
                    return int(text)
            except FileNotFoundError:
                pass
            time.sleep(0.1)
        raise BrowserUnavailable("firefox opened no Marionette port within 60 s")

    def _receive(self):
        while True:
            length, colon, rest = self.pending.partition(b":")
            if colon and len(rest) >= int(length):
                self.pending = rest[int(length):]
                return json.loads(rest[:int(length)])
            chunk = self.socket.recv(1 << 20)
            if not chunk:
                raise BrowserUnavailable("firefox closed its Marionette connection")
            self.pending += chunk

    def call(self, command, params=None):
        self.next_id += 1
        data = json.dumps([0, self.next_id, command, params or {}]).encode()
        self.socket.sendall(str(len(data)).encode() + b":" + data)
        while True:
            reply = self._receive()
            if reply[0] == 1 and reply[1] == self.next_id:
                if reply[2]:
                    raise BrowserUnavailable("%s: %s" % (command, reply[2].get("message")))
                result = reply[3]
                return result.get("value") if isinstance(result, dict) and "value" in result else result

    def evaluate(self, expression):
        """The value of a JavaScript expression, awaited when it is a promise."""
        result = self.call("WebDriver:ExecuteAsyncScript", {"script": RUN, "args": [expression]})
        if "error" in result:
            raise RuntimeError(result["error"][:2000])
        return result.get("value")

    def page_text(self, url, expression):
        """The value of an expression in a new top-level page opened at url."""
        handle = self.call("WebDriver:NewWindow", {"type": "tab"})["handle"]
        try:
            self.call("WebDriver:SwitchToWindow", {"handle": handle})
            self.call("WebDriver:Navigate", {"url": url})
            return self.call("WebDriver:ExecuteScript", {"script": "return " + expression, "args": []})
        finally:
            self.call("WebDriver:CloseWindow")
            self.call("WebDriver:SwitchToWindow", {"handle": self.home})

    def close(self):
        if self.socket:
            try:
                self.call("Marionette:Quit", {"flags": ["eForceQuit"]})
            except (OSError, BrowserUnavailable):
                pass
            self.socket.close()
        try:
            self.process.wait(timeout=20)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        self.log.close()
        shutil.rmtree(self.profile, ignore_errors=True)
