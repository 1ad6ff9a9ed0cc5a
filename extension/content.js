// Finds the zqk documents of this frame where the plug-in's browsers found
// them, <embed> and <object>, as the page is parsed and also those a script
// adds later, and hands each to the background once per page load. It starts
// before the page does, so that it can always answer for the documents the
// browser fetches. In the top frame it also shows the bar that asks the
// user, and what became of the documents.
"use strict";

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const handed = new Set();

  // An attribute by its name without case, as the plug-in read them.
  function attribute(element, name) {
    for (const { name: given, value } of element.attributes) {
      if (given.toLowerCase() === name) return value;
    }
    return null;
  }

  // The page's attributes, then an <object>'s <param> children: the browser
  // handed the plug-in both, in this order.
  function pageAttributes(element) {
    const pairs = [...element.attributes].map(({ name, value }) => [name, value]);
    if (element.localName === "object") {
      for (const param of element.querySelectorAll(":scope > param")) {
        pairs.push([attribute(param, "name") ?? "", attribute(param, "value") ?? ""]);
      }
    }
    return pairs;
  }

  // The address an <embed> (src) or an <object> (data) names, or null.
  function addressOf(element) {
    const source = attribute(element, element.localName === "object" ? "data" : "src");
    if (source === null || source.trim() === "") return null;
    try {
      return new URL(source, element.baseURI);
    } catch {
      return null;
    }
  }

  function documentOf(element) {
    const url = addressOf(element);
    if (url === null) return null;
    const type = attribute(element, "type");
    const zqk = type !== null && type.trim() !== "" ? NPZQK.isZqkType(type)
                                                     : url.pathname.toLowerCase().endsWith(".zqk");
    if (!zqk || !NPZQK.mayHand(location.href, url.href)) return null;
    let uid = "";
    let winclose = false;
    for (const [name, value] of pageAttributes(element)) {
      const key = name.toLowerCase();
      if (key === "winclose" && value.toLowerCase() === "yes") winclose = true;
      if (key === "uid" && value !== "") uid = value;
    }
    return { url: url.href, uid, winclose };
  }

  // An <embed> or <object> inside an <object> that is a zqk document itself
  // is that object's fallback: the browser would not have shown it.
  function isFallback(element) {
    const outer = element.parentElement?.closest("object");
    return outer != null && documentOf(outer) !== null;
  }

  function scan() {
    const found = [];
    for (const element of document.querySelectorAll("embed, object")) {
      const zqk = documentOf(element);
      if (zqk === null || isFallback(element)) continue;
      const key = `${zqk.url}\0${zqk.uid}`;
      if (handed.has(key)) continue;
      handed.add(key);
      found.push(zqk);
    }
    if (found.length > 0) api.runtime.sendMessage({ kind: "documents", documents: found });
  }

  let scanQueued = false;
  const observer = new MutationObserver(() => {
    if (scanQueued) return;
    scanQueued = true;
    setTimeout(() => {
      scanQueued = false;
      scan();
    }, 0);
  });
  observer.observe(document, { childList: true, subtree: true, attributes: true });
  scan();

  // The background asks whether a download of this address is the fetch of
  // one of this frame's documents, rather than a page of its own.
  api.runtime.onMessage.addListener((message, sender, sendResponse) => {
    if (message.kind !== "embeds") return;
    for (const element of document.querySelectorAll("embed, object")) {
      if (addressOf(element)?.href === message.url) sendResponse(true);
    }
  });

  if (window === window.top) globalThis.npzqkBar = NPZqkBar(api);
})();
