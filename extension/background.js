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
// document has no place, and only a failure to start it is told, at the top
// of its tab.
function show(tabId, zqk, state) {
  if (zqk.id !== undefined) {
    api.tabs.sendMessage(tabId, { kind: "state", id: zqk.id, state }, { frameId: zqk.frameId }).catch(() => {});
  } else if (["missing", "host", "refused"].includes(state.status)) {
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

// Changes the open questions one change at a time; returns what change returns.
function editQuestions(change) {
  const edited = editing.then(async () => {
    const { questions = {} } = await api.storage.session.get("questions");
    const result = change(questions);
    await api.storage.session.set({ questions });
    return result;
  });
  editing = edited.catch(() => {});
  return edited;
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

async function askUser(tabId, site, documents) {
  const tab = await api.tabs.get(tabId).catch(() => null);
  if (tab === null) return;
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

// The user's answer, or "not now" when the window was closed.
async function settle(question, choice) {
  if (choice === "always") await allowSite(question.site);
  if (choice === "once" || choice === "always") {
    await open(question.tabId, question.documents);
  } else {
    for (const zqk of question.documents) show(question.tabId, zqk, { status: "declined" });
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

api.tabs.onRemoved.addListener((tabId) => dropQuestion((asked) => asked.tabId === tabId));
api.tabs.onUpdated.addListener((tabId, change) => {
  if (change.status !== "loading") return;
  dropQuestion((asked) => asked.tabId === tabId && asked.documents.every((zqk) => zqk.id !== undefined));
});

// Documents from an allowed site open at once; the others wait for the user,
// who asks from the document's place (or by following a link to it).
async function offer(tabId, site, documents, prompt) {
  if (documents.length === 0) return;
  if ((await allowedSites()).has(site)) {
    await open(tabId, documents);
  } else if (prompt) {
    await askUser(tabId, site, documents);
  } else {
    for (const zqk of documents) show(tabId, zqk, { status: "waiting" });
  }
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
  const documents = checked(sender.url, sender.frameId ?? 0, message.documents);
  if (message.kind === "documents") offer(tabId, NPZQK.siteOf(sender.url), documents, false);
  if (message.kind === "ask") offer(tabId, NPZQK.siteOf(sender.url), documents, true);
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
    offer(tabId, NPZQK.siteOf(fromUrl), zqk, true);
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
