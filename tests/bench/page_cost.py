#!/usr/bin/python3
"""What the extension costs pages that hold no zqk document, in a real browser:
two pages, each timed inside the page, loaded in alternation in a browser
with the extension and in one without, as a ratio of medians.

    page_cost.py chromium|firefox EXTENSION_DIR [LOADS]

- "changing": builds 20,000 elements in 100 tasks, then changes one attribute
  on 2,000 of them in 200 tasks, as frameworks and animations do; timed from
  its first task to the end of its last. The tasks follow each other through
  a message channel, so that no timer clamping hides the work between them.
- "components": 3,000 web components, each with a shadow root of its own
  (open and closed by turns, sharing one stylesheet), built in 100 tasks,
  then 2,000 changes inside their shadow roots in 200 tasks (a text, an
  attribute, an element added); timed as "changing" is.
- "static": 20,000 elements in its markup that never change; timed from the
  start of the navigation to the end of the load event.
"""
import functools
import http.server
import os
import shutil
import statistics
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "browser"))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import browsers  # noqa: E402
from extension_ids import extension_ids  # noqa: E402

# The pages' tasks (steps), one after another through a message channel, timed from the load event.
STEPS = """let next = 0;
let started = 0;
channel.port1.onmessage = () => {
  steps[next++]();
  if (next < steps.length) channel.port2.postMessage(0);
  else window.npzqkBenchResult = performance.now() - started;
};
window.addEventListener("load", () => { started = performance.now(); channel.port2.postMessage(0); });
</script>"""

CHANGING = """<!DOCTYPE html><title>changing</title><div id="root"></div><script>
const root = document.getElementById("root");
const channel = new MessageChannel();
const steps = [];
for (let task = 0; task < 100; task++) steps.push(() => {
  for (let i = 0; i < 200; i++) {
    const item = document.createElement("div");
    item.className = "item";
    item.setAttribute("data-n", String(task * 200 + i));
    item.append(document.createElement("span"), "item " + i);
    root.append(item);
  }
});
for (let task = 0; task < 200; task++) steps.push(() => {
  for (let i = 0; i < 10; i++) root.children[(task * 10 + i) * 10].setAttribute("data-state", String(task));
});
""" + STEPS

COMPONENTS = """<!DOCTYPE html><title>components</title><div id="root"></div><script>
const inside = new Map();
const sheet = new CSSStyleSheet();
sheet.replaceSync("p { margin: 0; }");
customElements.define("x-card", class extends HTMLElement {
  constructor() {
    super();
    const shadow = this.attachShadow({ mode: inside.size % 2 ? "closed" : "open" });
    shadow.adoptedStyleSheets = [sheet];
    shadow.innerHTML = "<p class='title'>card</p><div class='body'><slot></slot></div>";
    inside.set(this, shadow);
  }
});
const root = document.getElementById("root");
const cards = [];
const channel = new MessageChannel();
const steps = [];
for (let task = 0; task < 100; task++) steps.push(() => {
  for (let i = 0; i < 30; i++) {
    const card = document.createElement("x-card");
    card.append("item " + (task * 30 + i));
    root.append(card);
    cards.push(card);
  }
});
for (let task = 0; task < 200; task++) steps.push(() => {
  for (let i = 0; i < 10; i++) {
    const shadow = inside.get(cards[task * 10 + i]);
    shadow.querySelector(".title").textContent = "card " + task;
    shadow.querySelector(".body").setAttribute("data-state", String(task));
    shadow.querySelector(".body").append(document.createElement("span"));
  }
});
""" + STEPS

STATIC = ("<!DOCTYPE html><title>static</title>"
          + "".join(f"<div class='item' data-n='{n}'><span>item</span> {n}</div>" for n in range(20000))
          + "<script>window.addEventListener('load', () => setTimeout(() => { window.npzqkBenchResult ="
            " performance.getEntriesByType('navigation')[0].loadEventEnd; }));</script>")

DESCRIBED = {"changing": "changes", "components": "changes its web components", "static": "never changes"}
PAGES = {f"{page}.html": body for page, body in (("changing", CHANGING), ("components", COMPONENTS), ("static", STATIC),
                                                  ("blank", "<!DOCTYPE html><title>blank</title>"))}
WARM_UP = 2


def serve(folder):
    for name, body in PAGES.items():
        with open(os.path.join(folder, name), "w") as f:
            f.write(body)
    handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=folder)
    handler.func.log_message = lambda *arguments: None
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return f"http://127.0.0.1:{server.server_address[1]}"


def result_of(evaluate):
    deadline = time.time() + 60
    while time.time() < deadline:
        value = evaluate("window.npzqkBenchResult")
        if isinstance(value, (int, float)):
            return float(value)
        time.sleep(0.05)
    raise RuntimeError("the page never finished")


def chromium(work, extension):
    driver = browsers.chromium(os.path.join(work, "profile"), extension)

    def load(url):
        """The page's time, and with the extension the share of the page's
        main-thread time that the extension's scripts took, by a CPU profile
        of the page's process begun before the page (after a blank page of
        the same site, whose process it keeps); profiled with the extension
        or without, so that both sides bear the profiler alike."""
        driver.get(url.split("?")[0].rsplit("/", 1)[0] + "/blank.html")
        driver.execute_cdp_cmd("Profiler.enable", {})
        driver.execute_cdp_cmd("Profiler.setSamplingInterval", {"interval": 200})
        driver.execute_cdp_cmd("Profiler.start", {})
        driver.get(url)
        took = result_of(lambda expression: driver.execute_script(f"return {expression};"))
        share = extension_share(driver.execute_cdp_cmd("Profiler.stop", {})["profile"])
        return took, share if extension else None

    return load, driver.quit


def extension_share(profile):
    """Of the sampled time the page's thread was busy, the share in the
    extension's own scripts (in the page's world and its own)."""
    nodes = {node["id"]: node["callFrame"] for node in profile["nodes"]}
    busy = own = 0
    for sample, delta in zip(profile["samples"], profile["timeDeltas"]):
        frame = nodes[sample]
        if frame["functionName"] == "(idle)":
            continue
        busy += delta
        own += delta if frame["url"].startswith("chrome-extension://") else 0
    return own / busy if busy else 0.0


def firefox(work, extension):
    _, firefox_id = extension_ids(os.path.join(extension, "manifest.json")) if extension else (None, None)
    process, bidi, context = browsers.firefox(os.path.join(work, "profile"), os.path.join(work, "home"),
                                              extension, firefox_id)

    def load(url):
        bidi.send("browsingContext.navigate", context=context, url=url, wait="complete")
        return result_of(lambda expression: bidi.send(
            "script.evaluate", expression=expression, target={"context": context},
            awaitPromise=False).get("result", {}).get("value")), None

    return load, lambda: browsers.close_firefox(process, bidi)


def main():
    browser, extension = sys.argv[1:3]
    loads = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    work = tempfile.mkdtemp(prefix="npzqk-bench-")
    start = chromium if browser == "chromium" else firefox
    quits = []
    try:
        site = serve(work)
        sides = {}
        for side, folder in (("with", extension), ("without", None)):
            os.makedirs(os.path.join(work, side))
            load, quit = start(os.path.join(work, side), folder)
            quits.append(quit)
            sides[side] = load
        time.sleep(2)  # the extension has started
        for page in DESCRIBED:
            times = {"with": [], "without": []}
            shares = []
            for round_number in range(WARM_UP + loads):
                order = ("with", "without") if round_number % 2 == 0 else ("without", "with")
                for side in order:
                    took, share = sides[side](f"{site}/{page}.html?{round_number}")
                    if round_number >= WARM_UP:
                        times[side].append(took)
                        shares += [] if share is None else [share]
            with_it, without = statistics.median(times["with"]), statistics.median(times["without"])
            own = f"; the extension's scripts {100 * statistics.median(shares):.1f} % of its thread's busy time" \
                if shares else ""
            print(f"{browser}, the page that {DESCRIBED[page]}: "
                  f"{with_it:.1f} ms with the extension, {without:.1f} ms without, ratio {with_it / without:.2f} "
                  f"(medians of {loads} loads each, alternating){own}")
    finally:
        for quit in quits:
            quit()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
