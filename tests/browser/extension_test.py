#!/usr/bin/python3
"""The extension in a real browser, with npzqk-host.exe registered for it the
way that browser finds hosts on Linux: a host manifest whose program is a
small wrapper that runs the host under Wine in the test prefix, where the
stub viewer stands for TarvikViewer. One table of scenarios, run the same in
Chromium and in Firefox:

    extension_test.py chromium|firefox EXTENSION_DIR HOST_EXE STUB_VIEWER OUTPUT_DIR

The Wine environment comes from the test's properties (WINEPREFIX, NPZQK_WINE,
NPZQK_WINE_STATE). Prints "N passed, N failed" last; exits non-zero on a failure."""
import asyncio
import base64
import functools
import http.server
import json
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import zipfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
from extension_ids import extension_ids  # noqa: E402

BROWSER, EXTENSION, HOST_EXE, STUB_VIEWER, OUTPUT = sys.argv[1:6]
CHROMIUM_ID, FIREFOX_ID = extension_ids(os.path.join(EXTENSION, "manifest.json"))
HOST_NAME = "com.quendrix.npzqk"
WORK = tempfile.mkdtemp(prefix=f"npzqk-{BROWSER}-")
RECORD = os.path.join(WORK, "viewer-record")
HOST_LOG = os.path.join(WORK, "host-starts")
DOWNLOADS = os.path.join(WORK, "downloads")
HOSTILE_UID = '7 "C:\\evil.zqk" /print'

# The pages, served on two origins: 127.0.0.1 is allowed by the
# administrator's policy, localhost is not. The documents are files *.zqk.
PAGES = {
    "embed.html": "<embed type='application/x-zqk' src='book.zqk' UID='42'>"
                  "<embed type='Application/X-ZQK; q=1' src='book.zqk' uid='42'>"
                  "<object data='/book.zqk' type='application/x-zqk-v2'><param name='UID' value='42'></object>",
    "late.html": "<script>setTimeout(() => { const e = document.createElement('embed');"
                 " e.src = 'sub/late.zqk'; e.setAttribute('UID', 'late'); document.body.append(e); }, 300);</script>",
    "hostile.html": f"<embed src='other.zqk' UID='{HOSTILE_UID}'>",
    "schemes.html": "<embed type='application/x-zqk' src='file:///C:/book.zqk' UID='1'>"
                    "<embed type='application/x-zqk' src='javascript:alert(1)//.zqk' UID='2'>"
                    "<object type='application/x-zqk' data='data:application/x-zqk,abc'></object>",
    "full.html": "<a href='/full.zqk'>the book</a> <a id='apart' href='/apart.zqk' target='_blank'>in a tab</a>",
}


def serve():
    site = os.path.join(WORK, "site")
    for name, body in [*PAGES.items(), *((name, "ZQK") for name in ("book.zqk", "sub/late.zqk", "other.zqk",
                                                                      "full.zqk", "apart.zqk"))]:
        os.makedirs(os.path.dirname(os.path.join(site, name)), exist_ok=True)
        with open(os.path.join(site, name), "w") as f:
            f.write(f"<!DOCTYPE html><title>zqk</title><p>A page with a zqk document.</p>{body}" if ".html" in name
                    else body)
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=site)
    handler.func.extensions_map = {**handler.func.extensions_map, ".zqk": "application/x-zqk"}
    handler.func.log_message = lambda *arguments: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def display():
    with open(os.path.join(os.environ["NPZQK_WINE_STATE"], "display")) as f:
        return f.read().strip()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def register_viewer(present):
    key = "HKLM\\SOFTWARE\\Quendrix\\Shared"
    change = ["add", key, "/v", "ActiveXViewer", "/d", windows_path(STUB_VIEWER)] if present else ["delete", key]
    subprocess.run([os.environ["NPZQK_WINE"], "reg.exe", *change, "/f"], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, env=dict(os.environ, DISPLAY=display()), check=present)


def host_wrapper():
    """The program the host manifest names: the host under Wine in the test prefix."""
    wrapper = os.path.join(WORK, "npzqk-host.sh")
    variables = {name: os.environ[name] for name in ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES")}
    variables.update(DISPLAY=display(), NPZQK_VIEWER_RECORD=windows_path(RECORD))
    exports = "".join(f"export {name}='{value}'\n" for name, value in variables.items())
    with open(wrapper, "w") as f:
        f.write(f"#!/bin/sh\necho started >> '{HOST_LOG}'\n{exports}"
                f"exec '{os.environ['NPZQK_WINE']}' '{windows_path(HOST_EXE)}' \"$@\"\n")
    os.chmod(wrapper, 0o755)
    return wrapper


def host_manifest(folder, allowed):
    os.makedirs(folder, exist_ok=True)
    manifest = {"name": HOST_NAME, "description": "NPZqk under Wine", "path": host_wrapper(), "type": "stdio",
                **allowed}
    with open(os.path.join(folder, HOST_NAME + ".json"), "w") as f:
        json.dump(manifest, f)


def forget_viewer():
    if os.path.exists(RECORD):
        os.remove(RECORD)


def host_starts():
    if not os.path.exists(HOST_LOG):
        return 0
    with open(HOST_LOG) as f:
        return len(f.readlines())


def viewer_arguments(wait):
    """The arguments the stub viewer was started with, or None."""
    deadline = time.time() + wait
    while time.time() < deadline:
        if os.path.exists(RECORD):
            with open(RECORD, "rb") as f:
                pieces = f.read().split(b"\0")
            return [piece.decode("cp1252") for piece in pieces[2:-1]]
        time.sleep(0.1)
    return None


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# ---- Chromium, through chromedriver


UNDO = []  # what the run put on the machine, taken away last whatever happened


def policy_file(path, content):
    """An administrator's managed storage for the extension: machine-wide, so put back as it was."""
    saved = None
    if os.path.exists(path):
        with open(path, "rb") as f:
            saved = f.read()

    def restore():
        if saved is None:
            os.remove(path)
        else:
            with open(path, "wb") as f:
                f.write(saved)

    UNDO.append(restore)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        json.dump(content, f)


def start_chromium(allowed_site):
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    policy_file("/etc/chromium/policies/managed/npzqk-test.json",
                {"3rdparty": {"extensions": {CHROMIUM_ID: {"allowedSites": [allowed_site]}}}})
    profile = os.path.join(WORK, "profile")
    host_manifest(os.path.join(profile, "NativeMessagingHosts"),
                  {"allowed_origins": [f"chrome-extension://{CHROMIUM_ID}/"]})
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", f"--user-data-dir={profile}", f"--load-extension={EXTENSION}",
                     f"--disable-extensions-except={EXTENSION}", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--window-size=1000,600"):
        options.add_argument(argument)
    options.add_experimental_option("prefs", {"download.default_directory": DOWNLOADS,
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    def evaluate(expression):
        return driver.execute_script(f"return ({expression});")

    def click(expression):
        driver.execute_script(f"return ({expression});").click()  # a real click: the browser's own input events

    def quit():
        driver.quit()

    return {"open": driver.get, "evaluate": evaluate, "click": click, "tabs": lambda: len(driver.window_handles),
            "screenshot": driver.save_screenshot, "quit": quit}


# ---- Firefox, through its own WebDriver BiDi


class Bidi:
    def __init__(self, port):
        import websockets
        self.loop = asyncio.new_event_loop()
        asyncio.set_event_loop(self.loop)
        self.next_id = 0
        self.socket = self.run(websockets.connect(f"ws://127.0.0.1:{port}/session", max_size=2 ** 26))

    def run(self, coroutine):
        return self.loop.run_until_complete(coroutine)

    async def exchange(self, method, params):
        self.next_id += 1
        await self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params}))
        while True:
            message = json.loads(await self.socket.recv())
            if message.get("id") == self.next_id:
                if message.get("type") == "error":
                    raise RuntimeError(f"{method}: {message.get('error')}: {message.get('message')}")
                return message["result"]

    def send(self, method, **params):
        return self.run(self.exchange(method, params))


def start_firefox(allowed_site):
    home = os.path.join(WORK, "home")
    profile = os.path.join(WORK, "profile")
    os.makedirs(os.path.join(profile, "extensions"))
    host_manifest(os.path.join(home, ".mozilla", "native-messaging-hosts"), {"allowed_extensions": [FIREFOX_ID]})
    with zipfile.ZipFile(os.path.join(profile, "extensions", FIREFOX_ID + ".xpi"), "w") as xpi:
        for name in sorted(os.listdir(EXTENSION)):
            xpi.write(os.path.join(EXTENSION, name), name)
    prefs = {"xpinstall.signatures.required": False, "extensions.autoDisableScopes": 0,
             "extensions.enabledScopes": 15, "browser.download.dir": DOWNLOADS, "browser.download.folderList": 2,
             "browser.download.useDownloadDir": True, "browser.shell.checkDefaultBrowser": False,
             "datareporting.policy.dataSubmissionEnabled": False, "app.update.enabled": False,
             "browser.startup.homepage_override.mstone": "ignore", "network.proxy.type": 0}
    with open(os.path.join(profile, "user.js"), "w") as f:
        f.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in prefs.items())
    policy_file("/usr/lib/firefox-esr/distribution/policies.json",
                {"policies": {"3rdparty": {"Extensions": {FIREFOX_ID: {"allowedSites": [allowed_site]}}}}})
    port = free_port()
    process = subprocess.Popen(["firefox-esr", "--headless", "--no-remote", "--profile", profile,
                                f"--remote-debugging-port={port}", "--width=1000", "--height=600"],
                               env=dict(os.environ, HOME=home, MOZ_CRASHREPORTER_DISABLE="1"),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(150):
        try:
            bidi = Bidi(port)
            break
        except OSError:
            time.sleep(0.2)
    else:
        raise RuntimeError("Firefox opened no WebDriver BiDi port")
    bidi.send("session.new", capabilities={})
    context = bidi.send("browsingContext.getTree")["contexts"][0]["context"]

    def open_page(url):
        bidi.send("browsingContext.navigate", context=context, url=url, wait="complete")

    def evaluate(expression, serialize=True):
        result = bidi.send("script.evaluate", expression=f"({expression})", target={"context": context},
                           awaitPromise=False)
        value = result.get("result", {})
        return value.get("value") if serialize else value

    def click(expression):
        button = evaluate(expression, serialize=False)
        pointer = [{"type": "pointerMove", "x": 0, "y": 0, "origin": {"type": "element",
                                                                    "element": {"sharedId": button["sharedId"]}}},
                   {"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0}]
        bidi.send("input.performActions", context=context,
                  actions=[{"type": "pointer", "id": "mouse", "parameters": {"pointerType": "mouse"},
                            "actions": pointer}])

    def screenshot(path):
        with open(path, "wb") as f:
            f.write(base64.b64decode(bidi.send("browsingContext.captureScreenshot", context=context)["data"]))

    def quit():
        try:
            bidi.send("browser.close")
        except Exception:
            process.kill()
        process.wait(30)

    time.sleep(1)  # the add-on starts with the browser
    def tabs():
        return len(bidi.send("browsingContext.getTree", maxDepth=0)["contexts"])

    return {"open": open_page, "evaluate": evaluate, "click": click, "tabs": tabs, "screenshot": screenshot,
            "quit": quit}


BAR_BUTTON = ("[...(document.querySelector('npzqk-bar')?.shadowRoot?.querySelectorAll('button') ?? [])]"
              ".find((b) => b.textContent === %s)")
BAR_TEXT = ("[...(document.querySelector('npzqk-bar')?.shadowRoot?.querySelectorAll('.panel') ?? [])]"
            ".map((panel) => panel.innerText.replace(/\\s+/g, ' ')).join(' / ')")


# ---- The scenarios


def main():
    os.makedirs(OUTPUT, exist_ok=True)
    os.makedirs(DOWNLOADS, exist_ok=True)
    port = serve()
    allowed, other = f"http://127.0.0.1:{port}", f"http://localhost:{port}"
    register_viewer(True)
    UNDO.append(lambda: register_viewer(False))
    results = []

    def check(condition, what):
        results.append(bool(condition))
        if not condition:
            print(f"{BROWSER}: FAILED: {what}")
        return condition

    def visit(url):
        forget_viewer()
        before = host_starts()
        browser["open"](url)
        return before

    def expect_viewer(what, url, uid, before):
        arguments = viewer_arguments(15)
        print(f"{BROWSER}: {what}: the viewer got {arguments}")
        check(arguments == [url, "/UID=" + uid], f"{what}: the viewer got {arguments}")
        time.sleep(0.5)
        check(host_starts() == before + 1, f"{what}: {host_starts() - before} requests to the host")

    def expect_nothing(what, before, wait=3):
        print(f"{BROWSER}: {what}: the host was asked {host_starts() - before} times")
        check(viewer_arguments(wait) is None, f"{what}: the viewer was started")
        check(host_starts() == before, f"{what}: {host_starts() - before} requests to the host")

    def bar_text(wait=10):
        deadline = time.time() + wait
        while time.time() < deadline:
            text = browser["evaluate"](BAR_TEXT)
            if text:
                return text
            time.sleep(0.2)
        return ""

    try:
        browser = (start_chromium if BROWSER == "chromium" else start_firefox)(allowed)
        UNDO.insert(0, browser["quit"])

        def full_page(what):
            before = visit(f"{allowed}/full.html")
            browser["evaluate"]("document.querySelector('a').click()")
            expect_viewer(what, f"{allowed}/full.zqk", "", before)
            check(os.listdir(DOWNLOADS) == [], f"{what}: saved {os.listdir(DOWNLOADS)}")
            check(browser["evaluate"]("location.pathname") == "/full.html",
                  f"{what}: the tab left the page it came from")
            forget_viewer()
            before = host_starts()
            browser["click"]("document.getElementById('apart')")
            expect_viewer(what + " in a tab of its own", f"{allowed}/apart.zqk", "", before)
            check(browser["tabs"]() == 1, f"{what}: {browser['tabs']()} tabs, the one opened for it still there")

        def not_allowed(what):
            before = visit(f"{other}/embed.html")
            text = bar_text()
            print(f"{BROWSER}: {what}: the bar says [{text}]")
            check(f"localhost:{port} wants to open a zqk document in TarvikViewer." in text, f"{what}: bar [{text}]")
            browser["screenshot"](os.path.join(OUTPUT, f"{BROWSER}-bar.png"))
            expect_nothing(what + ", before the click", before, wait=1)
            browser["click"](BAR_BUTTON % json.dumps("Open this time"))
            expect_viewer(what + ", after the click", f"{other}/book.zqk", "42", before)

        def viewer_missing(what):
            register_viewer(False)
            visit(f"{allowed}/hostile.html")
            bar_text(15)
            time.sleep(1.5)  # long enough for a second message, were there one
            text = bar_text()
            print(f"{BROWSER}: {what}: the bar says [{text}]")
            check(text.count("Application Not Installed 1") == 1 and
                  "Get TarvikViewer from http://www.quendrix.com/downloads/" in text, f"{what}: bar [{text}]")
            link = browser["evaluate"]("document.querySelector('npzqk-bar').shadowRoot.querySelector('a')?.href")
            check(link == "http://www.quendrix.com/downloads/", f"{what}: link {link}")
            register_viewer(True)

        scenarios = [
            ("embedded in an allowed site's page, three times over", lambda what: expect_viewer(
                what, f"{allowed}/book.zqk", "42", visit(f"{allowed}/embed.html"))),
            ("added by a script after the page loaded", lambda what: expect_viewer(
                what, f"{allowed}/sub/late.zqk", "late", visit(f"{allowed}/late.html"))),
            ("a hostile UID", lambda what: expect_viewer(
                what, f"{allowed}/other.zqk", HOSTILE_UID, visit(f"{allowed}/hostile.html"))),
            ("file:, javascript: and data: documents on an http page", lambda what: expect_nothing(
                what, visit(f"{allowed}/schemes.html"))),
            ("a full-page document", full_page),
            ("a site not yet allowed", not_allowed),
            ("the viewer missing", viewer_missing),
        ]

        for what, run in scenarios:
            run(what)
    finally:
        for undo in UNDO:
            undo()
        shutil.rmtree(WORK, ignore_errors=True)
    failed = results.count(False)
    print(f"{BROWSER}: {len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
