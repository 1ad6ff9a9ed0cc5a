// Finds the zqk documents of this frame where the plug-in's browsers found
// them, <embed> and <object>, in the page and in its shadow roots, once the
// page is parsed and also those a script adds or changes later; hands each
// to the background once per page load, and shows in each document's place
// what became of it. It starts before the page does, so that it can always
// answer for the documents the browser fetches. page_world.js tells it of
// each <embed> and <object> added, in the page or a shadow root; it watches
// only those elements' own attributes and children, and, for a zqk
// document, the parent that holds its place, so that a page without zqk
// documents costs it next to nothing.
"use strict";

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const place = NPZqkPlace();
  // A frame without an address of its own (about:blank, about:srcdoc) is
  // of the site it inherits from the frame that made it.
  const page = location.protocol === "about:" ? self.origin : location.href;
  let site = null;
  let siteName = null;
  try {
    site = NPZQK.siteOf(page);
    siteName = NPZQK.siteName(site);
  } catch {
    return; // of no site (an opaque origin): no document here is handed
  }
  const documents = new Map(); // "url\0uid" -> {zqk, places, state}, this page load's
  const byId = new Map(); // the background's name for a document -> the same
  const shown = new WeakMap(); // element -> {key, spot}, where it stands
  const known = new Set(); // every <embed> and <object> seen
  const roots = new WeakSet(); // the declarative shadow roots watched from here
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
    const plain = zqk && NPZQK.mayHand(page, url.href) ? NPZQK.plainUrl(url.href) : null;
    if (plain === null) return null;
    let uid = "";
    let winclose = false;
    for (const [name, value] of pageAttributes(element)) {
      const key = name.toLowerCase();
      if (key === "winclose" && value.toLowerCase() === "yes") winclose = true;
      if (key === "uid" && value !== "") uid = value;
    }
    return { url: plain, uid, winclose };
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
      withdraw(element); // page_world.js tells of it again once it joins the page
      return;
    }
    const zqk = documentOf(element);
    if (zqk === null || isFallback(element)) {
      withdraw(element);
      return;
    }
    const { key, entry } = entryFor(zqk);
    if (shown.get(element)?.key === key) return;
    withdraw(element);
    // A document on another computer's share is named by that computer.
    const from = NPZQK.siteName(NPZQK.sourceOf(site, zqk.url));
    const spot = place.placeFor(element, { ...entry.zqk, siteName: from }, () => act(entry));
    spot.show(entry.state);
    entry.places.push(spot);
    shown.set(element, { key, spot });
    removed.observe(element.parentNode, { childList: true });
  }

  function hand() {
    if (toHand.length === 0) return;
    api.runtime.sendMessage({ kind: "documents", documents: toHand }).catch(() => {});
    toHand = [];
  }

  // Each element's attributes that name a document, and an <object>'s
  // <param> children; and the parent of each that has a place, which loses it.
  const changed = new MutationObserver((records) => {
    for (const record of records) consider(record.target);
    hand();
  });
  const removed = new MutationObserver((records) => {
    for (const record of records) {
      for (const node of record.removedNodes) withdraw(node);
    }
  });

  function isKind(node) {
    return node instanceof Element && (node.localName === "embed" || node.localName === "object");
  }

  function take(element) {
    if (!known.has(element)) {
      known.add(element);
      changed.observe(element, { attributes: true, attributeFilter: ["src", "data", "type"],
                                 childList: element.localName === "object" });
    }
    consider(element);
  }

  function shadowOf(element) {
    return api.dom?.openOrClosedShadowRoot(element) ?? element.openOrClosedShadowRoot ?? null;
  }

  // What page_world.js tells: an element, or the host whose shadow roots hold it.
  function found(event) {
    const told = event.relatedTarget;
    const root = told instanceof Element ? shadowOf(told) : null;
    if (isKind(told)) take(told);
    else if (root !== null) search(root, false);
    hand();
  }

  function listen() {
    document.addEventListener("npzqk-found", found);
  }

  // A shadow root no script attached (a declarative one, which the parser
  // made), which page_world.js therefore does not watch: watched from here.
  const parsed = new MutationObserver((records) => {
    for (const record of records) {
      for (const node of record.addedNodes) {
        if (isKind(node)) take(node);
        else if (node.firstElementChild != null) for (const element of node.querySelectorAll("embed, object")) take(element);
      }
    }
    hand();
  });

  // A shadow root met here, watched from here where it is declarative (or may be), and searched.
  function adopt(element, declarative) {
    const root = shadowOf(element);
    if (root === null || (declarative && roots.has(root))) return;
    if (declarative) {
      roots.add(root);
      parsed.observe(root, { childList: true, subtree: true });
    }
    search(root, declarative);
  }

  // What a tree holds already: its documents, and its shadow roots', however deep.
  function search(tree, declarative) {
    for (const element of tree.querySelectorAll("*")) {
      if (isKind(element)) take(element);
      adopt(element, declarative);
    }
  }

  // The parsed page's shadow roots that no script attached (declarative
  // ones), looked for among its elements a few at a time while it is idle.
  function sweepParsed() {
    const elements = document.querySelectorAll("*");
    const later = globalThis.requestIdleCallback ?? ((then) => setTimeout(() => then({ timeRemaining: () => 5 })));
    let next = 0;
    const some = (idle) => {
      while (next < elements.length && idle.timeRemaining() > 0) adopt(elements[next++], true);
      hand();
      if (next < elements.length) later(some);
    };
    later(some);
  }

  // The elements that name this address, shadow roots not yet known included.
  function elementsAt(url) {
    const at = () => [...known].filter((element) => element.isConnected && addressOf(element)?.href === url);
    if (at().length === 0) search(document, true);
    return at();
  }

  listen();
  // A page's document.open() (a blank frame it writes into) takes away every
  // listener of the document, the script's too: listening again, and the
  // documents it has written by then taken.
  new MutationObserver(() => {
    listen();
    for (const element of document.querySelectorAll("embed, object")) take(element);
    hand();
  }).observe(document, { childList: true });

  // Once parsed, the page's documents; then, while it is idle, its declarative shadow roots'.
  function start() {
    for (const element of document.querySelectorAll("embed, object")) take(element);
    hand();
    sweepParsed();
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
