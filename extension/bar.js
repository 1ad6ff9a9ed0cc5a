// The bar at the top of the page (the top frame's only): it asks whether a
// site may start TarvikViewer, and says what became of a document when the
// viewer did not start. One bar per page, whatever the page holds; in the
// browser's own fonts and the user's colour scheme.
"use strict";

// eslint-disable-next-line no-unused-vars
function NPZqkBar(api) {
  // Inline, so that no page can load anything of the extension's.
  const kStyle = `
:host { color-scheme: light dark; }
.panel {
  display: flex;
  align-items: center;
  gap: 12px;
  padding: 8px 12px;
  font: 13px/1.4 system-ui, sans-serif;
  color: #1f1f1f;
  background: #f1f3f4;
  border-bottom: 1px solid #c4c7c5;
  box-shadow: 0 1px 3px rgb(0 0 0 / 20%);
}
.panel.message { background: #fdf3e1; }
.text { flex: 1; margin: 0; white-space: pre-line; }
.body { flex: 1; }
.caption { display: block; margin-bottom: 2px; }
.actions { display: flex; gap: 8px; flex-wrap: wrap; }
button {
  font: inherit;
  padding: 4px 12px;
  border: 1px solid #747775;
  border-radius: 4px;
  color: inherit;
  background: #ffffff;
  cursor: pointer;
}
button:first-child { color: #ffffff; background: #0b57d0; border-color: #0b57d0; }
.message button { color: inherit; background: #ffffff; border-color: #747775; }
button:focus-visible { outline: 2px solid #0b57d0; outline-offset: 2px; }
a { color: #0b57d0; }
@media (prefers-color-scheme: dark) {
  .panel { color: #e3e3e3; background: #2d2f31; border-color: #5e5e5e; }
  .panel.message { background: #3c3222; }
  button, .message button { background: #1f1f1f; border-color: #8e918f; }
  button:first-child { color: #062e6f; background: #a8c7fa; border-color: #a8c7fa; }
  button:focus-visible { outline-color: #a8c7fa; }
  a { color: #a8c7fa; }
}
`;
  const allowedThisLoad = new Set();
  const declined = new Set();
  const waiting = []; // {site, documents}, in the order the sites asked
  let shadow = null;

  function root() {
    if (shadow !== null) return shadow;
    const host = document.createElement("npzqk-bar");
    host.style.cssText = "all: initial; position: fixed !important; inset: 0 0 auto 0 !important; " +
                         "z-index: 2147483647 !important; display: block !important;";
    shadow = host.attachShadow({ mode: "open" });
    shadow.append(element("style", "", kStyle));
    document.documentElement.append(host);
    return shadow;
  }

  function element(tag, className, text) {
    const made = document.createElement(tag);
    if (className) made.className = className;
    if (text !== undefined) made.textContent = text;
    return made;
  }

  // Only the user's own clicks and keys count, never a page script's.
  function button(label, onPress) {
    const made = element("button", "", label);
    made.type = "button";
    made.addEventListener("click", (event) => {
      if (event.isTrusted) onPress();
    });
    return made;
  }

  function showQuestion() {
    const { site, documents } = waiting[0];
    const panel = element("div", "panel question");
    panel.setAttribute("role", "alertdialog");
    panel.setAttribute("aria-label", "NPZqk");
    const count = documents.length === 1 ? "a zqk document" : `${documents.length} zqk documents`;
    const name = site === "file://" ? "A file on this computer" : new URL(site).host;
    panel.append(element("span", "text", `${name} wants to open ${count} in TarvikViewer.`));
    const actions = element("span", "actions");
    actions.append(button("Open this time", () => answer("once")),
                   button("Always open from this site", () => answer("always")),
                   button("Not now", () => answer("not now")));
    panel.append(actions);
    panel.addEventListener("keydown", (event) => {
      if (event.key === "Escape" && event.isTrusted) answer("not now");
    });
    root().append(panel);
  }

  function answer(choice) {
    const { site, documents } = waiting.shift();
    root().querySelector(".question")?.remove();
    if (choice === "not now") {
      declined.add(site);
    } else {
      allowedThisLoad.add(site);
      api.runtime.sendMessage({ kind: "answer", choice, site, documents });
    }
    if (waiting.length > 0) showQuestion();
  }

  function ask(site, documents) {
    if (declined.has(site)) return;
    if (allowedThisLoad.has(site)) {
      api.runtime.sendMessage({ kind: "answer", choice: "once", site, documents });
      return;
    }
    const entry = waiting.find((queued) => queued.site === site);
    if (entry !== undefined) {
      entry.documents.push(...documents);
      return;
    }
    waiting.push({ site, documents });
    if (waiting.length === 1) showQuestion();
  }

  // The text, with the web addresses in it as links.
  function linked(text) {
    const paragraph = element("p", "text");
    for (const piece of text.split(/(https?:\/\/\S+)/)) {
      if (/^https?:\/\//.test(piece)) {
        const link = element("a", "", piece);
        link.href = piece;
        link.target = "_blank";
        link.rel = "noopener";
        paragraph.append(link);
      } else {
        paragraph.append(piece);
      }
    }
    return paragraph;
  }

  function showMessage(caption, text) {
    const panel = element("div", "panel message");
    panel.setAttribute("role", "alert");
    const body = element("div", "body");
    body.append(element("strong", "caption", caption), linked(text));
    panel.append(body, button("Close", () => panel.remove()));
    root().append(panel);
  }

  const kHostMissing = "The NPZqk helper program, npzqk-host.exe, is not installed for this browser. " +
                       "Unpack the NPZqk release, run npzqk-host.exe --register in its folder, " +
                       "then reload this page.";

  function report(zqk, reply) {
    if (reply.started === true) {
      if (zqk.winclose) window.close();
    } else if (reply.started === false) {
      showMessage(String(reply.caption), String(reply.text));
    } else if (typeof reply.error === "string") {
      showMessage("The zqk document was not opened", `${zqk.url}: ${reply.error}`);
    } else {
      showMessage("TarvikViewer cannot be started from this browser", kHostMissing);
    }
  }

  api.runtime.onMessage.addListener((message) => {
    if (message.kind === "ask") ask(message.site, message.documents);
    if (message.kind === "result") report(message.document, message.reply);
    // The background asks whether this tab shows a page.
    if (message.kind === "ping") return Promise.resolve(true);
    return undefined;
  });
  return { ask, report };
}
