"""A headless Chromium driven over the DevTools protocol on a pipe (no
network port): start it, evaluate JavaScript in a blank page, stop it."""
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time


class BrowserUnavailable(Exception):
    pass


class Browser:
    name = "chromium"
    FLAGS = ["--headless", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--autoplay-policy=no-user-gesture-required", "--remote-debugging-pipe"]

    def __init__(self, executable="chromium"):
        path = shutil.which(executable)
        if path is None:
            raise BrowserUnavailable(executable + " is not installed")
        self.profile = tempfile.mkdtemp(prefix="lumarind-chromium-")
        to_browser_read, self.to_browser = os.pipe()
        self.from_browser, from_browser_write = os.pipe()

        def wire_pipes():
            # The protocol's pipe is fd 3 for commands and fd 4 for replies;
            # both are moved out of the way first so that neither overwrites
            # the other.
            commands = fcntl.fcntl(to_browser_read, fcntl.F_DUPFD, 10)
            replies = fcntl.fcntl(from_browser_write, fcntl.F_DUPFD, 10)
            os.dup2(commands, 3)
            os.dup2(replies, 4)

        flags = list(self.FLAGS)
        if os.geteuid() == 0:
            flags.append("--no-sandbox")
        self.process = subprocess.Popen(
            [path, *flags, "--user-data-dir=" + self.profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=wire_pipes, pass_fds=(3, 4))
        os.close(to_browser_read)
        os.close(from_browser_write)
        self.pending = b""
        self.events = []
        self.next_id = 0
        try:
            target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
            self.session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        except (OSError, BrowserUnavailable) as error:
            self.close()
            raise BrowserUnavailable("chromium did not start: %s" % error)

    def call(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_browser, json.dumps(message).encode() + b"\0")
        while True:
            reply = self._receive()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise BrowserUnavailable("%s: %s" % (method, reply["error"]))
                return reply["result"]
            if "method" in reply:
                self.events.append(reply)

    def _wait_for_event(self, method, session, accept=lambda params: True, seconds=None):
        """The parameters of the first such event, kept or still to come;
        None when none comes within seconds."""
        deadline = time.monotonic() + seconds if seconds else None
        while True:
            for message in self.events:
                if message.get("method") == method and message.get("sessionId") == session and accept(
                        message.get("params")):
                    self.events.remove(message)
                    return message.get("params")
            message = self._receive(deadline)
            if message is None:
                return None
            self.events.append(message)

    def _receive(self, deadline=None):
        while b"\0" not in self.pending:
            if deadline is not None:
                ready, _, _ = select.select([self.from_browser], [], [], max(0, deadline - time.monotonic()))
                if not ready:
                    return None
            chunk = os.read(self.from_browser, 1 << 20)
            if not chunk:
                raise BrowserUnavailable("chromium closed its pipe")
            self.pending += chunk
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def evaluate(self, expression):
        """The value of a JavaScript expression, awaited when it is a promise."""
        result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                "returnByValue": True}, self.session)
        if "exceptionDetails" in result:
            raise RuntimeError(json.dumps(result["exceptionDetails"])[:2000])
        return result["result"].get("value")

    def page_text(self, url, expression):
        """The value of an expression in a new top-level page opened at url."""
        target = self.call("Target.createTarget", {"url": "about:blank"})["targetId"]
        try:
            session = self.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
            self.call("Page.enable", {}, session)
            self.call("Page.navigate", {"url": url}, session)
            self._wait_for_event("Page.loadEventFired", session)
            result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                    "returnByValue": True}, session)
            return result["result"].get("value")
        finally:
            self.call("Target.closeTarget", {"targetId": target})

    def download(self, snippet, folder, seconds=120):
        """Clicks the link an HTML snippet makes, letting downloads go to
        folder: "completed", "canceled" or None when neither within seconds."""
        self.events.clear()
        self.call("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": folder, "eventsEnabled": True})
        self.evaluate("(() => { const t = document.createElement('template'); t.innerHTML = %s; "
                      "const link = t.content.firstChild; document.body.appendChild(link); link.click(); "
                      "link.remove(); })()" % json.dumps(snippet))
        done = self._wait_for_event("Browser.downloadProgress", None,
                                    lambda params: params.get("state") in ("completed", "canceled"), seconds)
        return done and done["state"]

    def close(self):
        try:
            os.write(self.to_browser, json.dumps({"id": 0, "method": "Browser.close"}).encode() + b"\0")
        except OSError:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        for fd in (self.to_browser, self.from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        shutil.rmtree(self.profile, ignore_errors=True)
