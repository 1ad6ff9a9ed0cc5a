"""The pages the browser test serves, on two sites of one server (127.0.0.1
is allowed by the administrator's policy, localhost is not), and the packed
extension where an organisation hosts it."""
import functools
import http.server
import os
import re
import shutil
import sys
import threading

from setting import BROWSER, PACKED, WORK

HOSTILE_UID = '7 "C:\\evil.zqk" /print'
PLACE_BUTTON_EXPRESSION = "document.querySelector('npzqk-document').shadowRoot.querySelector('button')"

REQUESTS = []  # the request lines the server answered, in order
GET_TYPES = {"5": "application/x-zqk", "6": "application/x-zqk-v2", "page": "text/html"}

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
    # Untyped, at addresses the server answers as zqk documents (/get?id=5, 6) or as a web page.
    "served.html": "<embed src='/get?id=5' UID='s5'><object data='/get?id=6'><param name='UID' value='s6'></object>",
    "served-page.html": "<embed src='/get?id=page' UID='page'>",
    # Added later to a page whose stylesheet gives embeds an animation of its own, or stops every one.
    "styled.html": "<style>@keyframes appear { from { opacity: 0; } } #a embed { animation: appear .4s; }"
                   " #b * { animation: none !important; }</style><div id='a'></div><div id='b'></div><script>"
                   "setTimeout(() => { for (const id of ['a', 'b']) document.getElementById(id).innerHTML ="
                   " `<embed src='${id}.zqk' UID='${id}'>`; }, 300);</script>",
    # In shadow roots (the page keeps them in roots, for the test): open at load, closed and made
    # apart from the page, declarative, nested in a closed one, and one attached later.
    "shadows.html": "<x-open></x-open><div id='declared'><template shadowrootmode='open'>"
                    "<embed type='application/x-zqk' src='declared.zqk' UID='declared'></template></div>"
                    "<x-outer></x-outer><div id='late'></div><script>var roots = [];"
                    " const doc = (name) => `<embed type='application/x-zqk' src='${name}.zqk' UID='${name}'>`;"
                    " function shadow(host, mode, html) { const root = host.attachShadow({mode}); roots.push(root);"
                    " root.innerHTML = html; return root; }"
                    " for (const [name, mode, html, at] of [['x-open', 'open', doc('open'), 'connectedCallback'],"
                    " ['x-closed', 'closed', doc('closed'), 'constructor'], ['x-inner', 'open', doc('nested'),"
                    " 'connectedCallback'], ['x-outer', 'closed', '<x-inner></x-inner>', 'connectedCallback']]) {"
                    " customElements.define(name, class extends HTMLElement { constructor() { super();"
                    " if (at === 'constructor') shadow(this, mode, html); } connectedCallback() {"
                    " if (at !== 'constructor') shadow(this, mode, html); } }); }"
                    " document.body.append(document.createElement('x-closed'));"
                    " roots.push(document.getElementById('declared').shadowRoot);"
                    " setTimeout(() => { const root = shadow(document.getElementById('late'), 'open', '');"
                    " setTimeout(() => { root.innerHTML = doc('attached-later'); }, 1000); }, 300);</script>",
    # In frames of no address of their own: a blank one the page writes into, and a srcdoc one.
    "blank.html": "<iframe id='blank'></iframe><iframe srcdoc=\"<embed type='application/x-zqk' src='srcdoc.zqk'"
                  " UID='srcdoc'>\"></iframe><script>const blank = document.getElementById('blank').contentDocument;"
                  " blank.open(); blank.write(\"<embed type='application/x-zqk' src='blank.zqk' UID='blank'>\");"
                  " blank.close();</script>",
    "unallowed.html": "<embed src='/get?id=5' UID='s5'><div id='host'></div><script>var roots ="
                      " [document.getElementById('host').attachShadow({mode: 'closed'})]; roots[0].innerHTML ="
                      " \"<embed type='application/x-zqk' src='book.zqk' UID='shadow'>\";</script>",
    # Found by the extension at work in a page of the site nobody allowed, where it only waits.
    "probe.html": "<embed type='application/x-zqk' src='probe.zqk'>",
    # A page of an allowed site with more documents than it may open at once,
    # and one that keeps pointing a frame at documents.
    "many.html": "".join(f"<embed src='many.zqk?{n}' UID='m{n}'>" for n in range(8)),
    "loop.html": "<iframe id='f'></iframe><script>let n = 0; const loop = setInterval(() => {"
                 " document.getElementById('f').src = '/loop.zqk?' + n; if (++n === 8) clearInterval(loop); }, 1000);"
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

# A page of the site nobody allowed that frames a page of the allowed site:
# one hidden, whose document is on the page, one that sends itself to one.
FRAME_OF_ALLOWED = ("<script>const f = document.createElement('iframe');"
                    " f.src = `http://127.0.0.1:${location.port}/%s`; %s document.body.append(f);</script>")
PAGES["framing.html"] = FRAME_OF_ALLOWED % ("framed.html", "f.width = f.height = 1; f.style.opacity = 0;")
PAGES["framing-sent.html"] = FRAME_OF_ALLOWED % ("sends.html", "")
PAGES["sends.html"] = SOON % "location.href = '/full.zqk';"

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


class Server(http.server.ThreadingHTTPServer):
    def handle_error(self, request, client_address):
        if not isinstance(sys.exc_info()[1], ConnectionError):  # a response the browser stopped is no error
            super().handle_error(request, client_address)


# A page saved on this computer: a document of its own, one on the share of a server the administrator
# allows, and one on another server's (Chromium on Linux reads file:////server/... as a path of this
# computer: the extension's table has that spelling).
SAVED = os.path.join(WORK, "saved")
SAVED_PAGE = ("<embed type='application/x-zqk' src='file:///C:/books/local.zqk' UID='local'>"
              "<embed type='application/x-zqk' src='file://share.example/docs/doc.zqk' UID='share'>"
              "<embed type='application/x-zqk' src='file://other.example/docs/doc.zqk' UID='other'>")


def serve():
    os.makedirs(SAVED)
    with open(os.path.join(SAVED, "page.html"), "w") as f:
        f.write(f"<!DOCTYPE html><title>saved</title>{SAVED_PAGE}")
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
            if self.path.startswith("/get?id="):
                return self.answer_get(True)
            if self.path.startswith("/again") and self.path in served:
                self.path = "/full.zqk"
            served.add(self.path)
            if not self.path.startswith("/go?to="):
                return super().do_GET()
            self.send_response(302)
            self.send_header("Location", self.path[len("/go?to="):])
            self.end_headers()

        def do_HEAD(self):
            return self.answer_get(False) if self.path.startswith("/get?id=") else super().do_HEAD()

        def answer_get(self, body):
            """A document server's address, whose type only its answer tells."""
            kind = GET_TYPES.get(self.path[len("/get?id="):], "text/plain")
            content = b"<!DOCTYPE html><p>A web page." if kind == "text/html" else b"ZQK"
            self.send_response(200)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(len(content)))
            self.end_headers()
            if body:
                self.wfile.write(content)

    served = set()
    handler = functools.partial(Handler, directory=site)
    server = Server(("127.0.0.1", 0), handler)
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

