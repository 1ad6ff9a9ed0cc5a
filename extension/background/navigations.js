// Who started a navigation, as the browser itself tells it, which no page
// can blank: the origin or page that started it; undefined for the user's
// own (the address bar, a bookmark, a link from outside the browser); null
// where the browser names no one and it may still be the page's (a frame's,
// or a reload or a step in the tab's history). Decided at a navigation's
// first request: its redirects keep what it was.
"use strict";

const beginnings = new Map(); // request -> who started it, to be
const kShownKept = 50;

function address(url) {
  return url.split("#")[0];
}

// The browsers name no one for a page's history.back(), nor Firefox for its
// location.reload(), as for the user's own navigation: one to an address
// the tab has shown may be the page's.
// (Read as it stands, not through an edit: a navigation's edit waits for this.)
async function mayBeUsers(details) {
  const tab = await api.tabs.get(details.tabId).catch(() => null);
  const { shown = {} } = await api.storage.session.get("shown");
  return ![...(shown[details.tabId] ?? []), tab?.url ?? ""].map(address).includes(address(details.url));
}

async function whoStarted(details) {
  const by = details.originUrl ?? details.initiator;
  if (by !== undefined) return by;
  return details.type === "main_frame" && (await mayBeUsers(details)) ? undefined : null;
}

function startedBy(details) {
  if (!beginnings.has(details.requestId)) remember(beginnings, details.requestId, whoStarted(details));
  return beginnings.get(details.requestId);
}

// The addresses each tab has shown, its own pages' changes of address too.
api.tabs.onUpdated.addListener((tabId, change) => {
  if (change.url === undefined) return;
  editSession("shown", (shown) => {
    shown[tabId] = [...(shown[tabId] ?? []).filter((url) => url !== address(change.url)), address(change.url)]
      .slice(-kShownKept);
  });
});

// A tab's next page: the held documents of its places go with them (a
// tab's status says "loading" for its frames' loads too, in Chromium), and
// the user's own navigation starts its share afresh and lets the page ask.
// Queued at once, so that the new page's documents, which come later, find
// the tab as its navigation leaves it.
api.webRequest.onBeforeRequest.addListener((details) => {
  if (details.tabId < 0) return;
  takeHeld(details.tabId, (zqk) => zqk.id !== undefined);
  const by = startedBy(details);
  editSession(["starts", "quiet"], async (starts, quieted) => {
    if ((await by) !== undefined) return;
    startAfresh(starts, details.tabId);
    hearAgain(quieted, details.tabId);
  });
}, { urls: ["http://*/*", "https://*/*"], types: ["main_frame"] });
