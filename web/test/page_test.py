#!/usr/bin/python3
"""The page in headless Chromium, checked against the desktop build.

    page_test.py WEB_BUILD NATIVE_BUILD DATA

1. Frames: index.html?at=...&step=... renders frames at a few times in every
   scene; each must equal demo-capture's raw frame byte for byte, and the
   canvas must show the last one (bit-replicated to 8-bit RGB).
2. Sound: the start button is clicked, the show plays; the sound the page's
   second CPU decoded in its first seconds must equal the machine's own
   Tremor's decode of the music. Meanwhile the frames per second and the
   pace of the show's clock against the audio context's are measured.
   Start-up's steps must have run one per animation frame, the canvas
   showing demo-capture's loading screen after the last. The full-screen
   button is pressed, and releasing Backspace then ends the show.
3. Nothing may appear on the page's console as an error.

The page is served on 127.0.0.1 by web/serve.py's server; the browser is
Debian's chromium-headless-shell (or chromium), driven through the DevTools
protocol with python3-websocket.
"""
import base64
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

import websocket

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
import serve  # noqa: E402

STEP_MS = 250
# A few times in every span of the timeline: the opening, feather,
# lighthouse, raindrops, clouds, cave, dragonfly, sky and the black close,
# on and off the step grid.
FRAME_TIMES = [1000, 3100, 5000, 20000, 41000, 44000, 55000, 63000, 66000, 75000, 90000,
               110000, 136000, 139000, 160000, 181000, 185000, 210000, 231000, 234000,
               240000, 245100, 248000, 250000]
SOUND_SECONDS = 3
SOUND_BYTES = SOUND_SECONDS * 44100 * 4
CLOCK_SECONDS = 8
# One frame late at either probe, at 20 frames a second or more.
CLOCK_AHEAD_MS = 60
CLOCK_BEHIND_MS = 300
FRAME_BYTES = 320 * 240 * 2
# The step that opens the screen, then the loading bar's 13.
START_UP_STEPS = 14
PAGE_TIMEOUT = 300


def fail(message):
    print("page test: FAILED: " + message)
    sys.exit(1)


def find_browser():
    for name in ("chromium-headless-shell", "chromium"):
        path = shutil.which(name)
        if path:
            return path
    fail("no chromium-headless-shell or chromium (scripts/install-deps.sh web installs it)")


class Browser:
    """One headless browser with one page, through the DevTools protocol."""

    def __init__(self, profile):
        self.process = subprocess.Popen(
            [find_browser(), "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", "--autoplay-policy=no-user-gesture-required",
             "--remote-debugging-port=0", "--user-data-dir=" + profile, "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(profile, "DevToolsActivePort")
        deadline = time.time() + 30
        while not os.path.exists(port_file) or os.path.getsize(port_file) == 0:
            if time.time() > deadline or self.process.poll() is not None:
                fail("the browser did not start")
            time.sleep(0.1)
        port = open(port_file).read().split()[0]
        with urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port) as answer:
            pages = [t for t in json.load(answer) if t["type"] == "page"]
        self.socket = websocket.create_connection(pages[0]["webSocketDebuggerUrl"], timeout=60)
        self.next_id = 0
        self.errors = []
        self.call("Runtime.enable")
        self.call("Log.enable")

    def close(self):
        self.socket.close()
        self.process.terminate()
        self.process.wait(timeout=30)

    def _note(self, message):
        method = message.get("method")
        params = message.get("params", {})
        if method == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
            self.errors.append(" ".join(str(a.get("value", a.get("description", "")))
                                        for a in params["args"]))
        elif method == "Runtime.exceptionThrown":
            details = params["exceptionDetails"]
            self.errors.append(details.get("exception", {}).get("description", details["text"]))
        elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
            self.errors.append(params["entry"]["text"])

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == self.next_id:
                if "error" in message:
                    fail("%s: %s" % (method, message["error"]))
                return message["result"]
            self._note(message)

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            fail("in the page: %s" % result["exceptionDetails"])
        return result["result"].get("value")

    def wait_for(self, expression, seconds, what):
        deadline = time.time() + seconds
        while not self.evaluate(expression):
            if time.time() > deadline:
                fail("timed out waiting for " + what)
            time.sleep(0.2)

    def open(self, url):
        self.call("Page.enable")
        self.call("Page.navigate", url=url)
        self.wait_for("location.href === %s && document.readyState === 'complete'"
                      % json.dumps(url), 60, "the page to load")


def base64_of(expression):
    """JavaScript for the base64 of a byte array, in pieces small enough for
    String.fromCharCode."""
    return ("(() => { const b = %s; let s = '';"
            " for (let i = 0; i < b.length; i += 32768)"
            "   s += String.fromCharCode.apply(null, b.subarray(i, i + 32768));"
            " return btoa(s); })()" % expression)


def canvas_of(frame):
    """The canvas's RGBA bytes for an RGB565 frame, each channel
    bit-replicated to 8 bits."""
    rgba = bytearray()
    for i in range(0, FRAME_BYTES, 2):
        p = frame[i] | frame[i + 1] << 8
        r, g, b = p >> 11, (p >> 5) & 63, p & 31
        rgba += bytes(((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2), 255))
    return bytes(rgba)


def check_frames(browser, base_url, native_build, data_dir, work):
    times = ",".join(str(t) for t in FRAME_TIMES)
    capture = os.path.join(work, "capture")
    subprocess.run([os.path.join(native_build, "demo-capture"), "--step", str(STEP_MS),
                    "--until", str(max(FRAME_TIMES)), "--at", times, "--raw", "--out", capture],
                   cwd=os.path.dirname(data_dir), check=True,
                   env=dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy"))
    began = time.time()
    browser.open("%s/index.html?at=%s&step=%d" % (base_url, times, STEP_MS))
    browser.wait_for("window.showFramesDone", PAGE_TIMEOUT, "the page's frames")
    took = time.time() - began
    for t in FRAME_TIMES:
        page = base64.b64decode(browser.evaluate(base64_of("window.showFrames[%d]" % t)))
        native = open(os.path.join(capture, "frame-%d.rgb565" % t), "rb").read()
        if len(page) != FRAME_BYTES or page != native:
            differing = sum(1 for i in range(0, min(len(page), len(native)), 2)
                            if page[i:i + 2] != native[i:i + 2])
            fail("frame at %d ms differs from demo-capture's (%d pixels)" % (t, differing))
    canvas = base64.b64decode(browser.evaluate(base64_of(
        "new Uint8Array(document.getElementById('canvas').getContext('2d')"
        ".getImageData(0, 0, 320, 240).data.buffer)")))
    last = open(os.path.join(capture, "frame-%d.rgb565" % FRAME_TIMES[-1]), "rb").read()
    if canvas != canvas_of(last):
        fail("the canvas does not show the last frame")
    print("page test: %d frames equal demo-capture's (%d frames rendered in %.1f s), "
          "the canvas shows the last" % (len(FRAME_TIMES), max(FRAME_TIMES) // STEP_MS, took))


def click(browser, element_id):
    box = browser.evaluate("(() => { const r = document.getElementById(%s)"
                           ".getBoundingClientRect(); return [r.x + r.width / 2,"
                           " r.y + r.height / 2]; })()" % json.dumps(element_id))
    for kind in ("mousePressed", "mouseReleased"):
        browser.call("Input.dispatchMouseEvent", type=kind, x=box[0], y=box[1], button="left",
                     clickCount=1)


def check_sound(browser, base_url, native_build, data_dir, work):
    browser.open("%s/index.html?keepsound=%d" % (base_url, SOUND_SECONDS))
    browser.wait_for("!document.getElementById('start').hidden", PAGE_TIMEOUT, "the start button")
    click(browser, "start")
    browser.wait_for("window.showSound.reduce((n, b) => n + b.length, 0) >= %d" % SOUND_BYTES,
                     60, "%d s of sound" % SOUND_SECONDS)
    # The show's clock against the audio context's, over a few seconds of
    # the playing show.
    probe = ("[window.showDemoTime, SDL.audioContext.currentTime * 1000,"
             " window.showFrameCount, performance.now()]")
    first = browser.evaluate(probe)
    time.sleep(CLOCK_SECONDS)
    last = browser.evaluate(probe)
    show_ms, audio_ms = last[0] - first[0], last[1] - first[1]
    fps = (last[2] - first[2]) * 1000 / (last[3] - first[3])
    print("page test: over %.1f s the show's clock advanced %d ms, the audio context %.0f ms;"
          " %.1f frames/s" % ((last[3] - first[3]) / 1000, show_ms, audio_ms, fps))
    # The clock never runs ahead of the sound; it falls behind the audio
    # context only where the browser let the sound run dry (it then waits
    # for the sound), which a busy machine may cause now and then.
    if show_ms > audio_ms + CLOCK_AHEAD_MS or show_ms < audio_ms - CLOCK_BEHIND_MS:
        fail("the show's clock does not follow the sound")
    page = base64.b64decode(browser.evaluate(base64_of(
        "(() => { const all = new Uint8Array(%d); let n = 0;"
        " for (const b of window.showSound) { all.set(b, n); n += b.length; }"
        " return all; })()" % SOUND_BYTES)))
    reference = subprocess.run([os.path.join(native_build, "web-sound-reference"),
                                os.path.join(data_dir, "warmer.ogg"), str(SOUND_BYTES)],
                               check=True, stdout=subprocess.PIPE).stdout
    if len(reference) != SOUND_BYTES or page != reference:
        fail("the page's first %d s of sound differ from Tremor's" % SOUND_SECONDS)
    if not any(reference):
        fail("the music's first seconds are silent: nothing was compared")
    print("page test: the first %d s of sound equal the machine's own Tremor's" % SOUND_SECONDS)
    # Start-up ran its steps one per animation frame after the click's (the
    # first frame after a click may carry the time of the frame before it),
    # and the canvas showed the loading screen demo-capture takes.
    steps = browser.evaluate("window.showStartUpSteps")
    if [s[0] for s in steps] != list(range(START_UP_STEPS)):
        fail("the page ran start-up's steps as %s" % [s[0] for s in steps])
    frame_times = [s[1] for s in steps[1:]]
    if frame_times != sorted(frame_times) or len(set(frame_times)) < START_UP_STEPS - 2:
        fail("start-up's steps shared animation frames: %s" % steps)
    subprocess.run([os.path.join(native_build, "demo-capture"), "--until", "0", "--at", "loading",
                    "--raw", "--out", os.path.join(work, "loading")],
                   cwd=os.path.dirname(data_dir), check=True,
                   env=dict(os.environ, SDL_VIDEODRIVER="dummy", SDL_AUDIODRIVER="dummy"))
    loading = open(os.path.join(work, "loading", "frame-loading.rgb565"), "rb").read()
    page = base64.b64decode(browser.evaluate(base64_of("window.showLoadingScreen")))
    if page != canvas_of(loading):
        fail("the canvas did not show demo-capture's loading screen")
    print("page test: start-up's %d steps ran over %d animation frames; the canvas showed the"
          " loading screen" % (START_UP_STEPS, len(set(frame_times)) + 1))
    # The full-screen button asks for full screen.
    click(browser, "fullscreen")
    browser.wait_for("document.fullscreenElement === document.getElementById('stage')", 10,
                     "the full-screen button")
    print("page test: the full-screen button made the page full screen")
    # Releasing Backspace ends the show, as on the desktop: shutdown runs
    # (the sound is stopped) and the page says so.
    for kind in ("keyDown", "keyUp"):
        browser.call("Input.dispatchKeyEvent", type=kind, key="Backspace", code="Backspace",
                     windowsVirtualKeyCode=8, nativeVirtualKeyCode=8)
    browser.wait_for("window.showEnded", 30, "Backspace to end the show")
    print("page test: Backspace ended the show")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    web_build, native_build, data_dir = (os.path.abspath(a) for a in sys.argv[1:])
    server = serve.make_server(web_build, 0)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    base_url = "http://127.0.0.1:%d" % server.server_address[1]
    with tempfile.TemporaryDirectory(prefix="page-test-") as work:
        browser = Browser(os.path.join(work, "profile"))
        try:
            check_frames(browser, base_url, native_build, data_dir, work)
            check_sound(browser, base_url, native_build, data_dir, work)
            if browser.errors:
                fail("the page's console reported errors:\n  " + "\n  ".join(browser.errors))
            print("page test: no errors on the page's console")
        finally:
            browser.close()
            server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
