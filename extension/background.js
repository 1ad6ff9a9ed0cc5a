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

// What became of a document, told where it stands on the page; a full-page
// document has no place, and only a failure to start it, or that it is held
// or waits, is told, at the top of its tab.
function show(tabId, zqk, state) {
  if (zqk.id !== undefined) {
    api.tabs.sendMessage(tabId, { kind: "state", id: zqk.id, state }, { frameId: zqk.frameId }).catch(() => {});
  } else if (["missing", "host", "refused", "held", "quiet"].includes(state.status)) {
    api.tabs.sendMessage(tabId, { kind: "notice", document: zqk, state }, { frameId: 0 }).catch(() => {});
  }
}

function outcome(reply) {
  if (reply.started === true) return { status: "opened" };
  if (reply.started === false) return { status: "missing", caption: String(reply.caption), text: String(reply.text) };
  if (typeof reply.error === "string") return { status: "refused", error: reply.error };
  return { status: "host" };
}

async function open(tabId, documents) {
  for (const zqk of documents) {
    show(tabId, zqk, { status: "opening" });
    show(tabId, zqk, outcome(await startViewer(zqk)));
  }
}

// What a content script hands over, checked again here: a page's frame may
// hand only its own kinds of documents, and names each by a number of its own.
function checked(pageUrl, frameId, documents) {
  if (!Array.isArray(documents)) return [];
  return documents.filter((zqk) => {
    try {
      return typeof zqk.uid === "string" && Number.isSafeInteger(zqk.id) && NPZQK.mayHand(pageUrl, zqk.url);
    } catch {
      return false;
    }
  }).map((zqk) => ({ url: new URL(zqk.url).href, uid: zqk.uid, winclose: zqk.winclose === true, id: zqk.id,
                     frameId }));
}

// ---- The question, in a window of the extension's own: the page can neither
// draw in it, nor read it, nor reach it. One window per tab and site; its
// state lives in the session's storage, which outlasts this worker.

let editing = Promise.resolve();

// Changes one record of the session's storage (the open questions, the
// pages' starts, the held documents) one change at a time; returns what
// change returns.
function editSession(name, change) {
  const edited = editing.then(async () => {
    const { [name]: record = {} } = await api.storage.session.get(name);
    const result = change(record);
    await api.storage.session.set({ [name]: record });
    return result;
  });
  editing = edited.catch(() => {});
  return edited;
}

function editQuestions(change) {
  return editSession("questions", change);
}

function sameDocument(a, b) {
  return a.url === b.url && a.uid === b.uid && a.id === b.id && a.frameId === b.frameId;
}

// Where the question's window opens: over the top of the tab's window.
async function placement(windowId) {
  const width = 500;
  const height = 280;
  const parent = await api.windows.get(windowId).catch(() => null);
  if (parent === null || parent.left === undefined) return { width, height };
  return { width, height, left: parent.left + Math.max(0, Math.round((parent.width - width) / 2)),
           top: parent.top + 80 };
}

// Asks for the documents of a site; a site of null is the tab's page, asked
// about where the browser cannot tell who started a navigation. What a page
// asks for by itself, after the user said "Not now" in its tab, waits.
async function askUser(tabId, given, documents, byUser) {
  const tab = await api.tabs.get(tabId).catch(() => null);
  if (tab === null) return;
  let site = given;
  try {
    site ??= NPZQK.siteOf(tab.url);
  } catch {
    return; // no page of the web or of the computer
  }
  if (!byUser && (await waitQuietly(tabId, site, documents))) return;
  for (const zqk of documents) show(tabId, zqk, { status: "asking" });
  const { question, isNew } = await editQuestions((questions) => {
    const open = Object.values(questions).find((asked) => asked.tabId === tabId && asked.site === site);
    if (open !== undefined) {
      open.documents.push(...documents.filter((zqk) => !open.documents.some((known) => sameDocument(known, zqk))));
      open.raised += 1;
      return { question: open, isNew: false };
    }
    const made = { id: crypto.randomUUID(), tabId, site, page: NPZQK.siteOf(tab.url ?? site), documents,
                   windowId: null, raised: 0 };
    questions[made.id] = made;
    return { question: made, isNew: true };
  });
  if (!isNew) {
    api.windows.update(question.windowId, { focused: true }).catch(() => {});
    return;
  }
  const made = await api.windows.create({ url: `ask.html#${question.id}`, type: "popup",
                                           ...(await placement(tab.windowId)) });
  await editQuestions((questions) => {
    if (questions[question.id] !== undefined) questions[question.id].windowId = made.id;
  });
}

// The user's answer, or "not now" when the window was closed, which quiets
// the tab's page.
async function settle(question, choice) {
  if (choice === "always") await allowSite(question.site);
  if (choice === "once" || choice === "always") {
    await open(question.tabId, question.documents);
  } else {
    await editSession("quiet", (quiet) => {
      quiet[question.tabId] ??= [];
    });
    for (const zqk of question.documents) show(question.tabId, zqk, { status: "declined" });
  }
}

// ---- After a "Not now", the page asks no more by itself until the user's
// own navigation of the tab: what it tries waits in the notice at the top of
// the tab, which counts it and asks on the user's click.

// Whether the documents wait, the tab being quiet; they are told so.
async function waitQuietly(tabId, site, documents) {
  const waiting = await editSession("quiet", (quiet) => {
    const kept = quiet[tabId];
    if (kept === undefined) return null;
    kept.push(...documents.filter((zqk) => !kept.some((known) => known.site === site && sameDocument(known.zqk, zqk)))
      .map((zqk) => ({ site, zqk })));
    return kept;
  });
  if (waiting === null) return false;
  show(tabId, documents[0], { status: "quiet", count: waiting.length });
  return true;
}

// The user's click in that notice: each site's waiting documents are asked for.
async function askWaiting(tabId) {
  const waiting = await editSession("quiet", (quiet) => (quiet[tabId] ?? []).splice(0));
  const sites = new Set(waiting.map((kept) => kept.site));
  for (const site of sites) {
    await askUser(tabId, site, waiting.filter((kept) => kept.site === site).map((kept) => kept.zqk), true);
  }
}

// Takes a question away once, whoever asks first: its answer or its window's end.
function takeQuestion(matches) {
  return editQuestions((questions) => {
    const found = Object.values(questions).find(matches);
    if (found !== undefined) delete questions[found.id];
    return found;
  });
}

async function answer(sender, id, choice) {
  const question = await takeQuestion((asked) => asked.id === id && asked.windowId === sender.tab?.windowId);
  if (question === undefined) return;
  api.windows.remove(question.windowId).catch(() => {});
  await settle(question, ["once", "always"].includes(choice) ? choice : "not now");
}

api.windows.onRemoved.addListener(async (windowId) => {
  const question = await takeQuestion((asked) => asked.windowId === windowId);
  if (question !== undefined) await settle(question, "not now");
});

// A question goes with its tab, and with the page that holds its documents.
async function dropQuestion(matches) {
  const question = await takeQuestion(matches);
  if (question !== undefined) api.windows.remove(question.windowId).catch(() => {});
}

// ---- A page's own starts, bounded: the first few of a tab's documents from
// a site open at once, and one more for each quarter of a minute since; the
// rest are held, and wait for the user's click on any of them. The user's
// own navigation of the tab starts afresh.

const kAtOnce = 4;
const kOneMoreEvery = 15000;

async function atOnceFor(site) {
  const given = (await NPZQK.managedAtOnce(api))[site];
  if (given === undefined) return kAtOnce;
  return given === 0 ? Infinity : given;
}

// Of the documents, those the tab may open now; it may no longer once any are held.
async function withinShare(tabId, site, documents) {
  const limit = await atOnceFor(site);
  const now = Date.now();
  const { held = {} } = await api.storage.session.get("held");
  if ((held[tabId] ?? []).length > 0) return [];
  return editSession("starts", (starts) => {
    const key = `${tabId} ${site}`;
    const was = starts[key] ?? { spent: 0, at: now };
    const regained = Math.floor((now - was.at) / kOneMoreEvery);
    const spent = Math.max(0, was.spent - regained);
    const taken = documents.slice(0, Math.max(0, Math.min(documents.length, limit - spent)));
    starts[key] = { spent: spent + taken.length, at: regained > 0 ? now : was.at };
    return taken;
  });
}

// The user's own navigation of the tab, or its end: the share is whole
// again, and the page may ask.
function startAfresh(tabId) {
  editSession("quiet", (quiet) => {
    delete quiet[tabId];
  });
  return editSession("starts", (starts) => {
    for (const key of Object.keys(starts)) if (key.startsWith(`${tabId} `)) delete starts[key];
  });
}

// Holds the documents, and tells each held one of the tab how many wait.
async function hold(tabId, documents) {
  if (documents.length === 0) return;
  const waiting = await editSession("held", (held) => {
    const kept = held[tabId] ?? [];
    kept.push(...documents.filter((zqk) => !kept.some((known) => sameDocument(known, zqk))));
    held[tabId] = kept;
    return kept;
  });
  for (const zqk of waiting) show(tabId, zqk, { status: "held", count: waiting.length });
}

// The held documents of the tab, taken to open, or those the page no longer shows, dropped.
function takeHeld(tabId, which = () => true) {
  return editSession("held", (held) => {
    const taken = (held[tabId] ?? []).filter(which);
    held[tabId] = (held[tabId] ?? []).filter((zqk) => !which(zqk));
    if (held[tabId].length === 0) delete held[tabId];
    return taken;
  });
}

api.tabs.onRemoved.addListener((tabId) => {
  dropQuestion((asked) => asked.tabId === tabId);
  takeHeld(tabId);
  startAfresh(tabId);
  editSession("shown", (shown) => {
    delete shown[tabId];
  });
});
api.tabs.onUpdated.addListener((tabId, change) => {
  if (change.status !== "loading") return;
  dropQuestion((asked) => asked.tabId === tabId && asked.documents.every((zqk) => zqk.id !== undefined));
});

// Documents from an allowed site open at once, within the page's share; the
// others wait for the user, who asks from the document's place (or by
// following a link to it). How they came: "found" on the page, "navigated"
// to by the page, or asked for by the user, whose own actions are never held.
async function offer(tabId, site, documents, how) {
  if (documents.length === 0) return;
  if (!(await allowedSites()).has(site)) {
    if (how === "found") {
      for (const zqk of documents) show(tabId, zqk, { status: "waiting" });
    } else {
      await askUser(tabId, site, documents, how === "user");
    }
    return;
  }
  const now = how === "user" ? documents : await withinShare(tabId, site, documents);
  await hold(tabId, documents.filter((zqk) => !now.includes(zqk)));
  await open(tabId, now);
}

const kAskPage = api.runtime.getURL("ask.html");

api.runtime.onMessage.addListener((message, sender) => {
  // Only the extension's own window answers a question.
  if (message.kind === "answer" && sender.id === api.runtime.id && sender.url?.split("#")[0] === kAskPage) {
    answer(sender, String(message.question), String(message.choice));
    return;
  }
  const tabId = sender.tab?.id;
  if (tabId === undefined || typeof sender.url !== "string" || sender.url.startsWith(kAskPage)) return;
  // The user's click on a held document: the tab's held ones open.
  if (message.kind === "release") takeHeld(tabId).then((documents) => open(tabId, documents));
  // The user's click in the notice of what waits after a "Not now": asked.
  if (message.kind === "recall") askWaiting(tabId);
  const documents = checked(sender.url, sender.frameId ?? 0, message.documents);
  if (message.kind === "documents") offer(tabId, NPZQK.siteOf(sender.url), documents, "found");
  if (message.kind === "ask") offer(tabId, NPZQK.siteOf(sender.url), documents, "user");
});

// ---- Who started a navigation, as the browser itself tells it, which no
// page can blank: the origin or page that started it; undefined for the
// user's own (the address bar, a bookmark, a link from outside the browser);
// null where the browser names no one and it may still be the page's (a
// frame's, or a reload or a step in the tab's history). Decided at a
// navigation's first request: its redirects keep what it was.

const kFirefox = typeof api.runtime.getBrowserInfo === "function";
const beginnings = new Map(); // request -> who started it, to be

function address(url) {
  return url.split("#")[0];
}

// The browsers name no one for a page's history.back(), nor Firefox for its
// location.reload(), as for the user's own navigation: one to an address
// the tab has shown may be the page's.
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
  if (!beginnings.has(details.requestId)) {
    beginnings.set(details.requestId, whoStarted(details));
    if (beginnings.size > 64) beginnings.delete(beginnings.keys().next().value);
  }
  return beginnings.get(details.requestId);
}

// The addresses each tab has shown, its own pages' changes of address too.
const kShownKept = 50;
api.tabs.onUpdated.addListener((tabId, change) => {
  if (change.url === undefined) return;
  editSession("shown", (shown) => {
    shown[tabId] = [...(shown[tabId] ?? []).filter((url) => url !== address(change.url)), address(change.url)]
      .slice(-kShownKept);
  });
});

// A tab's next page: the held documents of its places go with them (a
// tab's status says "loading" for its frames' loads too, in Chromium), and
// the user's own navigation starts its share afresh.
api.webRequest.onBeforeRequest.addListener((details) => {
  if (details.tabId < 0) return;
  takeHeld(details.tabId, (zqk) => zqk.id !== undefined);
  startedBy(details).then((by) => by === undefined && startAfresh(details.tabId));
}, { urls: ["http://*/*", "https://*/*"], types: ["main_frame"] });

function isZqkResponse(details) {
  const type = details.responseHeaders?.find((header) => header.name.toLowerCase() === "content-type");
  return type !== undefined && NPZQK.isZqkType(type.value);
}

// A full-page document: the page that navigated to it asks, and stays; the
// user's own navigation needs no leave. Where the browser cannot tell who
// started it (null, an opaque origin, a page of no site), the tab's page asks.
function openFullPage(tabId, url, by) {
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
    offer(tabId, site, zqk, "navigated");
  }
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

// Firefox stops the response before anything is saved, with a blocking
// listener; Chromium gives extensions of this kind none, and stops the
// download instead, before anything is saved.
if (kFirefox) {
  api.webRequest.onHeadersReceived.addListener((details) => {
    if (!isZqkResponse(details)) return {};
    Promise.all([askingTab(details), startedBy(details)]).then(([tabId, by]) => openFullPage(tabId, details.url, by));
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
    navigations.delete(details.url);
    navigations.set(details.url, { tabId: details.tabId, by: startedBy(details) });
    if (navigations.size > 64) navigations.delete(navigations.keys().next().value);
  }, { urls: ["http://*/*", "https://*/*"], types: ["main_frame", "sub_frame"] }, ["responseHeaders"]);

  async function navigationTo(url) {
    for (let tries = 0; tries < 10 && !navigations.has(url); tries += 1) {
      await new Promise((resolve) => setTimeout(resolve, 100));
    }
    const found = navigations.get(url) ?? { tabId: -1, by: null };
    navigations.delete(url);
    return { tabId: found.tabId, by: await found.by };
  }

  async function stopDownload(item) {
    await discard(item);
    const url = item.finalUrl || item.url;
    const tabs = await api.tabs.query({});
    const claims = await Promise.all(
      tabs.map((tab) => api.tabs.sendMessage(tab.id, { kind: "embeds", url }).catch(() => false)));
    if (claims.some(Boolean)) return;
    // A tab opened for the document alone is gone by now: the one in front asks.
    const { tabId, by } = await navigationTo(url);
    const from = tabs.find((tab) => tab.id === tabId) ?? tabs.find((tab) => tab.active);
    openFullPage(from?.id ?? -1, url, by);
  }

  api.downloads.onDeterminingFilename.addListener((item, suggest) => {
    if (!NPZQK.isZqkType(item.mime ?? "")) return false;
    stopDownload(item).finally(() => suggest());
    return true;
  });
}
