// A zqk document as a page of its own, or in a frame: its response is
// stopped before anything is saved, and the viewer started for it, or the
// question asked. The engines differ only in how the response is stopped:
// Firefox stops it with a blocking listener; Chromium gives extensions of
// this kind none, and stops the download it becomes instead.
"use strict";

function isZqkResponse(details) {
  const type = details.responseHeaders?.find((header) => header.name.toLowerCase() === "content-type");
  return type !== undefined && NPZQK.isZqkType(type.value);
}

// A full-page document: the page that navigated to it asks, and stays,
// with the leave of the sites above it too; the user's own navigation needs
// no leave. Where the browser cannot tell who started it (null, an opaque
// origin, a page of no site), the tab's page asks.
function openFullPage(tabId, url, by, above) {
  const zqk = [{ url, uid: "", winclose: false }];
  if (by === undefined) {
    open(tabId, zqk);
    return;
  }
  let site = null;
  try {
    if (by !== null && ["http:", "https:", "file:"].includes(new URL(by).protocol)) {
      if (!NPZQK.mayHand(by, url)) return;
      site = NPZQK.siteOf(by);
    }
  } catch {
    // An opaque origin ("null"), or nothing the browser could tell.
  }
  if (site === null) {
    askUser(tabId, null, zqk, false);
  } else {
    offer(tabId, leaveOf(above, site), zqk, "navigated");
  }
}

// The sites above a navigation's document: the frames above a frame's, the
// tab's page for a page's own.
async function sitesAboveNavigation(tabId, navigation) {
  if (navigation.type === "sub_frame") return sitesAbove(tabId, navigation.frameId, navigation.parentFrameId);
  const site = frameSite((await api.tabs.get(tabId).catch(() => null))?.url ?? "");
  return site === undefined || site === "null" ? [] : [site];
}

// The tab that asks for a full-page document: the one the navigation was
// in, or, for a tab that a page opened for the document alone and that
// never showed a page of its own, the page's that opened it: that tab
// closes, once it has told.
async function askingTab(details) {
  const tab = await api.tabs.get(details.tabId).catch(() => null);
  if (details.type !== "main_frame" || tab?.openerTabId === undefined) return details.tabId;
  try {
    await api.tabs.sendMessage(details.tabId, { kind: "ping" }, { frameId: 0 });
    return details.tabId;
  } catch {
    api.tabs.remove(details.tabId);
    return tab.openerTabId;
  }
}

if (kFirefox) {
  api.webRequest.onHeadersReceived.addListener((details) => {
    if (!isZqkResponse(details)) return {};
    Promise.all([askingTab(details), startedBy(details)]).then(async ([tabId, by]) =>
      openFullPage(tabId, details.url, by, await sitesAboveNavigation(tabId, details)));
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
  // The navigations that received a zqk document, by address, with who
  // started each: a download says only its referrer, which the page sets.
  const navigations = new Map();
  api.webRequest.onHeadersReceived.addListener((details) => {
    if (!isZqkResponse(details)) return;
    const { tabId, type, frameId, parentFrameId } = details;
    remember(navigations, details.url, { tabId, type, frameId, parentFrameId, by: startedBy(details) });
  }, { urls: ["http://*/*", "https://*/*"], types: ["main_frame", "sub_frame"] }, ["responseHeaders"]);

  async function navigationTo(url) {
    for (let tries = 0; tries < 10 && !navigations.has(url); tries += 1) {
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
    const found = navigations.get(url) ?? { tabId: -1, type: "main_frame", by: null };
    navigations.delete(url);
    return { ...found, by: await found.by };
  }

  async function stopDownload(item) {
    await discard(item);
    const url = item.finalUrl || item.url;
    const tabs = await api.tabs.query({});
    const claims = await Promise.all(tabs.map((tab) => api.tabs.sendMessage(tab.id, { kind: "embeds", url: item.url })
      .catch(() => false)));
    if (claims.some(Boolean)) return;
    // A tab opened for the document alone is gone by now: the one in front asks.
    const navigation = await navigationTo(url);
    const from = tabs.find((tab) => tab.id === navigation.tabId) ?? tabs.find((tab) => tab.active);
    openFullPage(from?.id ?? -1, url, navigation.by, await sitesAboveNavigation(from?.id ?? -1, navigation));
  }

  // Each download stopped once, by whichever comes first: the hold, or its
  // creation, which reaches the background even where it was not yet
  // listening when the browser looked for one to hold it (as a browser just
  // started into a private window may be).
  const stopping = new Map(); // download id -> its stop
  function stopOnce(item) {
    if (!stopping.has(item.id)) remember(stopping, item.id, stopDownload(item).catch(() => {}));
    return stopping.get(item.id);
  }

  api.downloads.onCreated.addListener((item) => {
    if (item.state === "in_progress" && NPZQK.isZqkType(item.mime ?? "")) stopOnce(item); // not one of the past
  });
  api.downloads.onDeterminingFilename.addListener((item, suggest) => {
    if (!NPZQK.isZqkType(item.mime ?? "")) return false;
    stopOnce(item).finally(() => {
      try {
        suggest();
      } catch {
        // stopped before it was held
      }
    });
    return true;
  });
}
