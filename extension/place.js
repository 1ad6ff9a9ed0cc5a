// What the page shows of the extension: in each zqk document's place, what
// became of the document and the action that asks the user; at the top of the
// page, what became of a full-page document when the viewer did not start.
// The page can restyle, cover or relabel all of this, so it only ever asks
// and reports: the user's leave is given in the extension's own window.
"use strict";

// eslint-disable-next-line no-unused-vars
function NPZqkPlace() {
  // Inline, so that no page can load anything of the extension's.
  const kStyle = `
:host { color-scheme: light dark; }
.panel {
  box-sizing: border-box;
  width: 100%;
  min-height: inherit;
  display: flex;
  flex-direction: column;
  justify-content: center;
  gap: 6px;
  padding: 10px 14px;
  font: 13px/1.4 system-ui, sans-serif;
  color: #1f1f1f;
  background: #f1f3f4;
  border: 1px solid #c4c7c5;
  border-radius: 6px;
}
.panel.problem { background: #fdf3e1; }
.notice { border-radius: 0; box-shadow: 0 1px 3px rgb(0 0 0 / 20%); }
p { margin: 0; white-space: pre-line; overflow-wrap: anywhere; }
button {
  align-self: flex-start;
  font: inherit;
  padding: 4px 12px;
  border: 1px solid #0b57d0;
  border-radius: 4px;
  color: #ffffff;
  background: #0b57d0;
  cursor: pointer;
}
button:focus-visible { outline: 2px solid #0b57d0; outline-offset: 2px; }
a { color: #0b57d0; }
@media (prefers-color-scheme: dark) {
  .panel { color: #e3e3e3; background: #2d2f31; border-color: #5e5e5e; }
  .panel.problem { background: #3c3222; }
  button { color: #062e6f; background: #a8c7fa; border-color: #a8c7fa; }
  button:focus-visible { outline-color: #a8c7fa; }
  a { color: #a8c7fa; }
}
`;
  const text = NPZQK.text;
  const kAsk = text("ask");
  // What each state says under the document's name, and its action, if any.
  const kStates = {
    waiting: { text: text("waiting"), action: kAsk },
    asking: { text: text("asking"), action: kAsk },
    declined: { text: text("declined"), action: kAsk },
    opening: { text: text("opening"), action: null },
    opened: { text: text("opened"), action: text("openAgain") },
    blocked: { text: text("blocked"), action: null },
  };

  // The states that count documents: held back, the others of the page held
  // with it; or waiting since the user's "Not now", which asks again.
  const kCounted = {
    held: (count) => (count === 1 ? { text: text("heldOne"), action: text("openHeldOne") }
                                  : { text: text("heldMany", count - 1), action: text("openHeldMany", count) }),
    quiet: (count) => ({ text: count === 1 ? text("quietOne") : text("quietMany", count), action: kAsk }),
  };

  function element(tag, text) {
    const made = document.createElement(tag);
    if (text !== undefined) made.textContent = text;
    return made;
  }

  // A failed start: the heading and text that say why, and whether trying
  // again can help.
  function problem(state, url) {
    if (state.status === "missing") return { caption: state.caption, text: state.text, retry: true };
    if (state.status === "host") return { caption: text("hostMissingCaption"), text: text("hostMissing"), retry: true };
    return { caption: text("refusedCaption"), text: text("refused", url, state.error), retry: false };
  }

  // Only the user's own clicks and keys ask, never a page script's; what a
  // held document's action opens at once takes a deliberate press as well.
  function action(label, onAct, deliberate = false) {
    const made = element("button", label);
    made.type = "button";
    const shownAt = performance.now();
    const presses = NPZQK.presses(() => (deliberate ? shownAt + NPZQK.delay : -Infinity));
    made.addEventListener("pointerdown", presses.press, true);
    made.addEventListener("keydown", presses.press, true);
    made.addEventListener("click", (event) => {
      if (deliberate ? presses.take(event) : event.isTrusted) onAct();
    });
    return made;
  }

  // The panel for a state; onAsk null where it offers no action that asks.
  function panelFor(state, zqk, onAsk) {
    const panel = element("div");
    panel.className = "panel";
    panel.setAttribute("role", "group");
    NPZQK.speak(panel);
    const known = kCounted[state.status]?.(state.count) ?? kStates[state.status];
    if (known !== undefined) {
      panel.setAttribute("aria-label", text("documentLabel", zqk.siteName));
      panel.append(element("p", text("documentFrom", zqk.siteName)));
      if (known.text) panel.append(element("p", known.text));
      if (known.action && onAsk !== null) panel.append(action(known.action, onAsk, state.status === "held"));
      return panel;
    }
    const { caption, text: told, retry } = problem(state, zqk.url);
    panel.classList.add("problem");
    panel.setAttribute("role", "alert");
    panel.append(element("strong", caption), NPZQK.linked(told));
    if (retry && onAsk !== null) panel.append(action(text("tryAgain"), onAsk));
    return panel;
  }

  function shadowHost(tag, css) {
    const host = document.createElement(tag);
    host.style.cssText = css;
    // Open: closing it would hide nothing from a page that can restyle it.
    const shadow = host.attachShadow({ mode: "open" });
    shadow.append(element("style", kStyle));
    return { host, shadow };
  }

  // Stands in the page where the plug-in drew, at least the size the page
  // gave the document, and as tall as its text needs.
  function placeFor(target, zqk, onAsk) {
    const box = target.getBoundingClientRect();
    const width = Math.max(Math.round(box.width), 260);
    const height = Math.max(Math.round(box.height), 96);
    const { host, shadow } = shadowHost("npzqk-document",
      `all: initial; display: inline-block; vertical-align: top; width: ${width}px; min-height: ${height}px;`);
    const display = [target.style.getPropertyValue("display"), target.style.getPropertyPriority("display")];
    target.style.setProperty("display", "none", "important");
    target.before(host);
    return {
      show(state) {
        shadow.querySelector(".panel")?.remove();
        shadow.append(panelFor(state, zqk, onAsk));
      },
      // The element is no longer this document: the page has it back as it was.
      remove() {
        host.remove();
        target.style.setProperty("display", ...display);
      },
    };
  }

  // A full-page document has no place of its own: a failure to start it, or
  // that it is held back or waits, is told at the top of the page it came
  // from; the held ones share one notice, and so do the waiting ones, which
  // onAct opens or asks for, and which then goes.
  const counted = {}; // status -> its notice
  function notice(state, zqk, onAct) {
    counted[state.status]?.remove();
    const { host, shadow } = shadowHost("npzqk-notice",
      "all: initial; position: fixed !important; inset: 0 0 auto 0 !important; " +
      "z-index: 2147483647 !important; display: block !important;");
    const acts = kCounted[state.status] !== undefined;
    const panel = panelFor(state, zqk, acts ? () => { host.remove(); onAct(); } : null);
    panel.classList.add("notice");
    panel.append(action(text("close"), () => host.remove()));
    shadow.append(panel);
    document.documentElement.append(host);
    if (acts) counted[state.status] = host;
  }

  return { placeFor, notice };
}
