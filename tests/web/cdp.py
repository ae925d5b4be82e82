# SPDX-License-Identifier: MIT
"""A small client of Chromium's DevTools protocol: starts Debian's headless
chromium, opens a page and sends it commands (python3-websocket)."""

import json
import os
import re
import select
import shutil
import subprocess
import tempfile
import time

import websocket


class CdpError(RuntimeError):
    pass


class Chromium:
    """A headless chromium with its own throw-away profile; a context manager."""

    def __init__(self, binary="/usr/bin/chromium", timeout=120):
        self.timeout = timeout
        self.profile = tempfile.mkdtemp(prefix="tonvell-chromium-")
        args = [binary, "--headless=new", "--no-sandbox", "--disable-gpu",
                "--no-first-run", "--no-default-browser-check", "--mute-audio",
                "--autoplay-policy=no-user-gesture-required",
                "--remote-debugging-port=0", "--user-data-dir=" + self.profile,
                "about:blank"]
        self.process = subprocess.Popen(args, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        url = self._devtools_url()
        self.socket = websocket.create_connection(url, timeout=timeout,
                                                  suppress_origin=True)
        self.next_id = 0
        self.events = []

    def _devtools_url(self):
        deadline = time.monotonic() + self.timeout
        seen = b""
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.process.stderr], [], [], 0.5)
            if ready:
                chunk = os.read(self.process.stderr.fileno(), 4096)
                if not chunk:
                    break
                seen += chunk
                found = re.search(rb"DevTools listening on (ws://\S+)", seen)
                if found:
                    return found.group(1).decode()
        self.close()
        raise CdpError("chromium did not start: " + seen.decode(errors="replace")[-2000:])

    def send(self, method, params=None, session=None, timeout=None):
        """Sends a command and returns its result; events met meanwhile are kept."""
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        self.socket.send(json.dumps(message))
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            self.socket.settimeout(max(0.1, deadline - time.monotonic()))
            try:
                reply = json.loads(self.socket.recv())
            except websocket.WebSocketTimeoutException:
                raise CdpError(method + ": no answer") from None
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise CdpError(method + ": " + json.dumps(reply["error"]))
                return reply.get("result", {})
            if "method" in reply:
                self.events.append(reply)

    def open_page(self, url):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget",
                            {"targetId": target, "flatten": True})["sessionId"]
        return Page(self, session, url)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Page:
    """One tab; evaluate() runs JavaScript in it and returns the value."""

    def __init__(self, browser, session, url):
        self.browser = browser
        self.session = session
        self.send("Page.enable")
        self.send("Runtime.enable")
        self.url = url

    def send(self, method, params=None, timeout=None):
        return self.browser.send(method, params, self.session, timeout)

    def add_init_script(self, source):
        """Runs source in every document before the page's own scripts."""
        self.send("Page.addScriptToEvaluateOnNewDocument", {"source": source})

    def load(self):
        self.send("Page.navigate", {"url": self.url})
        self.wait_for("window.tonvellPage && window.tonvellPage.ready")

    def evaluate(self, expression, timeout=None):
        result = self.send("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True, "userGesture": True}, timeout)
        if "exceptionDetails" in result:
            raise CdpError(expression[:200] + ": " + json.dumps(result["exceptionDetails"])[:2000])
        return result["result"].get("value")

    def wait_for(self, expression, timeout=None):
        deadline = time.monotonic() + (timeout or self.browser.timeout)
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.02)
        raise CdpError("timed out waiting for " + expression)

    def set_file(self, selector, path):
        root = self.send("DOM.getDocument")["root"]["nodeId"]
        node = self.send("DOM.querySelector", {"nodeId": root, "selector": selector})["nodeId"]
        self.send("DOM.setFileInputFiles", {"nodeId": node, "files": [path]})
