#!/usr/bin/python3
"""The extension in a real browser, with npzqk-host.exe registered for it the
way that browser finds hosts on Linux: a host manifest whose program is a
small wrapper that runs the host under Wine in the test prefix, where the
stub viewer stands for TarvikViewer. One table of scenarios, run the same in
Chromium and in Firefox:

    extension_test.py chromium|firefox EXTENSION_DIR HOST_EXE STUB_VIEWER OUTPUT_DIR [PACKED HOST_MANIFEST]

Given the extension packed for the browser (Chromium's CRX with updates.xml
beside it, or Firefox's XPI) and the release's host manifest for it, the
browser installs the package by the administrator's policy from this test's
server, and the host manifest is the release's own, its path pointed at the
wrapper; otherwise the browser loads the folder.

The Wine environment comes from the test's properties (WINEPREFIX, NPZQK_WINE,
NPZQK_WINE_STATE). Prints "N passed, N failed" last; exits non-zero on a failure."""
import base64
import functools
import http.server
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from extension_ids import extension_ids  # noqa: E402
import browsers  # noqa: E402

BROWSER, EXTENSION, HOST_EXE, STUB_VIEWER, OUTPUT = sys.argv[1:6]
PACKED, RELEASE_MANIFEST = sys.argv[6:8] if len(sys.argv) > 7 else (None, None)
CHROMIUM_ID, FIREFOX_ID = extension_ids(os.path.join(EXTENSION, "manifest.json"))
with open(os.path.join(EXTENSION, "manifest.json")) as manifest_file:
    VERSION = json.load(manifest_file)["version"]
if PACKED and BROWSER == "chromium":  # the organisation's key gives the packed extension's ID
    with open(os.path.join(os.path.dirname(PACKED), "updates.xml")) as f:
        CHROMIUM_ID = re.search(r"appid=[\"']([a-p]{32})[\"']", f.read()).group(1)
HOST_NAME = "com.quendrix.npzqk"
WORK = tempfile.mkdtemp(prefix=f"npzqk-{BROWSER}-")
RECORD = os.path.join(WORK, "viewer-record")
HOST_LOG = os.path.join(WORK, "host-starts")
DOWNLOADS = os.path.join(WORK, "downloads")
HOSTILE_UID = '7 "C:\\evil.zqk" /print'
FIREFOX_UUID = "3f1c2a6e-5b7d-4e8f-9a0b-1c2d3e4f5a6b"  # the extension's address in Firefox
PLACE_BUTTON_EXPRESSION = "document.querySelector('npzqk-document').shadowRoot.querySelector('button')"

REQUESTS = []  # the request lines the server answered, in order

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
    "untyped.html": "<embed src='book.zqk' UID='untyped'>",
    # Four documents, each to be found once: in a frame, an object's with its
    # fallback (not a document of its own), and two that become documents later.
    "variety.html": "<iframe src='framed.html' width='320' height='130'></iframe>"
                    "<object data='o.zqk' type='application/x-zqk'><param name='UID' value='param'>"
                    "<embed src='fallback.zqk' UID='fallback'></object>"
                    "<embed id='later' src='nothing.txt' UID='changed'><object id='retyped' data='r.bin' UID='retyped'>"
                    "</object><script>setTimeout(() => { document.getElementById('later').src = 'changed.zqk';"
                    " document.getElementById('retyped').type = 'application/x-zqk'; }, 300);</script>",
    "framed.html": "<embed type='application/x-zqk' src='framed.zqk' UID='framed'>",
    "probe.html": "<object id='probe'></object>",
    # A page of an allowed site with more documents than it may open at once,
    # and one that keeps pointing a frame at documents.
    "many.html": "".join(f"<embed src='many.zqk?{n}' UID='m{n}'>" for n in range(8)),
    "loop.html": "<iframe id='f'></iframe><script>let n = 0; const loop = setInterval(() => {"
                 " document.getElementById('f').src = '/loop.zqk?' + n; if (++n === 8) clearInterval(loop); }, 200);"
                 "</script>",
}
# Each way a page can hide where its navigation to a document came from: the
# page, and the action of the user's that sets it going, if any. Pages called
# header* are served with "Referrer-Policy: no-referrer", /go?to= redirects.
NO_REFERRER = "<meta name='referrer' content='no-referrer'>"
SOON = "<script>setTimeout(() => { %s }, 300);</script>"
HIDDEN = [
    ("a meta element", "meta.html", NO_REFERRER + SOON % "location.href = '/full.zqk';", None),
    ("a Referrer-Policy header", "header.html", SOON % "location.href = '/full.zqk';", None),
    ("a rel=noreferrer link the page clicks", "link.html",
     "<a id='go' rel='noreferrer' href='/full.zqk'>go</a>" + SOON % "document.getElementById('go').click();", None),
    ("a frame's referrerpolicy", "frame.html", "<iframe referrerpolicy='no-referrer' src='/full.zqk'></iframe>", None),
    ("a form it submits", "form.html", NO_REFERRER + "<form action='/full.zqk'></form>" + SOON
     % "document.forms[0].submit();", None),
    ("a window opened with noreferrer on the user's click", "opened.html",
     "<button id='go' onclick=\"window.open('/full.zqk', '_blank', 'noreferrer')\">Read</button>",
     "document.getElementById('go')"),
    ("a redirect through the allowed site", "redirect.html", NO_REFERRER + SOON
     % "location.href = `http://127.0.0.1:${location.port}/go?to=/full.zqk`;", None),
    # Pages called again* are answered once, then with a zqk document.
    ("a reload of the page the user went to", "again-reload.html", SOON % "location.reload();", None),
    ("a step back to the page the user went to", "again-back.html", SOON % "location.href = '/back.html';", None),
]
PAGES.update((page, body) for _, page, body, _ in HIDDEN)
PAGES["back.html"] = SOON % "history.back();"
# A page that points a frame at a document, and at three more when told to.
PAGES["pester.html"] = ("<iframe id='f' src='/pester.zqk'></iframe><script>function more() { let n = 0;"
                        " const loop = setInterval(() => { document.getElementById('f').src = '/pester.zqk?' + n;"
                        " if (++n === 3) clearInterval(loop); }, 500); }</script>")

# Pages that try to get themselves allowed, as a page author would: each
# waits for the document's place, then does its worst to it. What the user
# then does, with real input, is in ATTACKS below.
WHEN_PLACED = ("<embed src='book.zqk' UID='42'><script>function placed(then) { const wait = setInterval(() => {"
               " const host = document.querySelector('npzqk-document'); if (!host) return; clearInterval(wait);"
               " then(host, host.shadowRoot.querySelector('button'), host.shadowRoot.querySelector('button')"
               ".getBoundingClientRect()); }, 50); }\n"
               "function over(element, r, z) { Object.assign(element.style, {position: 'absolute', left: r.x + 'px',"
               " top: r.y + 'px', width: r.width + 'px', height: r.height + 'px', zIndex: z}); }\n")
PAGES.update({
    "faded.html": WHEN_PLACED + "placed((host, button, r) => { host.style.opacity = '0';"
                  " over(document.getElementById('bait'), r, -1); });</script><button id='bait'>Play video</button>",
    "relabelled.html": WHEN_PLACED + "placed((host, button) => { button.textContent = 'Not now'; });</script>",
    "focused.html": WHEN_PLACED + "placed((host, button) => button.focus());</script>"
                    "<form><input name='q' value='zqk'></form>",
    "covered.html": WHEN_PLACED + "placed((host, button, r) => { const fake = document.getElementById('fake');"
                    " fake.style.pointerEvents = 'none'; over(fake, r, 9); });</script>"
                    "<div id='fake' style='background:#fff'>127.0.0.1 wants to show notifications <b>Allow</b></div>",
    "game.html": WHEN_PLACED + "placed((host, button, r) => { const aim = document.getElementById('aim');"
                 " aim.style.pointerEvents = 'none'; over(aim, r, 9); });</script>"
                 "<div id='aim' style='background:red'>Click as fast as you can!</div>",
    "scripted.html": WHEN_PLACED + "placed((host, button) => { button.click();"
                     " button.dispatchEvent(new MouseEvent('click', {bubbles: true, composed: true}));"
                     " button.dispatchEvent(new KeyboardEvent('keydown', {key: 'Enter', bubbles: true}));"
                     " window.postMessage({kind: 'answer', choice: 'always'}, '*'); });</script>",
})
# Each attack against a site not allowed: the page above, what the user does
# on it (click an element, or press a key), and what the user's hurried hand
# does next in whatever then has the pointer or the keyboard; and where the
# user's action reaches the document's place, which only asks.
BOTH = ("chromium", "firefox")
ATTACKS = [
    ("made invisible over a 'Play video' button", "faded.html", ("click", "document.getElementById('bait')"), None,
     BOTH),
    ("relabelled 'Not now'", "relabelled.html", ("click", PLACE_BUTTON_EXPRESSION), None, BOTH),
    ("focused, Enter pressed in the page's form", "focused.html", ("activate", None), ("activate", None), BOTH),
    ("covered by a look-alike that lets clicks through", "covered.html", ("click", "document.getElementById('fake')"),
     None, BOTH),
    ("shown under a pointer that keeps clicking", "game.html", ("click", "document.getElementById('aim')"),
     ("click", "document.getElementById('always')"), BOTH),
    ("scripted clicks, keys and messages", "scripted.html", None, None, ()),
]
# The honest user of a site not allowed: with the keyboard alone or not, the
# answer, and what the document's place then says. "Always" comes last.
HONEST = [
    ("opened this time", False, "once", "Opened in TarvikViewer"),
    ("not now", False, "not-now", "Not opened"),
    ("always, from the keyboard alone", True, "always", "Opened in TarvikViewer"),
]


def serve():
    site = os.path.join(WORK, "site")
    for name, body in [*PAGES.items(), *((name, "ZQK") for name in ("book.zqk", "sub/late.zqk", "other.zqk",
                                                                      "full.zqk", "apart.zqk", "many.zqk",
                                                                      "loop.zqk", "pester.zqk"))]:
        os.makedirs(os.path.dirname(os.path.join(site, name)), exist_ok=True)
        with open(os.path.join(site, name), "w") as f:
            f.write(f"<!DOCTYPE html><title>zqk</title><p>A page with a zqk document.</p>{body}" if ".html" in name
                    else body)
    class Handler(http.server.SimpleHTTPRequestHandler):
        extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, ".zqk": "application/x-zqk"}

        def log_message(self, form, *arguments):
            REQUESTS.append(str(arguments[0]) if arguments else "")

        def end_headers(self):
            if self.path.startswith("/header"):
                self.send_header("Referrer-Policy", "no-referrer")
            if self.path.startswith("/again"):
                self.send_header("Cache-Control", "no-store")
            super().end_headers()

        def do_GET(self):
            if self.path.startswith("/again") and self.path in served:
                self.path = "/full.zqk"
            served.add(self.path)
            if not self.path.startswith("/go?to="):
                return super().do_GET()
            self.send_response(302)
            self.send_header("Location", self.path[len("/go?to="):])
            self.end_headers()

    served = set()
    handler = functools.partial(Handler, directory=site)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server.server_address[1]


def serve_packed(site):
    """The packed extension on this test's server, as an organisation hosts it:
    its address, and for Chromium the update manifest's, with the build's
    address for them replaced by this server's."""
    folder = os.path.join(WORK, "site", "packed")
    os.makedirs(folder, exist_ok=True)
    here = f"{site}/packed/"
    shutil.copy(PACKED, folder)
    if BROWSER == "chromium":
        with open(os.path.join(os.path.dirname(PACKED), "updates.xml")) as f:
            updates = re.sub(r"codebase=([\"'])[^\"']*/", r"codebase=\g<1>" + here, f.read())
        with open(os.path.join(folder, "updates.xml"), "w") as f:
            f.write(updates)
        return here + "updates.xml"
    return here + os.path.basename(PACKED)


def wait_for_extension(browser, site):
    """Until the extension is at work in new pages (it gives every <object> its
    animation) and, where the test can see it, has its administrator's sites."""
    deadline = time.time() + 90
    while time.time() < deadline:
        try:
            browser["open"](f"{site}/probe.html")
        except Exception as error:  # a page load that timed out: tried again
            print(f"{BROWSER}: the probe page did not load ({str(error).splitlines()[0]}); tried again")
            continue
        if browser["evaluate"]("getComputedStyle(document.getElementById('probe')).animationName") == "npzqk-found":
            break
        time.sleep(0.5)
    while time.time() < deadline:
        if browser.get("managed", lambda: [site])() == [site]:
            return True
        time.sleep(0.2)
    return False


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


def host_wrapper(answer=None):
    """The program the host manifest names: the host under Wine in the test prefix,
    or, with answer, a stand-in that reads the request, then gives that one
    reply (a program gone before the browser has written would be no answer)."""
    wrapper = os.path.join(WORK, "npzqk-host.sh")
    if answer is not None:
        body = json.dumps(answer).encode()
        with open(wrapper, "w") as f:
            f.write("#!/usr/bin/python3\nimport struct, sys\n"
                    "sys.stdin.buffer.read(struct.unpack('<I', sys.stdin.buffer.read(4))[0])\n"
                    f"sys.stdout.buffer.write({struct.pack('<I', len(body)) + body!r})\n")
        return wrapper
    variables = {name: os.environ[name] for name in ("WINEPREFIX", "WINEARCH", "WINEDEBUG", "WINEDLLOVERRIDES")}
    variables.update(DISPLAY=display(), NPZQK_VIEWER_RECORD=windows_path(RECORD))
    exports = "".join(f"export {name}='{value}'\n" for name, value in variables.items())
    with open(wrapper, "w") as f:
        f.write(f"#!/bin/sh\necho started >> '{HOST_LOG}'\n{exports}"
                f"exec '{os.environ['NPZQK_WINE']}' '{windows_path(HOST_EXE)}' \"$@\"\n")
    os.chmod(wrapper, 0o755)
    return wrapper


def host_manifest(folder, allowed):
    """The host manifest where the browser looks on Linux: the release's own when given."""
    os.makedirs(folder, exist_ok=True)
    manifest = {"name": HOST_NAME, "description": "NPZqk under Wine", "type": "stdio", **allowed}
    if RELEASE_MANIFEST:
        with open(RELEASE_MANIFEST) as f:
            manifest = json.load(f)
    manifest["path"] = host_wrapper()
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


# ---- Chromium, through chromedriver


UNDO = []  # what the run put on the machine, taken away last whatever happened


def policy_file(path, content):
    """An administrator's managed storage for the extension: machine-wide, so put back as it was."""
    if any(getattr(undo, "path", None) == path for undo in UNDO):  # already put back last
        with open(path, "w") as f:
            json.dump(content, f)
        return
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

    restore.path = path
    UNDO.append(restore)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as f:
        json.dump(content, f)


def managed(allowed_site):
    """The administrator's policy for the extension: the site allowed, and
    its pages' share raised from 4 to 6 documents at once."""
    return {"allowedSites": [allowed_site], "openAtOnce": {allowed_site: 6}}


def start_chromium(allowed_site, language=None):
    policy = {"3rdparty": {"extensions": {CHROMIUM_ID: managed(allowed_site)}}}
    if PACKED:
        policy["ExtensionInstallForcelist"] = [f"{CHROMIUM_ID};{serve_packed(allowed_site)}"]
        policy["DeveloperToolsAvailability"] = 1  # the test drives the extension's own pages, as before
    policy_file("/etc/chromium/policies/managed/npzqk-test.json", policy)
    profile = os.path.join(WORK, "profile-" + (language or "en"))
    host_manifest(os.path.join(profile, "NativeMessagingHosts"),
                  {"allowed_origins": [f"chrome-extension://{CHROMIUM_ID}/"]})
    driver = browsers.chromium(profile, None if PACKED else EXTENSION,
                               {"download.default_directory": DOWNLOADS, "download.prompt_for_download": False,
                                # the extension's bound on a page's starts, not the browser's own, is tested
                                "profile.default_content_setting_values.automatic_downloads": 1},
                               by_policy=bool(PACKED), language=language)
    # The page and the extension's question window, each driven through the
    # DevTools protocol: evaluation, and real input at a point of its own.
    address = driver.capabilities["goog:chromeOptions"]["debuggerAddress"]
    with urllib.request.urlopen(f"http://{address}/json/version") as reply:
        devtools = browsers.Rpc(json.load(reply)["webSocketDebuggerUrl"])
    sessions = {}

    def session(where):
        """A session on the page, the question window ("ask") or the extension's worker, or None."""
        if where == "page":
            target = driver.current_window_handle  # chromedriver's window handles are the targets' IDs
        else:
            kind, name = {"ask": ("page", "ask.html"), "worker": ("service_worker", "")}[where]
            found = [t["targetId"] for t in devtools.send("Target.getTargets")["targetInfos"]
                     if t["type"] == kind and t["url"].startswith(f"chrome-extension://{CHROMIUM_ID}/{name}")]
            if not found:
                return None
            target = found[0]
        if target not in sessions:
            sessions[target] = devtools.send("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]
        return sessions[target]

    def evaluate(expression, where="page"):
        patience = 3 if where == "ask" else 20
        where = session(where)
        if where is None:
            return None
        result = devtools.send("Runtime.evaluate", session=where, expression=f"({expression})",
                               returnByValue=True, awaitPromise=True, patience=patience)
        return result.get("result", {}).get("value")

    def click(expression, where="page", times=1, gap=0.0):
        x, y = evaluate(CENTRE % expression, where)
        for _ in range(times):
            for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
                devtools.send("Input.dispatchMouseEvent", session=session(where), type=kind, x=x, y=y,
                              button="left", clickCount=0 if kind == "mouseMoved" else 1,
                              patience=3 if where == "ask" else 20)
            time.sleep(gap)

    def press(key, where="page"):
        code, text = {"Enter": (13, "\r"), "Tab": (9, ""), "Escape": (27, "")}[key]
        patience = 3 if where == "ask" else 20  # the question's window may close on the key, and never answer
        devtools.send("Input.dispatchKeyEvent", session=session(where), type="keyDown", key=key, code=key,
                      windowsVirtualKeyCode=code, patience=patience, **({"text": text} if text else {}))
        try:
            devtools.send("Input.dispatchKeyEvent", session=session(where), type="keyUp", key=key, code=key,
                          windowsVirtualKeyCode=code, patience=patience)
        except RuntimeError:
            pass  # the key answered the question, whose window has closed

    def downloads():
        """The browser's own list of downloads, as the extension's background reads it."""
        return evaluate("chrome.downloads.search({}).then((all) => all.map((item) => item.url))", "worker")

    def load_aside(urls):
        for url in urls:
            devtools.send("Target.createTarget", url=url, background=True)

    def announced(where):
        """What a screen reader is told of the dialogs and buttons: (role, name) pairs."""
        nodes = devtools.send("Accessibility.getFullAXTree", session=session(where))["nodes"]
        return [(node["role"]["value"], node.get("name", {}).get("value")) for node in nodes
                if node.get("role", {}).get("value") in ("alertdialog", "button", "group")]

    def screenshot(path, where="page"):
        with open(path, "wb") as f:
            f.write(base64.b64decode(devtools.send("Page.captureScreenshot", session=session(where))["data"]))

    return {"open": driver.get, "evaluate": evaluate, "click": click, "press": press,
            "options": f"chrome-extension://{CHROMIUM_ID}/options.html",
            "activate": lambda where="page": press("Enter", where),
            "tabs": lambda: len(driver.window_handles), "screenshot": screenshot,
            "quit": lambda: (devtools.close(), driver.quit()),
            "downloads": downloads, "load_aside": load_aside, "announced": announced,
            "managed": lambda: evaluate("chrome.storage.managed.get('allowedSites')"
                                        ".then((policy) => policy.allowedSites)", "worker")}


# ---- Firefox, through its own WebDriver BiDi


def start_firefox(allowed_site, language=None):
    home = os.path.join(WORK, "home-" + (language or "en"))
    host_manifest(os.path.join(home, ".mozilla", "native-messaging-hosts"), {"allowed_extensions": [FIREFOX_ID]})
    policies = {"3rdparty": {"Extensions": {FIREFOX_ID: managed(allowed_site)}}}
    if PACKED:
        policies["ExtensionSettings"] = {FIREFOX_ID: {"installation_mode": "force_installed",
                                                      "install_url": serve_packed(allowed_site)}}
    policy_file("/usr/lib/firefox-esr/distribution/policies.json", {"policies": policies})
    process, bidi, context = browsers.firefox(
        os.path.join(WORK, "profile-" + (language or "en")), home, None if PACKED else EXTENSION, FIREFOX_ID,
        {"browser.download.dir": DOWNLOADS, "browser.download.folderList": 2, "browser.download.useDownloadDir": True,
         "extensions.webextensions.uuids": json.dumps({FIREFOX_ID: FIREFOX_UUID})}, language)

    def open_page(url):
        bidi.send("browsingContext.activate", context=context)  # in front, whatever tab the extension opened
        bidi.send("browsingContext.navigate", context=context, url=url, wait="complete")

    def target(where):
        if where == "page":
            return context
        found = [c["context"] for c in bidi.send("browsingContext.getTree", maxDepth=0)["contexts"]
                 if c["url"].startswith("moz-extension://") and f"/{where}.html" in c["url"]]
        return found[0] if found else None

    def evaluate(expression, where="page"):
        where = target(where)
        if where is None:
            return None
        result = bidi.send("script.evaluate", expression=f"({expression})", target={"context": where},
                           awaitPromise=True, serializationOptions={"maxObjectDepth": 2})
        value = result.get("result", {})
        if value.get("type") == "array":
            return [item.get("value") for item in value["value"]]
        return value.get("value")

    def perform(where, kind, actions):
        bidi.send("input.performActions", context=target(where),
                  actions=[{"type": kind, "id": kind, **({"parameters": {"pointerType": "mouse"}}
                                                         if kind == "pointer" else {}), "actions": actions}])

    def click(expression, where="page", times=1, gap=0.0):
        x, y = evaluate(CENTRE % expression, where)
        pointer = [{"type": "pointerMove", "x": round(x), "y": round(y), "origin": "viewport"}]
        for _ in range(times):
            pointer += [{"type": "pointerDown", "button": 0}, {"type": "pointerUp", "button": 0},
                        {"type": "pause", "duration": round(gap * 1000)}]
        perform(where, "pointer", pointer)

    def press(key, where="page"):
        value = {"Enter": "\ue006", "Tab": "\ue004", "Escape": "\ue00c"}[key]
        if where == "page":  # the keyboard goes to the window in front
            bidi.send("browsingContext.activate", context=context)
        perform(where, "key", [{"type": "keyDown", "value": value}, {"type": "keyUp", "value": value}])

    def load_aside(urls):
        for url in urls:
            made = bidi.send("browsingContext.create", type="tab", background=True)["context"]
            bidi.send("browsingContext.navigate", context=made, url=url, wait="none")

    def activate(where="page"):
        # Headless Firefox activates no button from the keyboard, not even a
        # page's own: the element that has the focus is clicked instead.
        click(FOCUSED, where)

    def screenshot(path, where="page"):
        with open(path, "wb") as f:
            f.write(base64.b64decode(bidi.send("browsingContext.captureScreenshot", context=target(where))["data"]))

    def quit():
        browsers.close_firefox(process, bidi)

    def tabs():
        return len(bidi.send("browsingContext.getTree", maxDepth=0)["contexts"])

    return {"open": open_page, "evaluate": evaluate, "click": click, "press": press, "activate": activate, "tabs": tabs,
            "options": f"moz-extension://{FIREFOX_UUID}/options.html",
            "screenshot": screenshot, "quit": quit, "load_aside": load_aside}


CENTRE = "((element) => { const r = element.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })(%s)"
# The first document's place on the page: its text, and its action.
PLACE = "document.querySelector('npzqk-document')?.shadowRoot"
PLACE_TEXT = "[...document.querySelectorAll('npzqk-document, npzqk-notice')].map((host) => host.shadowRoot.querySelector('.panel')?.innerText.replace(/\\s+/g, ' ')).join(' / ')"
PLACE_BUTTON = PLACE_BUTTON_EXPRESSION
# (Chromium counts an <embed> or <object> that shows an error page among the frames.)
EVERY_PLACE = ("[document, ...Array.from(frames, (frame) => { try { return frame.document; } catch { return null; } })]"
               ".filter(Boolean)"
               ".flatMap((page) => [...page.querySelectorAll('npzqk-document')])"
               ".map((host) => host.shadowRoot.querySelector('.panel').innerText.replace(/\\s+/g, ' '))")
QUESTION = "document.getElementById('question')?.textContent"
FOCUSED = ("(() => { let focused = document.activeElement;"
           " while (focused?.shadowRoot?.activeElement) focused = focused.shadowRoot.activeElement; return focused; })()")
ARMED = "!document.getElementById('once').disabled"
HELD_BUTTON = ("[...document.querySelectorAll('npzqk-document, npzqk-notice')].map((host) => host.shadowRoot)"
               ".find((root) => root.querySelector('.panel').innerText.includes('Held back')).querySelector('button')")


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
        try:
            browser["open"](url)
        except RuntimeError:
            pass  # the navigation became the viewer's, not a page's
        return before

    def expect_viewer(what, url, uid, before, unasked=False):
        arguments = viewer_arguments(15)
        print(f"{BROWSER}: {what}: the viewer got {arguments}")
        check(arguments == [url, "/UID=" + uid], f"{what}: the viewer got {arguments}")
        time.sleep(0.5)
        check(host_starts() == before + 1, f"{what}: {host_starts() - before} requests to the host")
        check(not unasked or question(1) is None, f"{what}: asked")

    def expect_nothing(what, before, wait=3):
        print(f"{BROWSER}: {what}: the host was asked {host_starts() - before} times")
        check(viewer_arguments(wait) is None, f"{what}: the viewer was started")
        check(host_starts() == before, f"{what}: {host_starts() - before} requests to the host")

    def place_text(wait=10, containing=""):
        deadline = time.time() + wait
        while True:
            text = browser["evaluate"](PLACE_TEXT) or ""
            if (text and containing in text) or time.time() > deadline:
                return text
            time.sleep(0.2)

    def question(wait=10):
        """The question window's text once it shows, or None."""
        deadline = time.time() + wait
        while time.time() < deadline:
            text = browser["evaluate"](QUESTION, "ask")
            if text:
                return text
            time.sleep(0.05)
        return None

    def expect_question(what, before, wanted=None):
        """The question shows, naming the site not allowed (or as wanted), and nothing has started."""
        text = question()
        print(f"{BROWSER}: {what}: the question says [{text}]")
        check(text == (wanted or f"localhost:{port} wants to open a zqk document in TarvikViewer."),
              f"{what}: asked [{text}]")
        expect_nothing(what + ", before the answer", before, wait=0.5)
        return text

    def armed():
        deadline = time.time() + 5
        while not browser["evaluate"](ARMED, "ask") and time.time() < deadline:
            time.sleep(0.1)

    def still_asked(what):
        """Another page of the same site: asked, not opened."""
        before = visit(f"{other}/embed.html")
        text = place_text(containing="asks you first")
        check(f"A zqk document from localhost:{port}" in text and "Open in TarvikViewer" in text,
              f"{what}: the next page says [{text}]")
        check(browser["evaluate"](QUESTION, "ask") is None, f"{what}: the question outlived its page")
        expect_nothing(what + ", the next page", before, wait=0.5)

    try:
        browser = (start_chromium if BROWSER == "chromium" else start_firefox)(allowed)
        UNDO.insert(0, browser["quit"])
        installed = wait_for_extension(browser, allowed)
        if PACKED:
            print(f"{BROWSER}: {os.path.basename(PACKED)} installed by the administrator's policy: {installed}")
        if not check(installed, "the extension " + (f"installed by policy from {os.path.basename(PACKED)}" if PACKED
                                                    else "loaded from its folder") + " is not at work"):
            return 1

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

        def found_once_each(what):
            before = visit(f"{allowed}/variety.html")
            deadline = time.time() + 20
            while host_starts() < before + 4 and time.time() < deadline:
                time.sleep(0.2)
            time.sleep(1.5)  # long enough for a fifth, were there one
            check(host_starts() == before + 4, f"{what}: {host_starts() - before} requests to the host, not 4")
            places = browser["evaluate"](EVERY_PLACE)
            print(f"{BROWSER}: {what}: {places}")
            check(len(places) == 4 and all("Opened in TarvikViewer" in text for text in places), f"{what}: {places}")

        def untyped_among_loads(what):
            browser["load_aside"]([f"{other}/untyped.html?{n}" for n in range(4)])
            seen = len(REQUESTS)
            expect_viewer(what, f"{allowed}/book.zqk", "untyped", visit(f"{allowed}/untyped.html"))
            time.sleep(1)
            fetched = [line for line in REQUESTS[seen:] if "book.zqk" in line]
            check(fetched == [], f"{what}: the browser fetched {fetched}, which can end as a download")
            check(os.listdir(DOWNLOADS) == [], f"{what}: saved {os.listdir(DOWNLOADS)}")
            if "downloads" in browser:
                check(browser["downloads"]() == [], f"{what}: listed as downloads {browser['downloads']()}")

        def attack(what, page, action, hurried, asks_in, tries=3):
            before = visit(f"{other}/{page}")
            place_text()
            time.sleep(0.3)  # the page's script has done its worst
            if action is not None:
                browser[action[0]](*action[1:] if action[1] else ())
            asked = question(3 if BROWSER in asks_in else 1) is not None
            check(asked == (BROWSER in asks_in), f"{what}: the question {'showed' if asked else 'did not show'}")
            if asked and hurried is not None and browser["evaluate"](ARMED, "ask") and tries > 1:
                print(f"{BROWSER}: {what}: the test's hand came after the question's delay; played again")
                return attack(what, page, action, hurried, asks_in, tries - 1)
            try:
                if asked and hurried is not None and hurried[0] == "click":
                    browser["click"](hurried[1], "ask", times=15, gap=0.15)
                elif asked and hurried is not None:
                    browser[hurried[0]]("ask")
            except (RuntimeError, TypeError) as error:  # its window closed: it took an answer
                check(False, f"{what}: the question went away under the user's hand ({error})")
            expect_nothing(what, before, wait=1.5)
            still_asked(what)

        def honest(what, keyboard, choice, shown):
            """Asked from the document's place, answered in the question's window."""
            before = visit(f"{other}/embed.html")
            text = place_text()
            print(f"{BROWSER}: {what}: the page says [{text}]")
            browser["screenshot"](os.path.join(OUTPUT, f"{BROWSER}-place.png"))
            if keyboard:
                browser["press"]("Tab")
                browser["activate"]()
            else:
                browser["click"](PLACE_BUTTON)
            text = expect_question(what, before)
            armed()
            browser["screenshot"](os.path.join(OUTPUT, f"{BROWSER}-question.png"), "ask")
            if "announced" in browser:
                heard = browser["announced"]("ask")
                check(heard[:1] == [("alertdialog", text)] and ("button", "Always open from this site") in heard,
                      f"{what}: a screen reader hears {heard}")
            if keyboard:  # the focus starts on the question; Tab goes through the buttons in order
                for _ in range(["once", "always", "not-now"].index(choice) + 1):
                    browser["press"]("Tab", "ask")
                browser["activate"]("ask")
            else:
                browser["click"](f"document.getElementById('{choice}')", "ask")
            if choice == "not-now":
                expect_nothing(what, before)
            else:
                expect_viewer(what, f"{other}/book.zqk", "42", before)
            text = place_text(containing=shown)
            check(shown in text, f"{what}: the page says [{text}]")
            if choice == "always":
                expect_viewer(what + ", the site's next page", f"{other}/sub/late.zqk", "late",
                              visit(f"{other}/late.html"))
            else:
                still_asked(what)

        def hidden(what, page, _body, action):
            """A site not allowed navigates to a document and hides where from: asked, naming it."""
            before = visit(f"{other}/{page}")
            if action is not None:
                browser["click"](action)
            expect_question(what, before)
            not_now()

        def not_now():
            try:
                browser["press"]("Escape", "ask")
            except (RuntimeError, TypeError):
                pass  # its window closed on the key
            gone = time.time() + 5
            while time.time() < gone:
                try:
                    if browser["evaluate"](QUESTION, "ask") is None:
                        break
                except RuntimeError:
                    break  # its window went as the test asked
                time.sleep(0.1)

        def pestered(what):
            """After its "Not now", a frame the page keeps navigating: no window, the notice counts, a click asks."""
            hidden(what, "pester.html", None, None)
            browser["evaluate"]("more()")
            asked = question(2.5)
            text = place_text(containing="3 more")
            print(f"{BROWSER}: {what}: the page says [{text}]")
            check(asked is None and "tried again after your “Not now”: 3 more zqk documents wait here." in text,
                  f"{what}: asked [{asked}], the page says [{text}]")
            browser["click"](f"[...document.querySelectorAll('npzqk-notice')].pop().shadowRoot.querySelector('button')")
            expect_question(what + ", its notice", host_starts(),
                            f"localhost:{port} wants to open 3 zqk documents in TarvikViewer.")
            not_now()

        def held_back(what, page, site, at_once):
            """The first of a page's eight documents open at once; one deliberate click opens the rest."""
            before = visit(f"{site}/{page}")
            deadline = time.time() + 20
            while host_starts() < before + at_once and time.time() < deadline:
                time.sleep(0.2)
            rest = 8 - at_once
            text = place_text(containing=f"Held back, with {rest - 1} more")
            print(f"{BROWSER}: {what}: {host_starts() - before} started, the page says [{text}]")
            check(host_starts() == before + at_once, f"{what}: {host_starts() - before} requests to the host")
            check(f"Held back, with {rest - 1} more" in text and f"Open all {rest} in TarvikViewer" in text,
                  f"{what}: [{text}]")
            browser["evaluate"](f"{HELD_BUTTON}.scrollIntoView()")
            time.sleep(1.2)  # a click within a moment of its showing would not count
            browser["click"](HELD_BUTTON)
            while host_starts() < before + 8 and time.time() < deadline + 20:
                time.sleep(0.2)
            check(host_starts() == before + 8, f"{what}: {host_starts() - before} requests after the click, not 8")
            time.sleep(1.5)  # the last viewers have started

        def in_german(what):
            """A browser of its own that speaks German and has allowed nothing: the place and the question."""
            nonlocal browser
            UNDO.remove(browser["quit"])
            browser["quit"]()
            browser = (start_chromium if BROWSER == "chromium" else start_firefox)(allowed, "de")
            UNDO.insert(0, browser["quit"])
            check(wait_for_extension(browser, allowed), f"{what}: the extension is not at work")
            before = visit(f"{other}/embed.html")
            text = place_text(containing="fragt")
            print(f"{BROWSER}: {what}: the page says [{text}]")
            check(text.startswith(f"Ein zqk-Dokument von localhost:{port} NPZqk fragt Sie zuerst, in einem eigenen "
                                  "Fenster. In TarvikViewer öffnen… / "), f"{what}: the page says [{text}]")
            browser["click"](PLACE_BUTTON)
            expect_question(what, before, f"localhost:{port} möchte ein zqk-Dokument in TarvikViewer öffnen.")
            lang = browser["evaluate"]("document.documentElement.lang + ' ' + document.getElementById('once').textContent",
                                       "ask")
            check(lang == "de Dieses Mal öffnen", f"{what}: the question's window is [{lang}]")
            armed()
            browser["screenshot"](os.path.join(OUTPUT, f"{BROWSER}-question-de.png"), "ask")
            not_now()
            check("Nicht geöffnet." in place_text(containing="Nicht"), f"{what}: not declined in German")
            expect_nothing(what, before, wait=0.5)

        def options_page(what):
            """The options page's status, checked again in each state the program and the viewer can be in, pictured.
            Firefox lets no driver open an extension's page: there the question's window, asked for, opens it."""
            where = "page"
            if BROWSER == "chromium":
                browser["open"](browser["options"])
            else:
                visit(f"{other}/embed.html")
                place_text()
                browser["click"](PLACE_BUTTON)
                question()
                browser["evaluate"]("browser.tabs.create({url: 'options.html'}).then(() => window.close())", "ask")
                where = "options"
            states = [("ready", lambda: None, f"Version {VERSION} / {windows_path(STUB_VIEWER)}"),
                      ("viewer-missing", lambda: register_viewer(False), "Application Not Installed 1"),
                      ("host-older", lambda: host_wrapper({"error": '"url" is missing'}), "older than the extension"),
                      ("host-missing", lambda: os.remove(host_wrapper()), "run npzqk-host.exe --register")]
            for state, make, expected in states:
                make()
                if state != "ready":
                    browser["click"]("document.getElementById('check')", where)
                deadline = time.time() + 20
                while time.time() < deadline:
                    if browser["evaluate"]("document.getElementById('status')?.ariaBusy", where) == "false":
                        break
                    time.sleep(0.2)
                text = (browser["evaluate"]("document.getElementById('host').innerText + ' / ' + "
                                            "document.getElementById('viewer').innerText", where) or "").replace("\n", " ")
                print(f"{BROWSER}: {what}, {state}: [{text}]")
                check(expected in text, f"{what}, {state}: [{text}]")
                browser["screenshot"](os.path.join(OUTPUT, f"{BROWSER}-options-{state}.png"), where)
            register_viewer(True)
            host_wrapper()
            if where == "options":
                try:
                    browser["evaluate"]("browser.tabs.getCurrent().then((tab) => browser.tabs.remove(tab.id))", where)
                except RuntimeError:
                    pass  # its tab went before it answered

        def viewer_missing(what):
            register_viewer(False)
            visit(f"{allowed}/hostile.html")
            place_text(15, containing="Application")
            time.sleep(1.5)  # long enough for a second message, were there one
            text = place_text()
            print(f"{BROWSER}: {what}: the page says [{text}]")
            check(text.count("Application Not Installed 1") == 1 and
                  "Get TarvikViewer from http://www.quendrix.com/downloads/" in text, f"{what}: [{text}]")
            link = browser["evaluate"](f"{PLACE}.querySelector('a')?.href")
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
            ("in a frame, an object's with its fallback, and two that became documents later", found_once_each),
            ("an untyped document while other tabs load", untyped_among_loads),
            ("eight documents on a page, six at once as the administrator says", lambda what: held_back(
                what, "many.html", allowed, 6)),
            ("the user's own navigation to a document of a site not allowed", lambda what: expect_viewer(
                what, f"{other}/full.zqk", "", visit(f"{other}/full.zqk"), unasked=True)),
            *((f"a site not allowed hiding its navigation's origin: {name}", lambda what, h=h: hidden(what, *h))
              for name, *h in HIDDEN),
            ("a frame of a site not allowed navigating on after its \"Not now\"", pestered),
            ("the options page", options_page),
            *((f"a site not allowed, its question {name}", lambda what, a=a: attack(what, *a))
              for name, *a in ATTACKS),
            *((f"a site not yet allowed, {name}", lambda what, h=h: honest(what, *h)) for name, *h in HONEST),
            ("a frame of the site now allowed pointed at eight documents in turn, four at once", lambda what: held_back(
                what, "loop.html", other, 4)),
            ("the viewer missing", viewer_missing),
            ("in German", in_german),
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
