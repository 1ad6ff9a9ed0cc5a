// Starts TarvikViewer through the native messaging host: for the documents
// the content scripts find, and for full-page documents, from the sites the
// user or the administrator allows. Chromium runs this as a service worker,
// Firefox as an event page after zqk.js.
"use strict";

if (typeof importScripts === "function") importScripts("zqk.js");

const api = globalThis.browser ?? globalThis.chrome;

async function allowedSites() {
  const { sites = [] } = await api.storage.local.get("sites");
  return new Set([...sites.map(String), ...(await NPZQK.managedSites(api))]);
}

async function allowSite(site) {
  const { sites = [] } = await api.storage.local.get("sites");
  if (!sites.includes(site)) await api.storage.local.set({ sites: [...sites, site].sort() });
}

// One request to the host and its reply; {} when the host cannot be reached.
async function startViewer(zqk) {
  try {
    return (await api.runtime.sendNativeMessage(NPZQK.host, { url: zqk.url, uid: zqk.uid })) ?? {};
  } catch {
    return {};
  }
}

// The page learns what became of each document in its top frame's bar.
async function open(tabId, documents) {
  for (const zqk of documents) {
    const reply = await startViewer(zqk);
    api.tabs.sendMessage(tabId, { kind: "result", document: zqk, reply }, { frameId: 0 }).catch(() => {});
  }
}

// What a content script hands over, checked again here: a page's frame may
// hand only its own kinds of documents.
function checked(pageUrl, documents) {
  if (!Array.isArray(documents)) return [];
  return documents.filter((zqk) => {
    try {
      return typeof zqk.uid === "string" && NPZQK.mayHand(pageUrl, zqk.url);
    } catch {
      return false;
    }
  }).map((zqk) => ({ url: new URL(zqk.url).href, uid: zqk.uid, winclose: zqk.winclose === true }));
}

async function offer(tabId, site, documents) {
  if (documents.length === 0) return;
  if ((await allowedSites()).has(site)) {
    await open(tabId, documents);
  } else {
    api.tabs.sendMessage(tabId, { kind: "ask", site, documents }, { frameId: 0 }).catch(() => {});
  }
}

api.runtime.onMessage.addListener((message, sender) => {
  const tabId = sender.tab?.id;
  if (tabId === undefined || typeof sender.url !== "string") return;
  if (message.kind === "documents") {
    offer(tabId, NPZQK.siteOf(sender.url), checked(sender.url, message.documents));
  } else if (message.kind === "answer" && sender.frameId === 0) {
    const documents = checked(sender.url, message.documents);
    if (message.choice === "always") allowSite(String(message.site)).then(() => open(tabId, documents));
    if (message.choice === "once") open(tabId, documents);
  }
});

// A full-page document: the page it came from asks, and stays; a navigation
// of the user's own (no page before it) needs no leave.
function openFullPage(tabId, url, fromUrl) {
  const zqk = [{ url, uid: "", winclose: false }];
  if (!fromUrl) {
    open(tabId, zqk);
    return;
  }
  try {
    if (!NPZQK.mayHand(fromUrl, url)) return;
    offer(tabId, NPZQK.siteOf(fromUrl), zqk);
  } catch {
    // Not a page that may hand documents.
  }
}

// A tab that a page opened for the document alone, and that never showed a
// page of its own, closes once the document has gone to the viewer.
async function closeIfOpenedForDocument(tabId) {
  const tab = await api.tabs.get(tabId);
  if (tab.openerTabId === undefined) return;
  try {
    await api.tabs.sendMessage(tabId, { kind: "ping" }, { frameId: 0 });
  } catch {
    api.tabs.remove(tabId);
  }
}

// Firefox stops the response before anything is saved, with a blocking
// listener; Chromium gives extensions of this kind none, and stops the
// download instead, before anything is saved.
if (typeof api.runtime.getBrowserInfo === "function") {
  api.webRequest.onHeadersReceived.addListener((details) => {
    const type = details.responseHeaders?.find((header) => header.name.toLowerCase() === "content-type");
    if (type === undefined || !NPZQK.isZqkType(type.value)) return {};
    openFullPage(details.tabId, details.url, details.originUrl);
    if (details.type === "main_frame") closeIfOpenedForDocument(details.tabId).catch(() => {});
    return { cancel: true };
  }, { urls: ["http://*/*", "https://*/*"], types: ["main_frame", "sub_frame"] }, ["blocking", "responseHeaders"]);
} else {
  // Chromium holds a download here until the listener answers: it is
  // cancelled and erased before it gets a name, and its file removed should
  // it have completed all the same.
  async function discard(item) {
    await api.downloads.cancel(item.id).catch(() => {});
    const [now] = await api.downloads.search({ id: item.id });
    if (now?.state === "complete") await api.downloads.removeFile(item.id).catch(() => {});
    await api.downloads.erase({ id: item.id });
  }

  // An <embed> or <object> without a type is fetched, and becomes a
  // download too: the frame that holds it, in whichever tab, says so and
  // hands it itself. Otherwise the page it came from asks, in its own tab.
  async function stopDownload(item) {
    await discard(item);
    const url = item.finalUrl || item.url;
    const tabs = await api.tabs.query({});
    const claims = await Promise.all(
      tabs.map((tab) => api.tabs.sendMessage(tab.id, { kind: "embeds", url }).catch(() => false)));
    if (claims.some(Boolean)) return;
    const from = tabs.find((tab) => item.referrer && tab.url === item.referrer) ?? tabs.find((tab) => tab.active);
    openFullPage(from?.id ?? -1, url, item.referrer);
  }

  api.downloads.onDeterminingFilename.addListener((item, suggest) => {
    if (!NPZQK.isZqkType(item.mime ?? "")) return false;
    stopDownload(item).finally(() => suggest());
    return true;
  });
}
