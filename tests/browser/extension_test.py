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
import os
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from drivers import start_chromium, start_firefox, wait_for_extension  # noqa: E402
from host import forget_viewer, host_starts, host_wrapper, register_viewer, viewer_arguments, windows_path  # noqa: E402
from pages import HIDDEN, HOSTILE_UID, PLACE_BUTTON_EXPRESSION, REQUESTS, SAVED, serve  # noqa: E402
from setting import BROWSER, DOWNLOADS, OUTPUT, PACKED, STUB_VIEWER, UNDO, VERSION, WORK  # noqa: E402

BOTH = ("chromium", "firefox")
# Each attack against a site not allowed: the page above, what the user does
# on it (click an element, or press a key), and what the user's hurried hand
# does next in whatever then has the pointer or the keyboard; and where the
# user's action reaches the document's place, which only asks.
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


PLACE = "document.querySelector('npzqk-document')?.shadowRoot"
PLACE_TEXT = "[...document.querySelectorAll('npzqk-document, npzqk-notice')].map((host) => host.shadowRoot.querySelector('.panel')?.innerText.replace(/\\s+/g, ' ')).join(' / ')"
PLACE_BUTTON = PLACE_BUTTON_EXPRESSION
# (Chromium counts an <embed> or <object> that shows an error page among the frames.)
# And those in the shadow roots that the page keeps in roots.
EVERY_PLACE = ("[document, ...Array.from(frames, (frame) => { try { return frame.document; } catch { return null; } }),"
               " ...(window.roots ?? [])]"
               ".filter(Boolean)"
               ".flatMap((page) => [...page.querySelectorAll('npzqk-document')])"
               ".map((host) => host.shadowRoot.querySelector('.panel').innerText.replace(/\\s+/g, ' '))")
QUESTION = "document.getElementById('question')?.textContent"
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

    def asked_from_place(what):
        """A page of the site not allowed, its document's place clicked: the question shows."""
        before = visit(f"{other}/embed.html")
        place_text()
        browser["click"](PLACE_BUTTON)
        expect_question(what, before)
        return before

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

        def found(what, page, count, site=allowed, shown="Opened in TarvikViewer"):
            """Each of the page's documents found once, and its place, wherever the page put it, says so; those
            shown opened, each started once."""
            before = visit(f"{site}/{page}")
            started = count if shown == "Opened in TarvikViewer" else 0
            deadline = time.time() + 20
            while (host_starts() < before + started or len(browser["evaluate"](EVERY_PLACE)) < count) and \
                    time.time() < deadline:
                time.sleep(0.2)
            time.sleep(1.5)  # long enough for one more, were there one
            check(host_starts() == before + started, f"{what}: {host_starts() - before} requests to the host, "
                                                     f"not {started}")
            places = browser["evaluate"](EVERY_PLACE)
            print(f"{BROWSER}: {what}: {places}")
            check(len(places) == count and all(shown in text for text in places), f"{what}: {places}")
            check(os.listdir(DOWNLOADS) == [], f"{what}: saved {os.listdir(DOWNLOADS)}")

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

        def framed(what, page):
            """An allowed site's page framed by a site nobody allowed: its document waits, or, sent to by the
            frame, the tab's site asks, naming the frame's second, this time only."""
            before = visit(f"{other}/{page}")
            if page == "framing.html":
                expect_nothing(what, before)
                check(question(0.5) is None, f"{what}: asked")
                return
            expect_question(what, before)
            told = browser["evaluate"]("[document.getElementById('where').textContent,"
                                       " document.getElementById('always').hidden]", "ask")
            check(told == [f"It comes from a frame of 127.0.0.1:{port} on this page.", True], f"{what}: {told}")
            not_now()

        def pestered(what):
            """After its "Not now", a frame the page keeps navigating: no window, the notice counts, a click asks."""
            hidden(what, "pester.html", None, None)
            browser["evaluate"]("more()")
            asked = question(2.5)
            text = place_text(containing="3 more")
            print(f"{BROWSER}: {what}: the page says [{text}]")
            check(asked is None and "tried again after your “Not now”: 3 more zqk documents wait here." in text,
                  f"{what}: asked [{asked}], the page says [{text}]")
            browser["click"]("[...document.querySelectorAll('npzqk-notice')].pop().shadowRoot.querySelector('button')")
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

        def restart(what, profile=None, language=None, private=False, probed=True, policy=None):
            """The browser started again, in the profile given, speaking the language given, private or not, with
            the administrator's policy given; probed, once the extension is at work in its pages, else at once."""
            nonlocal browser
            UNDO.remove(browser["quit"])
            browser["quit"]()
            browser = (start_chromium if BROWSER == "chromium" else start_firefox)(allowed, language, profile, private,
                                                                                 policy)
            UNDO.insert(0, browser["quit"])
            check(not probed or wait_for_extension(browser, allowed, policy and policy["allowedSites"]),
                  f"{what}: the extension is not at work")

        # The administrator's patterns: a shop's hosts blocked, its books' allowed as the exception, and no sites of
        # the user's own (localhost, which the user allowed above, asks again).
        shop = f"http://shop.localhost:{port}"
        books = f"http://a.books.shop.localhost:{port}"
        restrictive = {"allowedSites": [allowed, "http://*.books.shop.localhost:*", "file://", "file://share.example"],
                       "blockedSites": ["http://*.shop.localhost:*"], "userMayAllow": False}

        def administrator(what, row):
            if row == "pattern":
                restart(what, policy=restrictive)
                expect_viewer(what, f"{books}/book.zqk", "42", visit(f"{books}/embed.html"), unasked=True)
            elif row == "blocked":
                before = visit(f"{shop}/embed.html")
                text = place_text(containing="administrator")
                check(text.startswith(f"A zqk document from shop.localhost:{port} Your administrator does not allow zqk "
                                      "documents from this site.") and browser["evaluate"](f"{PLACE}.querySelector"
                                                                                          "('button')") is None,
                      f"{what}: the page says [{text}]")
                expect_nothing(what, before, wait=1)
                check(question(0.5) is None, f"{what}: asked")
            elif row == "navigation":
                before = visit(f"{shop}/header.html")
                text = place_text(containing="administrator")
                check("Your administrator does not allow zqk documents from this site." in text and question(0.5) is None,
                      f"{what}: the page says [{text}]")
                expect_nothing(what, before, wait=0.5)
            else:
                asked_from_place(what)
                hidden = browser["evaluate"]("document.getElementById('always').hidden", "ask")
                check(hidden is True, f"{what}: \"Always\" offered")
                not_now()

        def private_window(what):
            """A site allowed in private windows: until they close, never where the next session finds it.
            Chromium's user allows the extension there first; Firefox's administrator has."""
            if "allow" in browser:
                restart(what, "private")
                browser["allow"]("incognitoAccess")
            restart(what, "private", private=True)
            before = asked_from_place(what)
            label = browser["evaluate"]("document.getElementById('always').textContent", "ask")
            check(label == "Open from this site until the private windows close", f"{what}: [{label}]")
            armed()
            browser["click"]("document.getElementById('always')", "ask")
            expect_viewer(what, f"{other}/book.zqk", "42", before)
            expect_viewer(what + ", the site's next page", f"{other}/sub/late.zqk", "late", visit(f"{other}/late.html"))
            restart(what, "private")
            still_asked(what + ", once the private windows closed")

        def saved_page(what):
            """A page on this computer, the extension allowed on such pages: its own document and the one on the
            share the administrator allows open at once; another server's asks, named by the server, and reaches
            the host in its plain form."""
            before = visit(f"file://{SAVED}/page.html")
            deadline = time.time() + 20
            while (place_text(0).count("Opened in TarvikViewer") < 2 or host_starts() < before + 2) and \
                    time.time() < deadline:
                time.sleep(0.2)
            text = place_text(containing="other.example")
            check(host_starts() == before + 2 and text.count("Opened in TarvikViewer") == 2 and
                  "A zqk document from other.example NPZqk asks you first" in text and text.count("this computer") == 1,
                  f"{what}: {host_starts() - before} started, the page says [{text}]")
            time.sleep(1.5)  # the two viewers started have written their record
            forget_viewer()
            before = host_starts()
            browser["click"]("document.querySelectorAll('npzqk-document')[2].shadowRoot.querySelector('button')")
            expect_question(what, before, "other.example wants to open a zqk document in TarvikViewer.")
            armed()
            browser["click"]("document.getElementById('once')", "ask")
            expect_viewer(what + ", this time", "file://other.example/docs/doc.zqk", "other", before)

        def in_german(what):
            """A browser of its own that speaks German and has allowed nothing: the place and the question."""
            restart(what, language="de")
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
            ("in a frame, an object's with its fallback, and two that became documents later", lambda what: found(
                what, "variety.html", 4)),
            ("untyped, an <embed> and an <object> the server answers as zqk documents", lambda what: found(
                what, "served.html", 2)),
            ("untyped, an <embed> the server answers as a web page", lambda what: (found(what, "served-page.html", 0),
                check(browser["evaluate"]("getComputedStyle(document.querySelector('embed')).display") != "none",
                      f"{what}: the page's element hidden"))),
            ("added later to a page whose stylesheet animates embeds, or stops all animations", lambda what: found(
                what, "styled.html", 2)),
            ("in shadow roots: open, closed, declarative, nested and attached later", lambda what: found(
                what, "shadows.html", 5)),
            ("in frames of no address of their own: about:blank written by the page, srcdoc", lambda what: found(
                what, "blank.html", 2)),
            ("untyped and in a shadow root, on a site nobody allowed", lambda what: found(
                what, "unallowed.html", 2, other, "asks you first")),
            ("an untyped document while other tabs load", untyped_among_loads),
            ("eight documents on a page, six at once as the administrator says", lambda what: held_back(
                what, "many.html", allowed, 6)),
            ("the user's own navigation to a document of a site not allowed", lambda what: expect_viewer(
                what, f"{other}/full.zqk", "", visit(f"{other}/full.zqk"), unasked=True)),
            *((f"a site not allowed hiding its navigation's origin: {name}", lambda what, h=h: hidden(what, *h))
              for name, *h in HIDDEN),
            ("a frame of a site not allowed navigating on after its \"Not now\"", pestered),
            ("an allowed site's hidden frame on a page of a site nobody allowed", lambda what: framed(
                what, "framing.html")),
            ("an allowed site's frame sent to a document, on a page of a site nobody allowed", lambda what: framed(
                what, "framing-sent.html")),
            ("the options page", options_page),
            *((f"a site not allowed, its question {name}", lambda what, a=a: attack(what, *a))
              for name, *a in ATTACKS),
            *((f"a site not yet allowed, {name}", lambda what, h=h: honest(what, *h)) for name, *h in HONEST),
            ("a frame of the site now allowed pointed at eight documents in turn, four at once", lambda what: held_back(
                what, "loop.html", other, 4)),
            ("the viewer missing", viewer_missing),
            # (Chromium's user allows the extension on pages of this computer first, which takes effect as it starts.)
            ("the administrator's pattern, an exception to the block list", lambda what: (
                browser.get("allow", lambda access: None)("fileAccess"), administrator(what, "pattern"))),
            ("a site the administrator blocks", lambda what: administrator(what, "blocked")),
            ("a blocked site's navigation to a document", lambda what: administrator(what, "navigation")),
            *((("a saved page, its own files and a server's share allowed", saved_page),) if BROWSER == "chromium"
              else ()),
            ("no sites of the user's own, where the user allowed one earlier", lambda what: administrator(what, "own")),
            ("a site allowed in a private window", private_window),
            *((("started in a private window, its first page sending itself to a document", lambda what: (
                restart(what, "private", private=True, probed=False), hidden(what, "header.html", None, None))),)
              if BROWSER == "chromium" else ()),
            ("in German", in_german),
        ]

        for what, run in scenarios:
            began = time.time()
            run(what)
            print(f"{BROWSER}: {what}: done in {time.time() - began:.1f} s")
    finally:
        for undo in UNDO:
            undo()
        shutil.rmtree(WORK, ignore_errors=True)
    failed = results.count(False)
    print(f"{BROWSER}: {len(results) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
