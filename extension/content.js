// Finds the zqk documents of this frame where the plug-in's browsers found
// them, <embed> and <object>, once the page is parsed and also those a script
// adds or changes later, hands each to the background once per page load,
// and shows in each document's place what became of it. It starts before
// the page does, so that it can always answer for the documents the browser
// fetches, and otherwise costs a page nothing: it learns of each <embed> and
// <object> the page renders from the animation found.css gives them, and
// watches only those elements' own attributes and children.
"use strict";

(() => {
  const api = globalThis.browser ?? globalThis.chrome;
  const place = NPZqkPlace();
  const siteName = NPZQK.siteName(NPZQK.siteOf(location.href));
  const documents = new Map(); // "url\0uid" -> {zqk, places, state}, this page load's
  const byId = new Map(); // the background's name for a document -> the same
  const shown = new WeakMap(); // element -> {key, spot}, where it stands
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
    if (element.parentNode !== null) removed.observe(element.parentNode, { childList: true });
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

  function watch(element) {
    changed.observe(element, { attributes: true, attributeFilter: ["src", "data", "type"],
                               childList: element.localName === "object" });
  }

  function take(element) {
    watch(element);
    consider(element);
  }

  addEventListener("animationstart", (event) => {
    const element = event.composedPath()[0];
    if (event.animationName !== "npzqk-found" || !["embed", "object"].includes(element.localName)) return;
    take(element);
    hand();
  }, true);

  function start() {
    for (const element of document.querySelectorAll("embed, object")) take(element);
    hand();
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
    if (message.kind === "embeds") {
      for (const element of document.querySelectorAll("embed, object")) {
        if (addressOf(element)?.href === message.url) sendResponse(true);
      }
    }
    if (window !== window.top) return undefined;
    // A notice's action: the held documents open, the waiting ones are asked for.
    if (message.kind === "notice") {
      const kind = message.state.status === "held" ? "release" : "recall";
      place.notice(message.state, { ...message.document, siteName },
                   () => api.runtime.sendMessage({ kind }).catch(() => {}));
    }
    // The background asks whether this tab shows a page.
    if (message.kind === "ping") sendResponse(true);
    return undefined;
  });

  if (document.readyState === "loading") {
    document.addEventListener("DOMContentLoaded", start, { once: true });
  } else {
    start();
  }
})();
