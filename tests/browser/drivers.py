"""The browsers as the test drives them: each started with the administrator's
policy for the extension, and a table of what the test does in it (open a
page, evaluate, click and press with real input, screenshots), in the page,
the question's window ("ask") or the extension's worker."""
import base64
import json
import os
import time
import urllib.request

import browsers
from host import host_manifest
from pages import serve_packed
from setting import BROWSER, CHROMIUM_ID, DOWNLOADS, EXTENSION, FIREFOX_ID, FIREFOX_UUID, PACKED, WORK, policy_file

CENTRE = "((element) => { const r = element.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]; })(%s)"
FOCUSED = ("(() => { let focused = document.activeElement;"
           " while (focused?.shadowRoot?.activeElement) focused = focused.shadowRoot.activeElement; return focused; })()")


# ---- Chromium, through chromedriver


def managed(allowed_site):
    """The administrator's policy for the extension: the site allowed, and
    its pages' share raised from 4 to 6 documents at once."""
    return {"allowedSites": [allowed_site], "openAtOnce": {allowed_site: 6}}


# Each browser in a profile of the run's (by default, one for its language),
# speaking the language given, its windows private ones if asked, with the
# administrator's policy for the extension given (by default, managed()).
def start_chromium(allowed_site, language=None, profile=None, private=False, extension_policy=None):
    policy = {"3rdparty": {"extensions": {CHROMIUM_ID: extension_policy or managed(allowed_site)}}}
    if PACKED:
        policy["ExtensionInstallForcelist"] = [f"{CHROMIUM_ID};{serve_packed(allowed_site)}"]
        policy["DeveloperToolsAvailability"] = 1  # the test drives the extension's own pages, as before
    policy_file("/etc/chromium/policies/managed/npzqk-test.json", policy)
    profile = os.path.join(WORK, "profile-" + (profile or language or "en"))
    host_manifest(os.path.join(profile, "NativeMessagingHosts"),
                  {"allowed_origins": [f"chrome-extension://{CHROMIUM_ID}/"]})
    driver = browsers.chromium(profile, None if PACKED else EXTENSION,
                               {"download.default_directory": DOWNLOADS, "download.prompt_for_download": False,
                                # the extension's bound on a page's starts, not the browser's own, is tested
                                "profile.default_content_setting_values.automatic_downloads": 1},
                               by_policy=bool(PACKED), language=language, private=private)
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

    def fresh_tab():
        """A tab whose page never finished loading, closed, and a new one to go on in."""
        stuck = driver.current_window_handle
        fresh = devtools.send("Target.createTarget", url="about:blank")["targetId"]
        devtools.send("Target.closeTarget", targetId=stuck)
        driver.switch_to.window(fresh)

    def allow(access):
        """The user's leave for the extension, given on the extensions page: in incognito windows
        ("incognitoAccess") or on pages of this computer ("fileAccess"); in developer mode, without which
        Chromium turns off an extension loaded from its folder when it starts it again."""
        driver.get("chrome://extensions")
        evaluate("chrome.developerPrivate.updateProfileConfiguration({inDeveloperMode: true}).then(() =>"
                 f" chrome.developerPrivate.updateExtensionConfiguration({{extensionId: '{CHROMIUM_ID}',"
                 f" {access}: true}}))")

    return {"open": driver.get, "evaluate": evaluate, "allow": allow, "click": click, "press": press,
            "options": f"chrome-extension://{CHROMIUM_ID}/options.html",
            "activate": lambda where="page": press("Enter", where),
            "tabs": lambda: len(driver.window_handles), "screenshot": screenshot,
            "quit": lambda: (devtools.close(), driver.quit()),
            "downloads": downloads, "load_aside": load_aside, "announced": announced, "fresh_tab": fresh_tab,
            "managed": lambda: evaluate("chrome.storage.managed.get('allowedSites')"
                                        ".then((policy) => policy.allowedSites)", "worker")}


# ---- Firefox, through its own WebDriver BiDi


def start_firefox(allowed_site, language=None, profile=None, private=False, extension_policy=None):
    profile = profile or language or "en"
    home = os.path.join(WORK, "home-" + profile)
    host_manifest(os.path.join(home, ".mozilla", "native-messaging-hosts"), {"allowed_extensions": [FIREFOX_ID]})
    # The add-on also works in private windows, as an administrator allows it.
    settings = {"private_browsing": True}
    if PACKED:
        settings.update(installation_mode="force_installed", install_url=serve_packed(allowed_site))
    policies = {"3rdparty": {"Extensions": {FIREFOX_ID: extension_policy or managed(allowed_site)}},
                "ExtensionSettings": {FIREFOX_ID: settings}}
    policy_file("/usr/lib/firefox-esr/distribution/policies.json", {"policies": policies})
    process, bidi, context = browsers.firefox(
        os.path.join(WORK, "profile-" + profile), home, None if PACKED else EXTENSION, FIREFOX_ID,
        {"browser.download.dir": DOWNLOADS, "browser.download.folderList": 2, "browser.download.useDownloadDir": True,
         "extensions.webextensions.uuids": json.dumps({FIREFOX_ID: FIREFOX_UUID}),
         "browser.privatebrowsing.autostart": private}, language)

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


def wait_for_extension(browser, site, allowed=None):
    """Until the extension is at work in new pages (a document on a page of the
    site nobody allowed has its place) and, where the test can see it, has its
    administrator's sites."""
    deadline = time.time() + 90
    while time.time() < deadline:
        try:
            browser["open"](site.replace("//127.0.0.1:", "//localhost:") + "/probe.html")
        except Exception as error:  # a page load that timed out: tried again
            print(f"{BROWSER}: the probe page did not load ({str(error).splitlines()[0]}); tried again in a new tab")
            browser.get("fresh_tab", lambda: None)()
            continue
        if browser["evaluate"]("document.querySelector('npzqk-document') !== null"):
            break
        time.sleep(0.5)
    while time.time() < deadline:
        if browser.get("managed", lambda: allowed or [site])() == (allowed or [site]):
            return True
        time.sleep(0.2)
    return False
