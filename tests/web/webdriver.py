"""WebKit (WebKitGTK's MiniBrowser) driven by WebKitWebDriver over plain
WebDriver HTTP calls on a local port: start it, evaluate JavaScript in a
blank page, stop it. WebKitGTK needs an X display: without one, a private
Xvfb is started for it."""
import json
import os
import shutil
import socket
import subprocess
import tempfile
import time
import urllib.error
import urllib.request

from devtools import BrowserUnavailable

MINIBROWSER = "/usr/lib/%s/webkit2gtk-4.1/MiniBrowser"
RUN = """const done = arguments[arguments.length - 1];
Promise.resolve().then(() => (0, eval)(arguments[0]))
  .then((value) => done({value}), (error) => done({error: String(error) + " " + String(error && error.stack || "")}));"""


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def multiarch():
    try:
        return subprocess.run(["dpkg-architecture", "-qDEB_HOST_MULTIARCH"], capture_output=True,
                              text=True).stdout.strip() or "x86_64-linux-gnu"
    except OSError:
        return "x86_64-linux-gnu"


class WebKit:
    name = "webkit"

    def __init__(self, executable="WebKitWebDriver"):
        driver = shutil.which(executable)
        browser = MINIBROWSER % multiarch()
        if driver is None:
            raise BrowserUnavailable(executable + " is not installed")
        if not os.access(browser, os.X_OK):
            raise BrowserUnavailable(browser + " is not installed")
        self.display = None
        self.driver = None
        self.session = None
        self.scratch = tempfile.mkdtemp(prefix="lumarind-webkit-")
        environment = dict(os.environ)
        try:
            if not environment.get("DISPLAY"):
                environment["DISPLAY"] = self._start_display()
            self.port = free_port()
            self.log = open(os.path.join(self.scratch, "driver.log"), "wb")
            self.driver = subprocess.Popen([driver, "--port=%d" % self.port], stdin=subprocess.DEVNULL,
                                           stdout=self.log, stderr=subprocess.STDOUT, env=environment)
            self._wait_for_driver()
            capabilities = {"webkitgtk:browserOptions": {"binary": browser, "args": ["--automation"]}}
            self.session = self._request("POST", "/session", {"capabilities": {"alwaysMatch": capabilities}})["sessionId"]
            self._request("POST", self._in_session("/timeouts"), {"script": 600000})
            self.home = self._request("GET", self._in_session("/window"))
        except (OSError, BrowserUnavailable, KeyError) as error:
            self.close()
            raise BrowserUnavailable("webkit did not start: %s" % error)

    def _start_display(self):
        xvfb = shutil.which("Xvfb")
        if xvfb is None:
            raise BrowserUnavailable("no X display and no Xvfb")
        read, write = os.pipe()
        self.display = subprocess.Popen([xvfb, "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-nolisten",
                                         "tcp"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise BrowserUnavailable("Xvfb did not start")
            number += chunk
        os.close(read)
        return ":" + number.decode().strip()

    def _wait_for_driver(self):
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            if self.driver.poll() is not None:
                raise BrowserUnavailable("WebKitWebDriver ended with status %d" % self.driver.returncode)
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return
            except OSError:
                time.sleep(0.1)
        raise BrowserUnavailable("WebKitWebDriver did not listen within 30 s")

    def _in_session(self, path):
        return "/session/%s%s" % (self.session, path)

    def _request(self, method, path, body=None):
        data = json.dumps(body).encode() if body is not None else None
        request = urllib.request.Request("http://127.0.0.1:%d%s" % (self.port, path), data=data, method=method,
                                         headers={"Content-Type": "application/json"})
        try:
            with urllib.request.urlopen(request, timeout=900) as response:
                return json.load(response)["value"]
        except urllib.error.HTTPError as error:
            raise BrowserUnavailable("%s %s: %s" % (method, path, error.read()[:500]))

    def evaluate(self, expression):
        """The value of a JavaScript expression, awaited when it is a promise."""
        result = self._request("POST", self._in_session("/execute/async"), {"script": RUN, "args": [expression]})
        if "error" in result:
            raise RuntimeError(result["error"][:2000])
        return result.get("value")

    def page_text(self, url, expression):
        """The value of an expression in a new top-level page opened at url."""
        handle = self._request("POST", self._in_session("/window/new"), {"type": "tab"})["handle"]
        try:
            self._request("POST", self._in_session("/window"), {"handle": handle})
            self._request("POST", self._in_session("/url"), {"url": url})
            return self._request("POST", self._in_session("/execute/sync"), {"script": "return " + expression,
                                                                             "args": []})
        finally:
            self._request("DELETE", self._in_session("/window"))
            self._request("POST", self._in_session("/window"), {"handle": self.home})

    def close(self):
        if self.session:
            try:
                self._request("DELETE", self._in_session(""))
            except (OSError, BrowserUnavailable):
                pass
        for process in (self.driver, self.display):
            if process is None:
                continue
            process.terminate()
            try:
                process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        if self.driver:
            self.log.close()
        shutil.rmtree(self.scratch, ignore_errors=True)
