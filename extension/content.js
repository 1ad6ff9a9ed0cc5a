// Finds the zqk documents of this frame where the plug-in's browsers found
// them, <embed> and <object>, in the page and in its shadow roots, once the
// page is parsed and also those a script adds or changes later; hands each
// to the background once per page load, and shows in each document's place
// what became of it. It starts before the page does, so that it can always
// answer for the documents the browser fetches. It learns of new elements
// from one observer of the page's tree and of each shadow root (shadows.js
// tells of those the page attaches), and looks only at what was added, so
// that a page without zqk documents costs it next to nothing.
"use strict";

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const place = NPZqkPlace();
  // A frame without an address of its own (about:blank, about:srcdoc) is
  // of the site it inherits from the frame that made it.
  const page = location.protocol === "about:" ? self.origin : location.href;
  let siteName = null;
  try {
    siteName = NPZQK.siteName(NPZQK.siteOf(page));
  } catch {
    return; // of no site (an opaque origin): no document here is handed
  }
  const documents = new Map(); // "url\0uid" -> {zqk, places, state}, this page load's
  const byId = new Map(); // the background's name for a document -> the same
  const shown = new WeakMap(); // element -> {key, spot}, where it stands
  const known = new Set(); // every <embed> and <object> seen
  const unplaced = new Set(); // those seen outside the page, until they join it
  const roots = new WeakSet(); // the shadow roots watched
  const served = new Set(); // untyped addresses the server answered as zqk documents
  let toHand = [];

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
    // The type the page gives, else the address's ending, else the server's type.
    const zqk = type !== null && type.trim() !== "" ? NPZQK.isZqkType(type)
                                                     : url.pathname.toLowerCase().endsWith(".zqk") || served.has(url.href);
    if (!zqk || !NPZQK.mayHand(page, url.href)) return null;
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

  // The user's click in a document's place: asks for it, or opens the held ones.
  function act(entry) {
    const message = entry.state.status === "held" ? { kind: "release" } : { kind: "ask", documents: [entry.zqk] };
    api.runtime.sendMessage(message).catch(() => {});
  }

  // The document this element names, known from now on, and handed once.
  function entryFor(zqk) {
    const key = `${zqk.url}\0${zqk.uid}`;
    let entry = documents.get(key);
    if (entry === undefined) {
      entry = { zqk: { ...zqk, id: documents.size + 1 }, places: [], state: { status: "waiting" } };
      documents.set(key, entry);
      byId.set(entry.zqk.id, entry);
      toHand.push(entry.zqk);
    }
    return { key, entry };
  }

  function withdraw(element) {
    const was = shown.get(element);
    if (was === undefined) return;
    was.spot.remove();
    const entry = documents.get(was.key);
    entry.places = entry.places.filter((spot) => spot !== was.spot);
    shown.delete(element);
  }

  function consider(element) {
    if (!element.isConnected) {
      unplaced.add(element);
      withdraw(element);
      return;
    }
    unplaced.delete(element);
    const zqk = documentOf(element);
    if (zqk === null || isFallback(element)) {
      withdraw(element);
      return;
    }
    const { key, entry } = entryFor(zqk);
    if (shown.get(element)?.key === key) return;
    withdraw(element);
    const spot = place.placeFor(element, { ...entry.zqk, siteName }, () => act(entry));
    spot.show(entry.state);
    entry.places.push(spot);
    shown.set(element, { key, spot });
  }

  function hand() {
    if (toHand.length === 0) return;
    api.runtime.sendMessage({ kind: "documents", documents: toHand }).catch(() => {});
    toHand = [];
  }

  function isKind(node) {
    return node.localName === "embed" || node.localName === "object";
  }

  function take(element) {
    known.add(element);
    consider(element);
  }

  function shadowOf(element) {
    return api.dom?.openOrClosedShadowRoot(element) ?? element.openOrClosedShadowRoot ?? null;
  }

  // One observer for the page's tree and each shadow root in it: what is
  // added, what is removed, and what an <embed> or <object> names (its
  // attributes, an <object>'s <param> children).
  const kWatched = { childList: true, subtree: true, attributes: true, attributeFilter: ["src", "data", "type"] };
  const seen = new MutationObserver((records) => {
    for (const record of records) {
      if (isKind(record.target)) consider(record.target);
      for (const node of record.addedNodes) if (node.nodeType === Node.ELEMENT_NODE) find(node);
      for (const node of record.removedNodes) withdraw(node);
    }
    for (const element of unplaced) consider(element);
    hand();
  });

  function find(node) {
    if (isKind(node)) take(node);
    else if (node.firstElementChild !== null) for (const element of node.querySelectorAll("embed, object")) take(element);
  }

  function watch(root) {
    if (roots.has(root)) return;
    roots.add(root);
    root.addEventListener("npzqk-shadow", told);
    seen.observe(root, kWatched);
    if (root.firstElementChild !== null) sweep(root);
  }

  // What a tree holds already: its documents, and its shadow roots', however deep.
  function sweep(tree) {
    for (const element of tree.querySelectorAll("*")) {
      if (isKind(element)) take(element);
      const root = shadowOf(element);
      if (root !== null) watch(root);
    }
  }

  // A shadow root the page attached, in the tree the event came to (shadows.js).
  function told(event) {
    const host = event.relatedTarget;
    const root = host instanceof Element ? shadowOf(host) : null;
    if (root !== null) watch(root);
    hand();
  }

  // The elements that name this address, shadow roots not yet watched included.
  function elementsAt(url) {
    const at = () => [...known].filter((element) => element.isConnected && addressOf(element)?.href === url);
    if (at().length === 0) sweep(document);
    return at();
  }

  document.addEventListener("npzqk-shadow", told);

  // Once parsed, the page's documents, and its changes from then on; then,
  // when the page has a moment, the shadow roots the parser attached
  // (declarative ones), which no script did.
  function start() {
    seen.observe(document, kWatched);
    for (const element of document.querySelectorAll("embed, object")) take(element);
    hand();
    const later = globalThis.requestIdleCallback ?? setTimeout;
    later(() => {
      sweep(document);
      hand();
    });
  }

  // What became of a document: in each of its places, and the window it
  // asked to close once it opened.
  function showState(id, state) {
    const entry = byId.get(id);
    // The same state again changes nothing: its place keeps its button, and the focus.
    if (entry === undefined || JSON.stringify(entry.state) === JSON.stringify(state)) return;
    entry.state = state;
    for (const spot of entry.places) spot.show(state);
    if (state.status === "opened" && entry.zqk.winclose) window.top.close();
  }

  api.runtime.onMessage.addListener((message, sender, sendResponse) => {
    if (message.kind === "state") showState(message.id, message.state);
    // The background asks whether a download of this address is the fetch
    // of one of this frame's documents, rather than a page of its own.
    if (message.kind === "embeds" && elementsAt(message.url).length > 0) sendResponse(true);
    // The server answered an untyped <embed> or <object> of this frame as a zqk document.
    if (message.kind === "served") {
      served.add(message.url);
      for (const element of elementsAt(message.url)) consider(element);
      hand();
      sendResponse(true);
    }
    if (window !== window.top) return undefined;
    // A notice's action: the held documents open, the waiting ones are asked for.
    if (message.kind === "notice") {
      const kind = message.state.status === "held" ? "release" : "recall";
      place.notice(message.state, { ...message.document, siteName },
                   () => api.runtime.sendMessage({ kind }).catch(() => {}));
    }
    // The background asks whether this tab shows a page (a blank one is none).
    if (message.kind === "ping" && location.protocol !== "about:") sendResponse(true);
    return undefined;
  });

  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", start, { once: true });
  } else {
    start();
  }
})();
