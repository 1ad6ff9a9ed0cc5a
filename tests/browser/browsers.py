"""Starting Debian's headless Chromium and Firefox ESR, with or without an
unpacked extension, and the JSON-RPC sockets of their own protocols. Shared
by the browser test and the page-cost benchmark."""
import asyncio
import json
import os
import shutil
import socket
import subprocess
import time
import zipfile


class Rpc:
    """A socket of the browser's own protocol: Firefox's WebDriver BiDi, Chromium's DevTools."""

    def __init__(self, url):
        import websockets
        self.loop = asyncio.new_event_loop()
        asyncio.set_event_loop(self.loop)
        self.next_id = 0
        self.socket = self.run(websockets.connect(url, max_size=2 ** 26))

    def run(self, coroutine):
        return self.loop.run_until_complete(coroutine)

    async def exchange(self, method, params, session):
        self.next_id += 1
        await self.socket.send(json.dumps({"id": self.next_id, "method": method, "params": params,
                                           **({"sessionId": session} if session else {})}))
        while True:
            message = json.loads(await self.socket.recv())
            if message.get("id") == self.next_id:
                if message.get("type") == "error" or "error" in message:
                    raise RuntimeError(f"{method}: {message.get('error')}: {message.get('message')}")
                return message["result"]

    def send(self, method, session=None, patience=20, **params):
        """The reply; a target that goes away while it acts (a window that
        closes on the input it is given) may never answer: RuntimeError once
        patience seconds have passed."""
        try:
            return self.run(asyncio.wait_for(self.exchange(method, params, session), patience))
        except asyncio.TimeoutError:
            raise RuntimeError(f"{method}: no reply in {patience} s") from None

    def close(self):
        """The socket closed, then its loop, with none of its tasks left pending
        for the collector to complain of; a browser already gone is no fault."""
        try:
            self.run(asyncio.wait_for(self.socket.close(), 5))
        except (OSError, asyncio.TimeoutError):
            pass
        pending = asyncio.all_tasks(self.loop)
        for task in pending:
            task.cancel()
        if pending:  # (gathering nothing would take another socket's loop, the current one)
            self.run(asyncio.gather(*pending, return_exceptions=True))
        self.loop.close()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def chromium(profile, extension=None, prefs=None, by_policy=False, language=None, private=False):
    """A Selenium driver of headless Chromium with a fresh profile; by_policy
    lets it fetch the extensions an administrator's policy installs; language
    (such as "de") the one it speaks, which on Linux it takes from LANGUAGE;
    private, its window an incognito one."""
    from selenium import webdriver
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    options = Options()
    options.binary_location = "/usr/bin/chromium"
    loaded = (f"--load-extension={extension}", f"--disable-extensions-except={extension}") if extension else ()
    quiet = () if by_policy else ("--disable-background-networking",)
    # Without the back-forward cache a step back asks the server again, as
    # it does for every page the cache does not keep.
    for argument in ("--headless=new", "--no-sandbox", f"--user-data-dir={profile}", *loaded, "--disable-gpu",
                     "--no-first-run", *quiet, "--disable-component-update", "--disable-features=BackForwardCache",
                     "--disable-renderer-backgrounding", "--disable-backgrounding-occluded-windows",
                     "--disable-sync", "--window-size=1000,600", *((f"--lang={language}",) if language else ()),
                     *(("--incognito",) if private else ())):
        options.add_argument(argument)
    options.add_experimental_option("prefs", prefs or {})
    if by_policy:  # chromedriver's own switches include it
        options.add_experimental_option("excludeSwitches", ["disable-background-networking"])
    environment = dict(os.environ, **({"LANGUAGE": language, "LANG": f"{language}_DE.UTF-8"} if language else {}))
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver", env=environment), options=options)
    # A first page that never answers (seen now and then as the browser starts) is tried again, not waited on for minutes.
    driver.set_page_load_timeout(30)
    return driver


def firefox(profile, home, extension=None, extension_id=None, prefs=None, language=None):
    """Headless Firefox ESR with a fresh profile, the extension (a folder, or
    packed) installed in it unsigned, speaking the language given (its
    language pack installed): its process, its BiDi session and its first
    tab's context."""
    os.makedirs(os.path.join(profile, "extensions"), exist_ok=True)
    if extension and extension.endswith(".xpi"):
        shutil.copy(extension, os.path.join(profile, "extensions", extension_id + ".xpi"))
    elif extension:
        with zipfile.ZipFile(os.path.join(profile, "extensions", extension_id + ".xpi"), "w") as xpi:
            for top, _, names in sorted(os.walk(extension)):
                for name in sorted(names):
                    xpi.write(os.path.join(top, name), os.path.relpath(os.path.join(top, name), extension))
    prefs = {"xpinstall.signatures.required": False, "extensions.autoDisableScopes": 0,
             "extensions.enabledScopes": 15, "browser.shell.checkDefaultBrowser": False,
             "datareporting.policy.dataSubmissionEnabled": False, "app.update.enabled": False,
             "browser.startup.homepage_override.mstone": "ignore", "network.proxy.type": 0,
             **({"intl.locale.requested": language} if language else {}), **(prefs or {})}
    with open(os.path.join(profile, "user.js"), "w") as f:
        f.writelines(f"user_pref({json.dumps(k)}, {json.dumps(v)});\n" for k, v in prefs.items())
    port = free_port()
    process = subprocess.Popen(["firefox-esr", "--headless", "--no-remote", "--profile", profile,
                                f"--remote-debugging-port={port}", "--width=1000", "--height=600"],
                               env=dict(os.environ, HOME=home, MOZ_CRASHREPORTER_DISABLE="1"),
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(150):
        try:
            bidi = Rpc(f"ws://127.0.0.1:{port}/session")
            break
        except OSError:
            time.sleep(0.2)
    else:
        process.kill()
        raise RuntimeError("Firefox opened no WebDriver BiDi port")
    bidi.send("session.new", capabilities={})
    return process, bidi, bidi.send("browsingContext.getTree")["contexts"][0]["context"]


def close_firefox(process, bidi):
    try:
        bidi.send("browser.close")
    except Exception:
        process.kill()
    bidi.close()
    process.wait(30)
